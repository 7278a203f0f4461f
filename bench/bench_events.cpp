// The alarm event viewer under load, over loopback from the substitute server: a list
// (143) of 1,000 alarms with 5 lines each, then a stream of live updates (161: new
// alarms, new lines, line state changes), 10,000 and 100,000 of them, arriving in reads
// of one TCP segment (1,460 bytes; see pacedreads.h).
// Goals, fastest of at least 5 repetitions in this run:
//   viewer / floor, 100,000 updates                 <= 2
//   viewer, 100,000 updates / 10,000 updates        <= 11  (linear in the messages)
//   viewer / floor, list of 1,000 alarms            <= 1.5
// The floor replays the same decoded updates on a QTreeView of the same size over a
// minimal item model of plain rows, read by read: rows inserted, changed and removed
// (the oldest alarm with its lines in one removal), and the newest node of each read
// scrolled into view once, after which the event loop runs once (as it runs between
// reads in the viewer); a direct array for the look-ups and a running node count (the
// least bookkeeping that finds the nodes), but no socket, no frames, no decoding and no
// text conversion. For the list, the floor makes only the nodes that remain under the
// cap once the list is in, and reveals the last one once.
#include "platform/socketcontrol.h"
#include "bench/benchsupport.h"
#include "bench/pacedreads.h"
#include "controls/events/eventicons.h"
#include "controls/events/eventmessages.h"
#include "controls/events/eventscomponent.h"
#include "controls/events/eventtree.h"
#include "core/clientstate.h"
#include "core/frames.h"
#include "core/settingsstore.h"
#include "platform/qtext.h"
#include "testserver/server.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QAbstractItemModel>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <deque>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::events;

namespace {

constexpr int kListAlarms = 1000;
constexpr int kLinesPerAlarm = 5;

// Alarms base + 1 .. base + 1000. Every list the viewer loads takes a fresh base, so
// that its last alarm marks the moment the list is in.
std::vector<AlarmEntry> MakeList(int32_t base = 0) {
    std::vector<AlarmEntry> list;
    for (int32_t id = base + 1; id <= base + kListAlarms; ++id) {
        AlarmEntry a{id, "0\xFE" "10\xFE" "2025-03-04 07:15:02", "Alarm " + std::to_string(id),
                     static_cast<int16_t>(id % 4), {}};
        for (int k = 0; k < kLinesPerAlarm; ++k)
            a.Lines.push_back({static_cast<int16_t>(3 + k % 3), "Line " + std::to_string(k) + " of " + std::to_string(id)});
        list.push_back(std::move(a));
    }
    return list;
}

// count updates: per ten, two new alarms, four new lines and four line changes on
// recent alarms; the last one is a new alarm whose arrival marks the end.
std::vector<AlarmUpdate> MakeUpdates(int count, int32_t firstId, int32_t& sentinel) {
    std::vector<AlarmUpdate> updates;
    updates.reserve(count);
    int32_t next = firstId;
    static const int16_t states[] = {6, 7, 8, 15, 5};
    for (int i = 0; i < count - 1; ++i) {
        const int r = i % 10;
        if (r < 2) {
            updates.push_back({kAlarmAdded, next, "1\xFE" "255\xFE" "2025-03-04 07:20:00",
                               "Live alarm " + std::to_string(next), static_cast<int16_t>(next % 4), 0, {}});
            ++next;
        } else if (r < 6) {
            const int32_t id = std::max(firstId, next - 1 - (i % 3));
            updates.push_back({kLineAdded, id, {}, {}, static_cast<int16_t>(3 + i % 3), 0,
                               "Live line " + std::to_string(i)});
        } else {
            const int32_t id = std::max(firstId, next - 1 - (i % 4));
            updates.push_back({kLineUpdated, id, {}, {}, states[i % 5], static_cast<int16_t>(i % 2),
                               (i % 3) ? "State " + std::to_string(i) : Bytes()});
        }
    }
    sentinel = next;
    updates.push_back({kAlarmAdded, next, "0", "Last", 0, 0, {}});
    return updates;
}

struct Workload {
    Bytes stream;  // every 161, as frames
    std::vector<AlarmEntry> list;
    std::vector<AlarmUpdate> updates;
    int32_t sentinel = 0;
    std::vector<std::size_t> pieceEnds;      // where the stream is cut into reads
    std::vector<std::size_t> firstOfPiece;   // updates [first[k], first[k + 1]) complete in read k
};

const Workload& GetWorkload(int count) {
    static std::map<int, Workload> loads;
    Workload& w = loads[count];
    if (w.stream.empty()) {
        w.list = MakeList();
        w.updates = MakeUpdates(count, kListAlarms + 1, w.sentinel);
        std::vector<std::size_t> frameEnds;
        for (const AlarmUpdate& u : w.updates) {
            w.stream += BuildFrame(MessageType::MsgAlarmEventUpdate, BuildAlarmUpdate(u));
            frameEnds.push_back(w.stream.size());
        }
        w.pieceEnds = bench::PieceEnds(w.stream.size());
        w.firstOfPiece = bench::FramesCompletedBy(w.pieceEnds, frameEnds);
    }
    return w;
}

constexpr int kWidth = 640, kHeight = 480;

// The viewer, connected to the substitute server.
struct Viewer {
    testserver::Server server;
    MemorySettingsStore store;
    ClientState state;
    std::unique_ptr<Component> component;
    EventTree* tree = nullptr; // the control's alarm tree, found by its name
    std::unique_ptr<bench::PacedReads> paced;

    Viewer() {
        testserver::SampleData data; // answers start-up requests with empty tables
        data.Answers[MessageType::MsgAlarmEventList] = {};
        server.SetData(data);
        server.Listen();
        state.SettingsStore = &store;
        component = std::make_unique<Component>(state);
        component->resize(kWidth, kHeight);
        tree = component->findChild<EventTree*>("TreeView_Event");
        component->show();
        component->setProperty("ServerAddress", "127.0.0.1");
        component->setProperty("ServerPort", server.Port());
        testserver::Server::WaitFor([&] { return server.ReceivedOfType(MessageType::MsgAlarmEventList).size() == 1; },
                                    10000);
        paced = std::make_unique<bench::PacedReads>(server, *component->findChild<platform::SocketControl*>(QStringLiteral("Winsock_ActiveXClient")));
    }
};

// Made once and never destroyed: its widgets must not outlive the application object.
Viewer& GetViewer() {
    static Viewer* viewer = new Viewer;
    return *viewer;
}

// A fresh list frame and the identity of its last alarm.
std::pair<Bytes, int32_t> NextList() {
    static int32_t base = 0;
    base += 1000000;
    return {BuildFrame(MessageType::MsgAlarmEventList, BuildAlarmList(MakeList(base))), base + kListAlarms};
}

// Sends a list and runs the event loop until the viewer shows it, then once more to
// paint it (as the floor's list ends). The loop waits for events without polling, so the
// time ends where the work does.
bool SendList(Viewer& v, const std::pair<Bytes, int32_t>& list) {
    v.server.SendRaw(list.first);
    QDeadlineTimer deadline(600000);
    while (!v.tree->FindAlarm(list.second).isValid()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    QCoreApplication::processEvents();
    return true;
}

// The list alone.
void OursList(benchmark::State& st) {
    Viewer& v = GetViewer();
    for (auto _ : st) {
        const auto list = NextList();
        QElapsedTimer clock;
        clock.start();
        const bool done = SendList(v, list);
        st.SetIterationTime(clock.nsecsElapsed() / 1e9);
        if (!done) st.SkipWithError("list lost");
    }
}

// The updates after a fresh list (not timed). With current set, the oldest alarm is
// the current node as the updates begin, as after the operator picked an alarm that the
// cap has since dropped: the current node then goes with every drop.
void Ours(benchmark::State& st, int count, bool current) {
    Viewer& v = GetViewer();
    const Workload& w = GetWorkload(count);
    for (auto _ : st) {
        if (!SendList(v, NextList())) st.SkipWithError("list lost");
        if (current) v.tree->setCurrentIndex(v.tree->AlarmAt(0));
        QElapsedTimer clock;
        clock.start();
        const bool sent = v.paced->SendAll(w.stream, w.pieceEnds);
        st.SetIterationTime(clock.nsecsElapsed() / 1e9);
        if (!sent || !v.tree->FindAlarm(w.sentinel).isValid()) st.SkipWithError("updates lost");
    }
    st.counters["messages"] = count;
    st.counters["reads"] = static_cast<double>(w.pieceEnds.size());
}

// The least a tree view showing the same must do: a QTreeView over a minimal model of
// plain rows (alarms and their lines on one level, a line drawn indented by a minimal
// delegate, as the viewer draws it), the same row inserts, changes and oldest-alarm
// removals, each a single model notification, and the newest node revealed once per read.
// Its alarms sit in an array in display order and a row is found by summing the sizes of
// the alarms from the newer end, which for these updates (on recent alarms, the newest at
// the bottom) is a handful of additions.
class FloorModel final : public QAbstractItemModel {
public:
    struct Alarm {
        int32_t id = 0;
        QString text;
        int image = 0;
        std::vector<std::pair<QString, int>> lines;
        int Rows() const { return 1 + static_cast<int>(lines.size()); }
    };

    explicit FloorModel(const std::vector<QIcon>& icons) : m_Icons(icons) {}

    int rowOf(const Alarm* alarm) const {
        int row = m_Rows;
        for (auto it = m_Alarms.rbegin(); it != m_Alarms.rend(); ++it) {
            row -= (*it)->Rows();
            if (it->get() == alarm) break;
        }
        return row;
    }
    // The node at a row: its alarm and line (-1: the alarm).
    std::pair<const Alarm*, int> at(int row) const {
        int end = m_Rows;
        for (auto it = m_Alarms.rbegin(); it != m_Alarms.rend(); ++it) {
            const int first = end - (*it)->Rows();
            if (row >= first) return {it->get(), row - first - 1};
            end = first;
        }
        return {nullptr, -1};
    }

    void reset(std::deque<std::unique_ptr<Alarm>> alarms) {
        beginResetModel();
        m_Alarms = std::move(alarms);
        m_Rows = 0;
        for (const auto& a : m_Alarms) m_Rows += a->Rows();
        endResetModel();
    }
    Alarm* addAlarm(int32_t id, const QString& text, int image) {
        beginInsertRows({}, m_Rows, m_Rows);
        m_Alarms.push_back(std::make_unique<Alarm>(Alarm{id, text, image, {}}));
        ++m_Rows;
        endInsertRows();
        return m_Alarms.back().get();
    }
    void addLine(Alarm* alarm, const QString& text, int image) {
        const int row = rowOf(alarm) + alarm->Rows();
        beginInsertRows({}, row, row);
        alarm->lines.emplace_back(text, image);
        ++m_Rows;
        endInsertRows();
    }
    void changed(const Alarm* alarm, int line) {
        const QModelIndex i = createIndex(rowOf(alarm) + 1 + line, 0);
        emit dataChanged(i, i);
    }
    // Drops the top alarm; its identity.
    int32_t removeOldest() {
        const int rows = m_Alarms.front()->Rows();
        const int32_t id = m_Alarms.front()->id;
        beginRemoveRows({}, 0, rows - 1);
        m_Alarms.pop_front();
        m_Rows -= rows;
        endRemoveRows();
        return id;
    }
    QModelIndex indexOf(const Alarm* alarm, int line) const { return createIndex(rowOf(alarm) + 1 + line, 0); }
    int alarms() const { return static_cast<int>(m_Alarms.size()); }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override {
        return parent.isValid() || column != 0 || row < 0 || row >= m_Rows ? QModelIndex() : createIndex(row, 0);
    }
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_Rows; }
    int columnCount(const QModelIndex& = {}) const override { return 1; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole && role != Qt::DecorationRole) return {};
        const auto [alarm, line] = at(index.row());
        if (!alarm) return {};
        if (role == Qt::DisplayRole) return line < 0 ? alarm->text : alarm->lines[static_cast<std::size_t>(line)].first;
        return m_Icons[static_cast<std::size_t>(line < 0 ? alarm->image : alarm->lines[static_cast<std::size_t>(line)].second)];
    }
    Qt::ItemFlags flags(const QModelIndex&) const override {
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    }

private:
    const std::vector<QIcon>& m_Icons;
    std::deque<std::unique_ptr<Alarm>> m_Alarms;
    int m_Rows = 0;
};

// Draws a line indented, as a tree draws a child.
class FloorDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const auto* model = static_cast<const FloorModel*>(index.model());
        QStyleOptionViewItem o = option;
        if (model->at(index.row()).second >= 0) o.rect.setLeft(o.rect.left() + 20);
        QStyledItemDelegate::paint(painter, o, index);
    }
};

class Floor {
public:
    Floor() : m_Model(m_Icons) {
        for (int n = 0; n <= kEventIconCount; ++n) m_Icons.push_back(EventIcons().Icon(n));
        // Looks as the viewer's tree does: no header, no fold arrows.
        m_Tree.setModel(&m_Model);
        m_Tree.setItemDelegate(new FloorDelegate(&m_Tree));
        m_Tree.setHeaderHidden(true);
        m_Tree.setUniformRowHeights(true);
        m_Tree.setRootIsDecorated(false);
        m_Tree.resize(kWidth, kHeight);
        m_Tree.show();
    }

    struct Prepared {
        int kind;
        int32_t id;
        int16_t icon, index;
        QString text;
    };

    // Only the alarms that remain under the node cap once the list is in (the list holds
    // no repeated identities; new alarms go to the bottom): the least a tree showing the
    // list must make.
    static std::vector<Prepared> PrepareList(const std::vector<AlarmEntry>& list) {
        std::deque<const AlarmEntry*> kept;
        int nodes = 0;
        for (const AlarmEntry& a : list) {
            while (nodes > kTreeNodeCap && !kept.empty()) {
                nodes -= 1 + static_cast<int>(kept.front()->Lines.size());
                kept.pop_front();
            }
            kept.push_back(&a);
            nodes += 1 + static_cast<int>(a.Lines.size());
        }
        std::vector<Prepared> out;
        for (const AlarmEntry* a : kept) {
            out.push_back({kAlarmAdded, a->Identity, a->Icon, 0, platform::ToQString(a->Title)});
            for (const AlarmLine& l : a->Lines) out.push_back({kLineAdded, a->Identity, l.Icon, 0, platform::ToQString(l.Text)});
        }
        return out;
    }

    static std::vector<Prepared> PrepareUpdates(const std::vector<AlarmUpdate>& updates) {
        std::vector<Prepared> out;
        for (const AlarmUpdate& u : updates)
            out.push_back({u.Kind, u.Identity, u.Icon, u.LineIndex,
                           platform::ToQString(u.Kind == kAlarmAdded ? u.Title : u.LineText)});
        return out;
    }

    // The list: the tree hidden, its rows made at once, shown, the last node revealed.
    void Load(const std::vector<Prepared>& list, int32_t maxId) {
        m_ById.assign(static_cast<std::size_t>(maxId) + 1, nullptr);
        m_Nodes = 0;
        m_Tree.hide();
        std::deque<std::unique_ptr<FloorModel::Alarm>> alarms;
        for (const Prepared& op : list) {
            if (op.kind == kAlarmAdded) {
                alarms.push_back(std::make_unique<FloorModel::Alarm>(FloorModel::Alarm{op.id, op.text, AlarmImage(op.icon), {}}));
                m_ById[static_cast<std::size_t>(op.id)] = alarms.back().get();
            } else {
                FloorModel::Alarm* a = alarms.back().get();
                a->image = AlarmImageWithLines(a->image);
                a->lines.emplace_back(op.text, op.icon);
            }
            ++m_Nodes;
        }
        const FloorModel::Alarm* last = alarms.empty() ? nullptr : alarms.back().get();
        m_Model.reset(std::move(alarms));
        m_Tree.show();
        if (last) m_Tree.scrollTo(m_Model.indexOf(last, static_cast<int>(last->lines.size()) - 1));
    }

    // The updates of one read, then the newest node scrolled into view and the event loop
    // run once.
    void RunRead(const std::vector<Prepared>& ops, std::size_t first, std::size_t end) {
        const FloorModel::Alarm* last = nullptr;
        int lastLine = -1;
        for (std::size_t i = first; i < end; ++i) {
            const Prepared& op = ops[i];
            FloorModel::Alarm*& slot = m_ById[static_cast<std::size_t>(op.id)];
            switch (op.kind) {
            case kAlarmAdded: {
                while (m_Nodes > kTreeNodeCap && m_Model.alarms() > 0) {
                    const int32_t gone = m_Model.removeOldest();
                    m_Nodes = m_Model.rowCount();
                    if (m_ById[static_cast<std::size_t>(gone)] == last) last = nullptr;
                    m_ById[static_cast<std::size_t>(gone)] = nullptr;
                }
                if (slot) break;
                slot = m_Model.addAlarm(op.id, op.text, AlarmImage(op.icon));
                ++m_Nodes;
                last = slot;
                lastLine = -1;
                break;
            }
            case kLineAdded: {
                if (!slot) break;
                slot->image = AlarmImageWithLines(slot->image);
                m_Model.changed(slot, -1);
                m_Model.addLine(slot, op.text, op.icon);
                ++m_Nodes;
                last = slot;
                lastLine = static_cast<int>(slot->lines.size()) - 1;
                break;
            }
            case kLineUpdated: {
                if (!slot || op.index >= static_cast<int>(slot->lines.size())) break;
                slot->lines[static_cast<std::size_t>(op.index)].second = op.icon;
                if (!op.text.isEmpty()) slot->lines[static_cast<std::size_t>(op.index)].first = op.text;
                m_Model.changed(slot, op.index);
                break;
            }
            default:
                break;
            }
        }
        if (last) m_Tree.scrollTo(m_Model.indexOf(last, lastLine));
        QCoreApplication::processEvents();
    }

    int Rows() const { return m_Model.rowCount(); }

private:
    std::vector<QIcon> m_Icons;
    FloorModel m_Model;
    QTreeView m_Tree;
    std::vector<FloorModel::Alarm*> m_ById;
    int m_Nodes = 0;
};

Floor& GetFloor() {
    static Floor* floor = new Floor;
    return *floor;
}

void BareList(benchmark::State& st) {
    Floor& floor = GetFloor();
    const Workload& w = GetWorkload(10000);
    const auto list = Floor::PrepareList(w.list);
    for (auto _ : st) {
        QElapsedTimer clock;
        clock.start();
        floor.Load(list, w.sentinel);
        QCoreApplication::processEvents();
        st.SetIterationTime(clock.nsecsElapsed() / 1e9);
    }
}

void Bare(benchmark::State& st, int count) {
    Floor& floor = GetFloor();
    const Workload& w = GetWorkload(count);
    const auto list = Floor::PrepareList(w.list);
    const auto ops = Floor::PrepareUpdates(w.updates);
    for (auto _ : st) {
        floor.Load(list, w.sentinel);
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        for (std::size_t k = 0; k + 1 < w.firstOfPiece.size(); ++k)
            floor.RunRead(ops, w.firstOfPiece[k], w.firstOfPiece[k + 1]);
        st.SetIterationTime(clock.nsecsElapsed() / 1e9);
    }
    st.counters["messages"] = count;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    GetViewer();
    benchmark::RegisterBenchmark("events/viewer_list/1000", OursList)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
    benchmark::RegisterBenchmark("events/bare_list/1000", BareList)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
    for (int count : {10000, 100000}) {
        const std::string n = std::to_string(count);
        benchmark::RegisterBenchmark(("events/viewer/" + n).c_str(), Ours, count, false)
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
        benchmark::RegisterBenchmark(("events/bare_tree/" + n).c_str(), Bare, count)
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
    }
    benchmark::RegisterBenchmark("events/viewer_current/100000", Ours, 100000, true)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
    benchmark::Initialize(&argc, argv);
    bench::FastestRepetition collector(bench::Clock::Real);
    benchmark::RunSpecifiedBenchmarks(&collector);

    auto at = [&](const char* what, int count) { return collector.Seconds("events/" + std::string(what) + "/" + std::to_string(count)); };
    const double ours = at("viewer", 100000), bare = at("bare_tree", 100000);
    const double floorRatio = ours / bare;
    const double growth = ours / at("viewer", 10000);
    bool pass = true;
    std::printf("\n");
    pass = bench::Verdict("viewer/floor, 100,000 updates in 1,460-byte reads", floorRatio, 2, 52) && pass;
    pass = bench::Verdict("viewer 100,000 updates / 10,000 updates", growth, 11, 52) && pass;
    const double listRatio = at("viewer_list", 1000) / at("bare_list", 1000);
    pass = bench::Verdict("viewer/floor, list of 1,000 alarms", listRatio, 1.5, 52) && pass;
    if (GetFloor().Rows() != GetViewer().tree->NodeCount()) {
        std::printf("the floor ends with %d rows, the viewer with %d nodes\n", GetFloor().Rows(), GetViewer().tree->NodeCount());
        pass = false;
    }
    std::printf("(viewer/bare at 10,000 updates: %.2f)\n", at("viewer", 10000) / at("bare_tree", 10000));
    std::printf("reference viewer with the current node on the oldest alarm / viewer, 100,000 updates %.2f\n",
                at("viewer_current", 100000) / ours);
    std::printf("reference floor 100,000 / 10,000 updates %.2f; reads 100,000 / 10,000 updates %.2f\n",
                at("bare_tree", 100000) / at("bare_tree", 10000),
                static_cast<double>(GetWorkload(100000).pieceEnds.size()) / static_cast<double>(GetWorkload(10000).pieceEnds.size()));
    std::fflush(stdout);
    return pass ? 0 : 1;
}
