// Unpaced streams through the controls' real receive path: a child process writes
// frames on a plain loopback socket as fast as the socket takes them, with a keep-alive
// after every 1,000th frame, and timestamps each keep-alive when the socket has taken it
// and again when its answer comes back.
//   - the system log viewer: 100,000 and 1,000,000 log lines (166);
//   - the alarm event viewer: 100,000 and 1,000,000 live updates (161: per ten, two new
//     alarms, four new lines, four line changes; the node cap drops old alarms);
//   - a server that floods keep-alives and never reads: the system log viewer's resident
//     memory until it drops the connection, against the send cap.
// Per run: the total time (first byte written to the last answer, which comes after the
// last frame is handled and the view updated), the longest event-loop hold (the longest
// gap between two ticks of a 1 ms timer) and the worst keep-alive delay.
// Goals: longest hold <= 3x the slice budget (worst of the repetitions), total <= 2x the
// floor's (fastest repetition each), at 100,000 and at 1,000,000; flood growth <= 3x the
// send cap.
// Floors: a bare client on a plain QTcpSocket (the same reads, the same frame cutter and
// message readers, keep-alives answered) that applies each read to a minimal item model
// at once: for the log a QListView over a QAbstractListModel (the newest 501 of a read
// kept as bytes, made into texts and put in, the last row selected once per read); for
// the events a QTreeView over a QAbstractItemModel of the nodes on one level (as the
// viewer's tree has them, lines drawn indented), doing the same inserts, line changes and
// oldest-alarm removals, the newest node revealed once per read.
#include "bench/benchsupport.h"
#include "controls/events/eventicons.h"
#include "controls/events/eventmessages.h"
#include "controls/events/eventscomponent.h"
#include "controls/events/eventtree.h"
#include "controls/syslog/syslogcomponent.h"
#include "core/clientstate.h"
#include "core/codec.h"
#include "core/frames.h"
#include "core/settingsstore.h"
#include "platform/listbox.h"
#include "platform/qtext.h"
#include "platform/socketcontrol.h"
#include "platform/statuslabel.h"
#include "shell/component.h"

#include <QAbstractItemModel>
#include <QAbstractListModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListView>
#include <QSocketNotifier>
#include <QStyledItemDelegate>
#include <QTcpSocket>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidgetItem>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

using namespace korvel;
using namespace korvel::events;
using SysLog = korvel::syslog::Component;

namespace {

constexpr int kKeepAliveEvery = 1000;
constexpr int kWidth = 640, kHeight = 480;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// --- Workloads, built before the child is made (it shares them) -----------------------

struct Workload {
    Bytes stream;                       // the frames, a keep-alive after every 1,000th and at the end
    std::vector<std::size_t> keepAlive; // where each keep-alive ends
    Bytes lastLine;                     // log: the last line
    int32_t sentinel = 0;               // events: the identity of the last alarm
};

void AddFrame(Workload& w, MessageType type, std::string_view body, int& frames) {
    w.stream += BuildFrame(type, body);
    if (++frames % kKeepAliveEvery == 0) {
        w.stream += BuildFrame(MessageType::MsgKeepAlive, {});
        w.keepAlive.push_back(w.stream.size());
    }
}

void CloseWorkload(Workload& w) {
    if (w.keepAlive.empty() || w.keepAlive.back() != w.stream.size()) {
        w.stream += BuildFrame(MessageType::MsgKeepAlive, {});
        w.keepAlive.push_back(w.stream.size());
    }
}

Bytes LogLine(int i) {
    return "2025-03-03 07:" + std::to_string(10 + i % 50) + ":00 line " + std::to_string(i) +
           " of the alarm server's system log";
}

Workload LogReset() {
    Workload w;
    Bytes body;
    AppendLong(body, 0);
    int frames = 0;
    AddFrame(w, MessageType::MsgSysLogList, body, frames);
    CloseWorkload(w);
    return w;
}

Workload LogStream(int count) {
    Workload w;
    w.stream.reserve(static_cast<std::size_t>(count) * 72);
    int frames = 0;
    for (int i = 0; i < count; ++i) {
        const Bytes line = LogLine(i);
        Bytes body;
        AppendString(body, line);
        AddFrame(w, MessageType::MsgSysLogLine, body, frames);
        if (i + 1 == count) w.lastLine = line;
    }
    CloseWorkload(w);
    return w;
}

Workload EventReset() {
    Workload w;
    int frames = 0;
    AddFrame(w, MessageType::MsgAlarmEventList, BuildAlarmList({}), frames);
    CloseWorkload(w);
    return w;
}

// Per ten updates: two new alarms, four new lines and four line changes on recent
// alarms; the last one is a new alarm whose identity marks the end.
Workload EventStream(int count) {
    Workload w;
    w.stream.reserve(static_cast<std::size_t>(count) * 60);
    static const int16_t states[] = {6, 7, 8, 15, 5};
    int32_t next = 1;
    int frames = 0;
    for (int i = 0; i < count - 1; ++i) {
        const int r = i % 10;
        AlarmUpdate u;
        if (r < 2) {
            u = {kAlarmAdded, next, "1\xFE" "255\xFE" "2025-03-04 07:20:00", "Live alarm " + std::to_string(next),
                 static_cast<int16_t>(next % 4), 0, {}};
            ++next;
        } else if (r < 6) {
            const int32_t id = std::max(1, next - 1 - (i % 3));
            u = {kLineAdded, id, {}, {}, static_cast<int16_t>(3 + i % 3), 0, "Live line " + std::to_string(i)};
        } else {
            const int32_t id = std::max(1, next - 1 - (i % 4));
            u = {kLineUpdated, id, {}, {}, states[i % 5], static_cast<int16_t>(i % 2),
                 (i % 3) ? "State " + std::to_string(i) : Bytes()};
        }
        AddFrame(w, MessageType::MsgAlarmEventUpdate, BuildAlarmUpdate(u), frames);
    }
    w.sentinel = next;
    AddFrame(w, MessageType::MsgAlarmEventUpdate, BuildAlarmUpdate({kAlarmAdded, next, "0", "Last", 0, 0, {}}), frames);
    CloseWorkload(w);
    return w;
}

enum WorkloadId { LogResetW, Log100k, Log1M, EventResetW, Event100k, Event1M, WorkloadCount };
std::vector<Workload> g_Workloads;

// --- The child: a server writing unpaced ----------------------------------------------

struct Command {
    char kind = 0;    // 'A' accept (arg 1: read the answers), 'W' write a workload, 'F' flood, 'Q' end
    int32_t conn = 0;
    int32_t arg = 0;
};

struct Result {
    int64_t totalNs = 0;
    int64_t worstDelayNs = 0;
    int32_t keepAlives = 0;
    int32_t answered = 0;
    int64_t bytes = 0; // flood: bytes the socket took before the client dropped it
};

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// One client connection of the child: a reader thread stamps every keep-alive answer.
struct Peer {
    int fd = -1;
    std::mutex lock;
    std::vector<int64_t> answers;
    std::atomic<std::size_t> answerCount{0};
    std::thread reader;

    void Read() {
        std::string buffer;
        char chunk[65536];
        for (;;) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0) return;
            buffer.append(chunk, static_cast<std::size_t>(n));
            std::size_t at = 0;
            while (buffer.size() - at >= 5) {
                uint32_t length = 0;
                for (int i = 1; i <= 4; ++i) length = (length << 8) | static_cast<unsigned char>(buffer[at + i]);
                if (length > buffer.size() - at - 5) break;
                if (buffer[at] == 0) {
                    std::lock_guard<std::mutex> guard(lock);
                    answers.push_back(NowNs());
                    answerCount = answers.size();
                }
                at += 5 + length;
            }
            buffer.erase(0, at);
        }
    }
};

Result WriteWorkload(Peer& peer, const Workload& w) {
    Result r;
    const std::size_t base = peer.answerCount;
    std::vector<int64_t> sent;
    sent.reserve(w.keepAlive.size());
    const int64_t start = NowNs();
    std::size_t from = 0;
    for (std::size_t end : w.keepAlive) {
        if (!WriteAll(peer.fd, w.stream.data() + from, end - from)) break;
        sent.push_back(NowNs());
        from = end;
    }
    r.keepAlives = static_cast<int32_t>(w.keepAlive.size());
    const int64_t deadline = NowNs() + int64_t{600} * 1000000000;
    while (peer.answerCount < base + sent.size() && NowNs() < deadline) std::this_thread::sleep_for(std::chrono::microseconds(200));
    std::lock_guard<std::mutex> guard(peer.lock);
    r.answered = static_cast<int32_t>(peer.answers.size() - base);
    for (std::size_t i = 0; i < sent.size() && base + i < peer.answers.size(); ++i)
        r.worstDelayNs = std::max(r.worstDelayNs, peer.answers[base + i] - sent[i]);
    if (r.answered > 0) r.totalNs = peer.answers[base + static_cast<std::size_t>(r.answered) - 1] - start;
    return r;
}

Result Flood(Peer& peer) {
    Result r;
    const std::string keepAlives(5 * 13107, '\0');
    while (WriteAll(peer.fd, keepAlives.data(), keepAlives.size())) r.bytes += static_cast<int64_t>(keepAlives.size());
    return r;
}

[[noreturn]] void ServeChild(int listener, int commands, int results) {
    std::vector<std::unique_ptr<Peer>> peers;
    Command c;
    while (::read(commands, &c, sizeof c) == sizeof c && c.kind != 'Q') {
        Result r;
        if (c.kind == 'A') {
            auto peer = std::make_unique<Peer>();
            peer->fd = ::accept(listener, nullptr, nullptr);
            if (c.arg) peer->reader = std::thread([p = peer.get()] { p->Read(); });
            r.answered = static_cast<int32_t>(peers.size());
            peers.push_back(std::move(peer));
        } else if (c.kind == 'W') {
            r = WriteWorkload(*peers[static_cast<std::size_t>(c.conn)], g_Workloads[static_cast<std::size_t>(c.arg)]);
        } else if (c.kind == 'F') {
            r = Flood(*peers[static_cast<std::size_t>(c.conn)]);
        }
        if (::write(results, &r, sizeof r) != sizeof r) break;
    }
    ::_exit(0);
}

// Keeps the child off the parent's core.
void PinAwayFrom(int cpu) {
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return;
    for (int other = 0; other < CPU_SETSIZE; ++other) {
        if (other == cpu || !CPU_ISSET(other, &allowed)) continue;
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(other, &set);
        sched_setaffinity(0, sizeof set, &set);
        return;
    }
}

struct Child {
    int port = 0;
    int commands = -1;
    int results = -1;
    pid_t pid = -1;
};
Child g_Child;

// --- The parent: waiting with the event loop running, and its longest hold ------------

// Runs the event loop (as the host's does) until the child's answer to a command is in;
// `then` runs once the command is on its way.
bool Ask(Command c, Result& r, const std::function<void()>& then = {}) {
    if (::write(g_Child.commands, &c, sizeof c) != sizeof c) return false;
    if (then) then();
    std::string got;
    QEventLoop loop;
    QSocketNotifier notifier(g_Child.results, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
        char buffer[sizeof(Result)];
        const ssize_t n = ::read(g_Child.results, buffer, sizeof(Result) - got.size());
        if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
        if (n <= 0 || got.size() == sizeof(Result)) loop.quit();
    });
    loop.exec();
    if (got.size() != sizeof(Result)) return false;
    std::memcpy(&r, got.data(), sizeof r);
    return true;
}

// The longest gap between two ticks of a 1 ms timer while it runs.
class HoldProbe {
public:
    HoldProbe() {
        m_Timer.setTimerType(Qt::PreciseTimer);
        m_Timer.setInterval(1);
        QObject::connect(&m_Timer, &QTimer::timeout, [this] {
            const int64_t now = NowNs();
            m_Longest = std::max(m_Longest, now - m_Last);
            m_Last = now;
        });
        m_Last = NowNs();
        m_Timer.start();
    }
    double LongestMs() const { return std::max(m_Longest, NowNs() - m_Last) / 1e6; }

private:
    QTimer m_Timer;
    int64_t m_Last = 0;
    int64_t m_Longest = 0;
};

void Settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The client of a benchmark: connected to the child once, given a workload per run.
class Client {
public:
    virtual ~Client() = default;
    virtual bool Shows(const Workload& w) const = 0;
    int32_t conn = -1;
};

// The child accepts the client's connection, which `connect` starts; the answer is the
// connection's number.
bool Connect(Client& client, const std::function<void()>& connect) {
    Result r;
    if (!Ask({'A', 0, 1}, r, connect)) return false;
    client.conn = r.answered;
    Settle(200); // the start-up requests go out
    return true;
}

// --- The controls -------------------------------------------------------------------------

struct SysLogClient final : Client {
    MemorySettingsStore store;
    ClientState state;
    std::unique_ptr<SysLog> control;
    SysLogClient() {
        state.SettingsStore = &store;
        control = std::make_unique<SysLog>(state);
        control->resize(kWidth, kHeight);
        control->show();
        Connect(*this, [this] {
            control->setProperty("ServerPort", g_Child.port);
            control->setProperty("ServerAddress", "127.0.0.1");
        });
    }
    const platform::ListBox& List() const { return *control->findChild<platform::ListBox*>("List_SysLog"); }
    bool Shows(const Workload& w) const override {
        const platform::ListBox& list = List();
        return !list.isHidden() && list.ListCount() == SysLog::kMaxLines &&
               list.ItemText(SysLog::kMaxLines - 1) == platform::ToQString(w.lastLine) &&
               list.ListIndex() == SysLog::kMaxLines - 1;
    }
};

// The tree's look-up hands back an item or an index.
[[maybe_unused]] bool Present(const QTreeWidgetItem* item) { return item != nullptr; }
[[maybe_unused]] bool Present(const QModelIndex& index) { return index.isValid(); }

struct EventsClient final : Client {
    MemorySettingsStore store;
    ClientState state;
    std::unique_ptr<events::Component> control;
    EventTree* tree = nullptr;
    EventsClient() {
        state.SettingsStore = &store;
        control = std::make_unique<events::Component>(state);
        control->resize(kWidth, kHeight);
        tree = control->findChild<EventTree*>("TreeView_Event");
        control->show();
        Connect(*this, [this] {
            control->setProperty("ServerPort", g_Child.port);
            control->setProperty("ServerAddress", "127.0.0.1");
        });
    }
    bool Shows(const Workload& w) const override { return !tree->isHidden() && Present(tree->FindAlarm(w.sentinel)); }
};

// --- The floors ---------------------------------------------------------------------------

// A bare client: the same reads and frame cutter, keep-alives answered, each read's
// messages handed to the floor's view at once.
class BareClient : public Client {
public:
    BareClient() {
        QObject::connect(&m_Socket, &QTcpSocket::readyRead, [this] { onRead(); });
        // As the control's socket: small frames (the answers) go out at once.
        QObject::connect(&m_Socket, &QTcpSocket::connected,
                         [this] { m_Socket.setSocketOption(QAbstractSocket::LowDelayOption, 1); });
    }
    // Once the floor is made whole (its reads reach its model).
    Client* Start() {
        Connect(*this, [this] { m_Socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(g_Child.port)); });
        return this;
    }

protected:
    virtual void Message(MessageType type, std::string_view body) = 0;
    virtual void EndOfRead() = 0;

private:
    void onRead() {
        const QByteArray bytes = m_Socket.readAll();
        m_Cutter.Append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        while (std::optional<Frame> frame = m_Cutter.Next()) {
            if (frame->Message() == MessageType::MsgKeepAlive)
                m_Socket.write(m_KeepAlive.data(), static_cast<qint64>(m_KeepAlive.size()));
            else Message(frame->Message(), frame->Body);
        }
        EndOfRead();
    }
    QTcpSocket m_Socket;
    FrameCutter m_Cutter;
    const Bytes m_KeepAlive = BuildFrame(MessageType::MsgKeepAlive, {});
};

class LogModel final : public QAbstractListModel {
public:
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : static_cast<int>(rows.size()); }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        return rows[static_cast<std::size_t>(index.row())];
    }
    void Clear() {
        beginResetModel();
        rows.clear();
        endResetModel();
    }
    void Append(std::vector<QString>& lines) {
        const int drop = std::clamp(static_cast<int>(rows.size() + lines.size()) - SysLog::kMaxLines, 0,
                                    static_cast<int>(rows.size()));
        if (drop > 0) {
            beginRemoveRows({}, 0, drop - 1);
            rows.erase(rows.begin(), rows.begin() + drop);
            endRemoveRows();
        }
        const int first = static_cast<int>(rows.size());
        beginInsertRows({}, first, first + static_cast<int>(lines.size()) - 1);
        for (QString& line : lines) rows.push_back(std::move(line));
        endInsertRows();
    }
    std::deque<QString> rows;
};

class LogFloor final : public BareClient {
public:
    LogFloor() {
        m_View.setUniformItemSizes(true);
        m_View.setModel(&m_Model);
        m_View.resize(kWidth, kHeight);
        m_View.show();
    }
    bool Shows(const Workload& w) const override {
        return m_Model.rows.size() == static_cast<std::size_t>(SysLog::kMaxLines) &&
               m_Model.rows.back() == platform::ToQString(w.lastLine) &&
               m_View.currentIndex().row() == SysLog::kMaxLines - 1;
    }

protected:
    void Message(MessageType type, std::string_view body) override {
        int32_t position = 0;
        if (type == MessageType::MsgSysLogList) {
            m_Count = 0;
            m_Model.Clear();
        } else if (type == MessageType::MsgSysLogLine) {
            const std::string_view line = GetStringViewFromNetworkBytes(body, position);
            if (line.empty() && m_Count == 0 && m_Model.rows.empty()) return;
            if (m_Slots.size() < static_cast<std::size_t>(SysLog::kMaxLines)) m_Slots.resize(SysLog::kMaxLines);
            m_Slots[(m_First + m_Count) % m_Slots.size()].assign(line);
            if (m_Count < m_Slots.size()) ++m_Count;
            else m_First = (m_First + 1) % m_Slots.size();
        }
    }
    void EndOfRead() override {
        if (m_Count == 0) return;
        std::vector<QString> lines;
        lines.reserve(m_Count);
        for (std::size_t i = 0; i < m_Count; ++i) lines.push_back(platform::ToQString(m_Slots[(m_First + i) % m_Slots.size()]));
        m_First = m_Count = 0;
        m_Model.Append(lines);
        const QModelIndex last = m_Model.index(static_cast<int>(m_Model.rows.size()) - 1);
        m_View.setCurrentIndex(last);
        m_View.scrollTo(last);
    }

private:
    LogModel m_Model;
    QListView m_View;
    std::vector<Bytes> m_Slots;
    std::size_t m_First = 0, m_Count = 0;
};

// The nodes in the order they are shown, alarms and lines on one level (an alarm's lines
// right after it), as the viewer's tree keeps them: removing the oldest alarm removes its
// rows and nothing else, and no open alarm is a persistent index to renumber. Alarms come
// only at the end and go only from the front, and lines go to recent alarms, so an
// alarm's row is found by counting back from the end.
class AlarmModel final : public QAbstractItemModel {
public:
    struct Line {
        QString text;
        int image;
    };
    struct Alarm {
        int32_t id;
        QString title;
        int image;
        std::vector<Line> lines;
        int Rows() const { return 1 + static_cast<int>(lines.size()); }
    };

    AlarmModel() {
        for (int n = 0; n <= kEventIconCount; ++n) m_Icons.push_back(EventIcons().Icon(n));
    }

    QModelIndex index(int row, int column, const QModelIndex& parent) const override {
        if (parent.isValid() || column != 0 || row < 0 || row >= m_Rows) return {};
        return createIndex(row, 0);
    }
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : m_Rows; }
    int columnCount(const QModelIndex&) const override { return 1; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::DecorationRole)) return {};
        // The node at a row: count back from the end (the rows in view are the newest).
        int row = m_Rows;
        std::size_t place = alarms.size();
        while (place > 0 && row > index.row()) row -= alarms[--place].Rows();
        const Alarm& a = alarms[place];
        const int line = index.row() - row - 1;
        if (role == Qt::DisplayRole) return line < 0 ? a.title : a.lines[static_cast<std::size_t>(line)].text;
        const int image = line < 0 ? a.image : a.lines[static_cast<std::size_t>(line)].image;
        return image > 0 && image < static_cast<int>(m_Icons.size()) ? QVariant(m_Icons[static_cast<std::size_t>(image)]) : QVariant();
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
    }

    bool IsLine(int row) const {
        int at = m_Rows;
        std::size_t place = alarms.size();
        while (place > 0 && at > row) at -= alarms[--place].Rows();
        return row != at;
    }

    void Clear() {
        beginResetModel();
        alarms.clear();
        m_ById.clear();
        m_Front = m_Next;
        m_Rows = 0;
        endResetModel();
    }
    Alarm* Find(int32_t id) {
        const auto it = m_ById.find(id);
        return it == m_ById.end() ? nullptr : &alarms[static_cast<std::size_t>(it->second - m_Front)];
    }
    // The row of an alarm, counted back from the end.
    int RowOf(const Alarm& a) const {
        int row = m_Rows;
        for (std::size_t place = alarms.size(); place > 0;) {
            row -= alarms[--place].Rows();
            if (&alarms[place] == &a) break;
        }
        return row;
    }

    // Kind 1, under the node cap; returns the new alarm's row (-1 when it was there).
    int AddAlarm(int32_t id, QString title, int image) {
        while (m_Rows > kTreeNodeCap && !alarms.empty()) {
            const int rows = alarms.front().Rows();
            beginRemoveRows({}, 0, rows - 1);
            m_Rows -= rows;
            m_ById.erase(alarms.front().id);
            alarms.pop_front();
            ++m_Front;
            endRemoveRows();
        }
        if (m_ById.count(id)) return -1;
        const int row = m_Rows;
        beginInsertRows({}, row, row);
        alarms.push_back({id, std::move(title), image, {}});
        m_ById[id] = m_Next++;
        ++m_Rows;
        endInsertRows();
        return row;
    }
    int AddLine(Alarm& a, QString text, int image) {
        const int alarmRow = RowOf(a);
        const int withLines = AlarmImageWithLines(a.image);
        if (withLines != a.image) {
            a.image = withLines;
            emit dataChanged(index(alarmRow, 0, {}), index(alarmRow, 0, {}), {Qt::DecorationRole});
        }
        const int row = alarmRow + a.Rows();
        beginInsertRows({}, row, row);
        a.lines.push_back({std::move(text), image});
        ++m_Rows;
        endInsertRows();
        return row;
    }
    void UpdateLine(Alarm& a, int line, QString text, int image) {
        Line& l = a.lines[static_cast<std::size_t>(line)];
        if (!(image == 8 && (l.image == 6 || l.image == 7 || l.image == 15))) l.image = image;
        if (!text.isEmpty()) l.text = std::move(text);
        const QModelIndex at = index(RowOf(a) + 1 + line, 0, {});
        emit dataChanged(at, at);
    }

    std::deque<Alarm> alarms;

private:
    std::vector<QIcon> m_Icons;
    std::unordered_map<int32_t, uint64_t> m_ById;
    uint64_t m_Front = 0, m_Next = 0;
    int m_Rows = 0;
};

// Draws a line indented under its alarm, as a tree draws a child.
class LineIndent final : public QStyledItemDelegate {
public:
    LineIndent(const AlarmModel& model, const QTreeView& view) : m_Model(model), m_View(view) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (!m_Model.IsLine(index.row())) return QStyledItemDelegate::paint(painter, option, index);
        QStyleOptionViewItem indented(option);
        indented.rect.setLeft(option.rect.left() + m_View.indentation());
        QStyledItemDelegate::paint(painter, indented, index);
    }

private:
    const AlarmModel& m_Model;
    const QTreeView& m_View;
};

class EventsFloor final : public BareClient {
public:
    EventsFloor() : m_Indent(m_Model, m_View) {
        // Looks as the viewer's tree does: no header, no fold arrows.
        m_View.setHeaderHidden(true);
        m_View.setUniformRowHeights(true);
        m_View.setRootIsDecorated(false);
        m_View.setItemDelegate(&m_Indent);
        m_View.setModel(&m_Model);
        m_View.resize(kWidth, kHeight);
        m_View.show();
    }
    bool Shows(const Workload& w) const override {
        return !m_Model.alarms.empty() && m_Model.alarms.back().id == w.sentinel;
    }

protected:
    void Message(MessageType type, std::string_view body) override {
        if (type == MessageType::MsgAlarmEventList) {
            const AlarmList list(body);
            m_Model.Clear();
            return;
        }
        if (type != MessageType::MsgAlarmEventUpdate) return;
        const std::optional<AlarmUpdate> u = ParseAlarmUpdate(body);
        if (!u) return;
        if (u->Kind == kAlarmAdded) {
            if (m_Model.AddAlarm(u->Identity, platform::ToQString(u->Title), AlarmImage(u->Icon)) >= 0) {
                m_LastId = u->Identity;
                m_LastLine = -1;
                m_HasLast = true;
            }
            return;
        }
        AlarmModel::Alarm* a = m_Model.Find(u->Identity);
        if (!a) return;
        if (u->Kind == kLineAdded) {
            m_Model.AddLine(*a, platform::ToQString(u->LineText), u->Icon);
            m_LastId = u->Identity;
            m_LastLine = static_cast<int>(a->lines.size()) - 1;
            m_HasLast = true;
        } else if (u->Kind == kLineUpdated && u->LineIndex >= 0 && u->LineIndex < static_cast<int>(a->lines.size())) {
            m_Model.UpdateLine(*a, u->LineIndex, platform::ToQString(u->LineText), u->Icon);
        }
    }
    // The newest node of the read scrolled into view once, found again by its alarm (the
    // cap may have removed it since).
    void EndOfRead() override {
        if (!m_HasLast) return;
        m_HasLast = false;
        if (const AlarmModel::Alarm* a = m_Model.Find(m_LastId))
            m_View.scrollTo(m_Model.index(m_Model.RowOf(*a) + 1 + m_LastLine, 0, {}));
    }

private:
    AlarmModel m_Model;
    QTreeView m_View;
    LineIndent m_Indent;
    bool m_HasLast = false;
    int32_t m_LastId = 0;
    int m_LastLine = -1;
};

// --- The benchmarks ---------------------------------------------------------------------

struct Worst {
    double holdMs = 0;
    double delayMs = 0;
};
std::map<std::string, Worst> g_Worst;

template <class Make>
Client& Get(Make make) {
    static Client* client = make();
    return *client;
}

void Run(benchmark::State& st, const std::string& name, Client& client, WorkloadId reset, WorkloadId stream) {
    const Workload& w = g_Workloads[stream];
    Worst& worst = g_Worst[name];
    for (auto _ : st) {
        Result r;
        if (!Ask({'W', client.conn, reset}, r) || r.answered != r.keepAlives) st.SkipWithError("reset not handled");
        Settle(50);
        double hold = 0;
        {
            HoldProbe probe;
            if (!Ask({'W', client.conn, stream}, r)) st.SkipWithError("no answer from the server");
            hold = probe.LongestMs();
        }
        st.SetIterationTime(static_cast<double>(r.totalNs) / 1e9);
        if (r.answered != r.keepAlives) st.SkipWithError("keep-alives not answered");
        Settle(20);
        if (!client.Shows(w)) st.SkipWithError("the view does not show the stream's end");
        worst.holdMs = std::max(worst.holdMs, hold);
        worst.delayMs = std::max(worst.delayMs, static_cast<double>(r.worstDelayNs) / 1e6);
        st.counters["hold_ms"] = hold;
        st.counters["keepalive_delay_ms"] = static_cast<double>(r.worstDelayNs) / 1e6;
    }
}

void SysLogControl(benchmark::State& st, const std::string& name, WorkloadId stream) {
    Run(st, name, Get([] { return static_cast<Client*>(new SysLogClient); }), LogResetW, stream);
}
void SysLogFloor(benchmark::State& st, const std::string& name, WorkloadId stream) {
    Run(st, name, Get([] { return (new LogFloor)->Start(); }), LogResetW, stream);
}
void EventsControl(benchmark::State& st, const std::string& name, WorkloadId stream) {
    Run(st, name, Get([] { return static_cast<Client*>(new EventsClient); }), EventResetW, stream);
}
void EventsFloorRun(benchmark::State& st, const std::string& name, WorkloadId stream) {
    Run(st, name, Get([] { return (new EventsFloor)->Start(); }), EventResetW, stream);
}

long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, n, field) == 0) return std::stol(line.substr(n + 1));
    return -1;
}

// A server that floods keep-alives and never reads: the peak resident memory of this
// process until the control drops the connection.
double g_FloodGrowth = -1;
double g_FloodWritten = 0;

void FloodNeverRead(benchmark::State& st) {
    for (auto _ : st) {
        MemorySettingsStore store;
        ClientState state;
        state.SettingsStore = &store;
        auto control = std::make_unique<SysLog>(state);
        control->resize(kWidth, kHeight);
        control->show();
        Result r;
        // A connection whose answers the child never reads.
        if (!Ask({'A', 0, 0}, r, [&] {
                control->setProperty("ServerPort", g_Child.port);
                control->setProperty("ServerAddress", "127.0.0.1");
            }))
            st.SkipWithError("not connected");
        Settle(300);
        {
            std::ofstream clear("/proc/self/clear_refs");
            clear << "5";
        }
        const double before = StatusKb("VmRSS") * 1024.0;
        QElapsedTimer clock;
        clock.start();
        if (!Ask({'F', r.answered, 0}, r)) st.SkipWithError("the flood did not end");
        st.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        const double peak = StatusKb("VmHWM") * 1024.0;
        Settle(50);
        const auto* label = control->findChild<platform::StatusLabel*>("Label_Disconnected");
        if (control->IsConnected() || label->isHidden() || !label->text().startsWith("Disconnected from 127.0.0.1:"))
            st.SkipWithError("the connection was not dropped and shown");
        g_FloodGrowth = std::max(g_FloodGrowth, peak - before);
        st.counters["growth_MB"] = (peak - before) / 1e6;
        st.counters["flood_MB"] = static_cast<double>(r.bytes) / 1e6;
        g_FloodWritten = std::max(g_FloodWritten, static_cast<double>(r.bytes));
        control.reset();
        Settle(50);
    }
}

} // namespace

int main(int argc, char** argv) {
    g_Workloads.resize(WorkloadCount);
    g_Workloads[LogResetW] = LogReset();
    g_Workloads[Log100k] = LogStream(100000);
    g_Workloads[Log1M] = LogStream(1000000);
    g_Workloads[EventResetW] = EventReset();
    g_Workloads[Event100k] = EventStream(100000);
    g_Workloads[Event1M] = EventStream(1000000);

    // The child is made before anything of Qt exists, on a core of its own.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int commands[2], results[2];
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 4) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe(commands) != 0 || ::pipe(results) != 0) {
        std::perror("server socket");
        return 1;
    }
    g_Child.port = ntohs(address.sin_port);
    const int cpu = sched_getcpu();
    g_Child.pid = ::fork();
    if (g_Child.pid == 0) {
        ::close(commands[1]);
        ::close(results[0]);
        PinAwayFrom(cpu);
        ServeChild(listener, commands[0], results[1]);
    }
    ::close(commands[0]);
    ::close(results[1]);
    ::close(listener);
    g_Child.commands = commands[1];
    g_Child.results = results[0];
    ::fcntl(g_Child.results, F_SETFL, O_NONBLOCK);
    bench::PinToCurrentCore();

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KORVEL_SYSTEM_CONFIG", "/nonexistent/korvel-bench.conf");
    QApplication app(argc, argv);

    struct Case {
        const char* name;
        void (*run)(benchmark::State&, const std::string&, WorkloadId);
        WorkloadId stream;
        int repetitions;
    };
    const Case cases[] = {
        {"syslog/control/100000", SysLogControl, Log100k, 5},   {"syslog/floor/100000", SysLogFloor, Log100k, 5},
        {"syslog/control/1000000", SysLogControl, Log1M, 3},    {"syslog/floor/1000000", SysLogFloor, Log1M, 3},
        {"events/control/100000", EventsControl, Event100k, 5}, {"events/floor/100000", EventsFloorRun, Event100k, 5},
        {"events/control/1000000", EventsControl, Event1M, 3},  {"events/floor/1000000", EventsFloorRun, Event1M, 3},
    };
    // The flood first, while the heap holds no memory freed by earlier runs that the
    // write buffer could take without growing the resident set.
    benchmark::RegisterBenchmark("flood/never_reads", FloodNeverRead)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
    for (const Case& c : cases)
        benchmark::RegisterBenchmark(c.name, c.run, std::string(c.name), c.stream)
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(c.repetitions);
    benchmark::Initialize(&argc, argv);
    bench::FastestRepetition fastest(bench::Clock::Real);
    benchmark::RunSpecifiedBenchmarks(&fastest);

    const Command quit{'Q', 0, 0};
    (void)!::write(g_Child.commands, &quit, sizeof quit);

    bool ok = true;
    auto report = [&](const std::string& what, double ratio, double goal) {
        const bool pass = ratio >= 0 && ratio <= goal;
        std::printf("ratio %-56s %7.2f  goal <= %-4.1f %s\n", what.c_str(), ratio, goal, pass ? "PASS" : "FAIL");
        ok = ok && pass;
    };
    std::printf("\n");
    const double budget = shell::Component::kSliceBudgetMs;
    for (const char* view : {"syslog", "events"}) {
        for (const char* n : {"100000", "1000000"}) {
            const std::string control = std::string(view) + "/control/" + n, floor = std::string(view) + "/floor/" + n;
            if (!g_Worst.count(control) || !g_Worst.count(floor)) continue;
            report(std::string(view) + " total control / floor, " + n, fastest.Seconds(control) / fastest.Seconds(floor), 2.0);
            report(std::string(view) + " longest hold / slice budget, " + n, g_Worst[control].holdMs / budget, 3.0);
            std::printf("(%s %s: control %.0f ms, floor %.0f ms; worst keep-alive delay control %.0f ms, floor %.0f ms; "
                        "floor's longest hold %.1f ms)\n",
                        view, n, fastest.Seconds(control) * 1e3, fastest.Seconds(floor) * 1e3, g_Worst[control].delayMs,
                        g_Worst[floor].delayMs, g_Worst[floor].holdMs);
        }
    }
    if (g_FloodGrowth >= 0) {
        const double cap = static_cast<double>(platform::SocketControl::kMaxPendingSendBytes);
        report("flood that is never read: resident growth / send cap", g_FloodGrowth / cap, 3.0);
        std::printf("(growth %.1f MB, cap %.1f MB, the server wrote %.1f MB)\n", g_FloodGrowth / 1e6, cap / 1e6,
                    g_FloodWritten / 1e6);
    }
    std::fflush(stdout);
    ::waitpid(g_Child.pid, nullptr, 0);
    return ok ? 0 : 1;
}
