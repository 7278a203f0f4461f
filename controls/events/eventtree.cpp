#include "controls/events/eventtree.h"

#include "controls/events/eventicons.h"
#include "core/keyedcollection.h"
#include "platform/lastresort.h"
#include "platform/qtext.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

#include <algorithm>
#include <deque>
#include <memory>
#include <unordered_map>

namespace korvel::events {
namespace {

int ButtonNumber(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

// Running sums over the slots of the alarms (a Fenwick tree): the rows before a slot and
// the slot that holds a row, each in O(log slots). A slot no alarm holds counts 0. The
// number of slots is a power of two.
class RowSums {
public:
    void Reset(const std::vector<int64_t>& sizes) {
        const std::size_t n = sizes.size();
        m_Tree.assign(n + 1, 0);
        for (std::size_t i = 1; i <= n; ++i) {
            m_Tree[i] += sizes[i - 1];
            const std::size_t up = i + (i & (~i + 1));
            if (up <= n) m_Tree[up] += m_Tree[i];
        }
    }
    int Slots() const { return static_cast<int>(m_Tree.size()) - 1; }
    void Add(int slot, int64_t delta) {
        const std::size_t n = m_Tree.size() - 1;
        for (std::size_t i = static_cast<std::size_t>(slot) + 1; i <= n; i += i & (~i + 1)) m_Tree[i] += delta;
    }
    // Rows in the slots before this one.
    int64_t Before(int slot) const {
        int64_t sum = 0;
        for (std::size_t i = static_cast<std::size_t>(slot); i > 0; i -= i & (~i + 1)) sum += m_Tree[i];
        return sum;
    }
    // The slot holding the row (the row is below the total).
    int SlotOf(int64_t row) const {
        const std::size_t n = m_Tree.size() - 1;
        std::size_t position = 0;
        for (std::size_t step = n; step > 0; step >>= 1)
            if (position + step <= n && m_Tree[position + step] <= row) {
                position += step;
                row -= m_Tree[position];
            }
        return static_cast<int>(position);
    }

private:
    std::vector<int64_t> m_Tree; // 1-based
};

// The alarms standing while a list is played through, by identity: open addressing with
// linear probing, a removal closing its gap, so it holds only the alarms the cap lets
// stand (at most half full for the number it was made for).
class IdentityTable {
public:
    explicit IdentityTable(std::size_t most) {
        while ((std::size_t{1} << m_Bits) < 2 * most) ++m_Bits;
        m_Cells.assign(std::size_t{1} << m_Bits, Cell{});
    }
    // The number stored with the identity, or -1.
    int64_t Find(int32_t identity) const {
        for (std::size_t at = home(identity);; at = step(at)) {
            const Cell& c = m_Cells[at];
            if (c.number < 0) return -1;
            if (c.identity == identity) return c.number;
        }
    }
    // The identity is not in the table.
    void Add(int32_t identity, int64_t number) {
        std::size_t at = home(identity);
        while (m_Cells[at].number >= 0) at = step(at);
        m_Cells[at] = Cell{identity, number};
    }
    // The identity is in the table.
    void Remove(int32_t identity) {
        std::size_t hole = home(identity);
        while (m_Cells[hole].identity != identity || m_Cells[hole].number < 0) hole = step(hole);
        m_Cells[hole] = Cell{};
        // The cells after it that probed past it move back.
        const std::size_t mask = m_Cells.size() - 1;
        for (std::size_t at = step(hole); m_Cells[at].number >= 0; at = step(at)) {
            if (((at - home(m_Cells[at].identity)) & mask) >= ((at - hole) & mask)) {
                m_Cells[hole] = m_Cells[at];
                m_Cells[at] = Cell{};
                hole = at;
            }
        }
    }

private:
    struct Cell {
        int32_t identity = 0;
        int64_t number = -1; // -1: free
    };
    std::size_t home(int32_t identity) const {
        return static_cast<std::size_t>((static_cast<uint64_t>(static_cast<uint32_t>(identity)) * 0x9E3779B97F4A7C15ull) >>
                                        (64 - m_Bits));
    }
    std::size_t step(std::size_t at) const { return (at + 1) & (m_Cells.size() - 1); }
    unsigned m_Bits = 4;
    std::vector<Cell> m_Cells;
};

} // namespace

// The alarms in the order they are shown, and the model the tree shows them through:
// one row per node, an alarm's lines right after it.
class AlarmModel final : public QAbstractItemModel {
public:
    struct Line {
        Bytes text;
        int image = 0;
    };
    struct Alarm {
        int32_t identity = 0;
        Bytes record;
        Bytes title;
        int image = 0;
        std::vector<Line> lines;
        int64_t sequence = 0; // its place: alarms shown one after another have consecutive numbers
        int64_t Rows() const { return 1 + static_cast<int64_t>(lines.size()); }
    };
    // A node: its alarm, and the line (-1: the alarm itself).
    struct Node {
        Alarm* alarm = nullptr;
        int line = -1;
    };

    static const AlarmModel* Of(const QModelIndex& index) { return dynamic_cast<const AlarmModel*>(index.model()); }

    int AlarmCount() const { return static_cast<int>(m_Alarms.size()); }
    Alarm* Find(int32_t identity) const {
        auto it = m_ById.find(identity);
        return it == m_ById.end() ? nullptr : it->second;
    }
    Alarm* At(int place) const {
        return place >= 0 && place < AlarmCount() ? m_Alarms[static_cast<std::size_t>(place)].get() : nullptr;
    }
    int PlaceOf(const Alarm* alarm) const { return static_cast<int>(alarm->sequence - m_Alarms.front()->sequence); }
    int RowOf(const Alarm* alarm) const { return static_cast<int>(m_Sums.Before(slotOf(alarm))); }
    Node NodeAt(int row) const {
        if (row < 0 || row >= m_Rows) return {};
        const int slot = m_Sums.SlotOf(row);
        Alarm* alarm = m_Alarms[static_cast<std::size_t>(m_SlotBase + slot - m_Alarms.front()->sequence)].get();
        return {alarm, static_cast<int>(row - m_Sums.Before(slot)) - 1};
    }
    Node NodeOf(const QModelIndex& index) const {
        return index.isValid() && index.model() == this ? NodeAt(index.row()) : Node{};
    }
    QModelIndex IndexOf(const Alarm* alarm, int line = -1) const {
        return alarm ? createIndex(RowOf(alarm) + 1 + line, 0) : QModelIndex();
    }

    Alarm* Add(bool atTop, int32_t identity, Bytes record, Bytes title, int image) {
        auto owned = std::make_unique<Alarm>();
        Alarm* alarm = owned.get();
        alarm->identity = identity;
        alarm->record = std::move(record);
        alarm->title = std::move(title);
        alarm->image = image;
        alarm->sequence = m_Alarms.empty() ? 0 : atTop ? m_Alarms.front()->sequence - 1 : m_Alarms.back()->sequence + 1;
        const int row = atTop ? 0 : m_Rows;
        beginInsertRows({}, row, row);
        if (atTop) m_Alarms.push_front(std::move(owned));
        else m_Alarms.push_back(std::move(owned));
        m_ById.emplace(identity, alarm);
        if (!fits(alarm->sequence)) respace();
        else m_Sums.Add(slotOf(alarm), 1);
        ++m_Rows;
        endInsertRows();
        return alarm;
    }

    void AddLine(Alarm* alarm, Bytes text, int image) {
        const int row = RowOf(alarm) + static_cast<int>(alarm->Rows());
        beginInsertRows({}, row, row);
        alarm->lines.push_back({std::move(text), image});
        m_Sums.Add(slotOf(alarm), 1);
        ++m_Rows;
        endInsertRows();
    }

    void SetImage(Alarm* alarm, int line, int image) {
        int& current = line < 0 ? alarm->image : alarm->lines[static_cast<std::size_t>(line)].image;
        if (current == image) return;
        current = image;
        changed(alarm, line, Qt::DecorationRole);
    }

    void SetLineText(Alarm* alarm, int line, Bytes text) {
        alarm->lines[static_cast<std::size_t>(line)].text = std::move(text);
        changed(alarm, line, Qt::DisplayRole);
    }

    // Removes the bottom or the top alarm with its lines: its rows, in one step.
    void RemoveEnd(bool bottom) {
        Alarm* alarm = bottom ? m_Alarms.back().get() : m_Alarms.front().get();
        const int first = RowOf(alarm);
        const int64_t rows = alarm->Rows();
        beginRemoveRows({}, first, first + static_cast<int>(rows) - 1);
        m_Sums.Add(slotOf(alarm), -rows);
        m_Rows -= static_cast<int>(rows);
        m_ById.erase(alarm->identity);
        std::unique_ptr<Alarm> gone = std::move(bottom ? m_Alarms.back() : m_Alarms.front());
        if (bottom) m_Alarms.pop_back();
        else m_Alarms.pop_front();
        endRemoveRows();
    }

    // Every alarm replaced by these, in the order they are shown.
    void Reset(std::vector<std::unique_ptr<Alarm>> alarms) {
        beginResetModel();
        m_Alarms.clear();
        m_ById.clear();
        m_Rows = 0;
        int64_t sequence = 0;
        for (auto& alarm : alarms) {
            alarm->sequence = sequence++;
            m_Rows += static_cast<int>(alarm->Rows());
            m_ById.emplace(alarm->identity, alarm.get());
            m_Alarms.push_back(std::move(alarm));
        }
        respace();
        endResetModel();
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override {
        if (parent.isValid() || column != 0 || row < 0 || row >= m_Rows) return {};
        return createIndex(row, 0);
    }
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_Rows; }
    int columnCount(const QModelIndex& = {}) const override { return 1; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole && role != Qt::DecorationRole) return {};
        const Node node = NodeOf(index);
        if (!node.alarm) return {};
        const Line* line = node.line < 0 ? nullptr : &node.alarm->lines[static_cast<std::size_t>(node.line)];
        if (role == Qt::DisplayRole) return platform::ToQString(line ? line->text : node.alarm->title);
        return EventIcons().Icon(line ? line->image : node.alarm->image);
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
    }

private:
    int slotOf(const Alarm* alarm) const { return static_cast<int>(alarm->sequence - m_SlotBase); }
    bool fits(int64_t sequence) const { return sequence >= m_SlotBase && sequence - m_SlotBase < m_Sums.Slots(); }
    // New slots for the alarms, with room at both ends (a quarter of the slots or more),
    // so that this happens once per so many added alarms.
    void respace() {
        const int64_t count = AlarmCount();
        int64_t room = 64;
        while (room < 4 * (count + 1)) room *= 2;
        const int64_t first = m_Alarms.empty() ? 0 : m_Alarms.front()->sequence;
        m_SlotBase = first - (room - count) / 2;
        std::vector<int64_t> sizes(static_cast<std::size_t>(room), 0);
        for (const auto& alarm : m_Alarms) sizes[static_cast<std::size_t>(slotOf(alarm.get()))] = alarm->Rows();
        m_Sums.Reset(sizes);
    }
    void changed(const Alarm* alarm, int line, int role) {
        const QModelIndex at = IndexOf(alarm, line);
        emit dataChanged(at, at, {role});
    }

    std::deque<std::unique_ptr<Alarm>> m_Alarms; // as shown, top first
    std::unordered_map<int32_t, Alarm*> m_ById;
    RowSums m_Sums;
    int64_t m_SlotBase = 0; // the sequence number of slot 0
    int m_Rows = 0;
};

namespace {

// Draws a line as a tree draws a child of a top-level node: indented by the view's
// indentation, the branch area left of it painted as the style paints a child's (the
// selection where the style carries it there, and the branch indicator).
class LineDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const auto* view = qobject_cast<const QTreeView*>(option.widget);
        const AlarmModel* model = AlarmModel::Of(index);
        const AlarmModel::Node node = model ? model->NodeOf(index) : AlarmModel::Node{};
        if (!view || !node.alarm || node.line < 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const int indent = view->indentation();
        const bool reverse = option.direction == Qt::RightToLeft;
        QStyle* style = view->style();
        QRect branch(reverse ? option.rect.right() - indent + 1 : option.rect.left(), option.rect.top(), indent,
                     option.rect.height());

        QStyleOptionViewItem area = option;
        area.rect = branch;
        if (style->styleHint(QStyle::SH_ItemView_ShowDecorationSelected, &area, view))
            style->drawPrimitive(QStyle::PE_PanelItemViewRow, &area, painter, view);

        QStyleOptionViewItem indicator = option;
        indicator.rect = branch;
        const bool moreLines = node.line + 1 < static_cast<int>(node.alarm->lines.size());
        indicator.state = QStyle::State_Item | (option.state & (QStyle::State_Enabled | QStyle::State_Selected)) |
                          (view->hasFocus() ? QStyle::State_Active : QStyle::State_None) |
                          (moreLines ? QStyle::State_Sibling : QStyle::State_None);
        indicator.state.setFlag(QStyle::State_MouseOver,
                                option.showDecorationSelected && option.state.testFlag(QStyle::State_MouseOver));
        style->drawPrimitive(QStyle::PE_IndicatorBranch, &indicator, painter, view);

        QStyleOptionViewItem item = option;
        if (reverse) item.rect.setRight(option.rect.right() - indent);
        else item.rect.setLeft(option.rect.left() + indent);
        QStyledItemDelegate::paint(painter, item, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const AlarmModel* model = AlarmModel::Of(index);
        const auto* view = qobject_cast<const QTreeView*>(option.widget);
        if (model && view && model->NodeOf(index).line >= 0) size.rwidth() += view->indentation();
        return size;
    }
};

} // namespace

int AlarmImage(int16_t iconCode) {
    switch (iconCode) {
    case 0: return 9;
    case 1: return 11;
    case 2: return 13;
    case 3: return 1;
    default: return 0;
    }
}

int AlarmImageWithLines(int image) {
    switch (image) {
    case 9: return 10;
    case 11: return 12;
    case 13: return 14;
    case 1: return 2;
    default: return image;
    }
}

EventTree::EventTree(QWidget* parent) : QTreeView(parent), m_Model(new AlarmModel) {
    m_Model->setParent(this);
    setModel(m_Model);
    setItemDelegate(new LineDelegate(this));
    setObjectName("TreeView_Event");
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setExpandsOnDoubleClick(false);
    // An alarm never closes, so the tree shows no fold arrows either.
    setRootIsDecorated(false);
}

EventTree::~EventTree() = default;

int EventTree::AlarmCount() const { return m_Model->AlarmCount(); }

QModelIndex EventTree::FindAlarm(int32_t identity) const { return m_Model->IndexOf(m_Model->Find(identity)); }

QModelIndex EventTree::AlarmAt(int place) const { return m_Model->IndexOf(m_Model->At(place)); }

QModelIndex EventTree::Line(const QModelIndex& alarm, int index) const {
    const AlarmModel::Node node = m_Model->NodeOf(alarm);
    if (!node.alarm || node.line >= 0 || index < 0 || index >= static_cast<int>(node.alarm->lines.size())) return {};
    return m_Model->IndexOf(node.alarm, index);
}

int EventTree::LineCount(const QModelIndex& alarm) const {
    const AlarmModel::Node node = m_Model->NodeOf(alarm);
    return node.alarm && node.line < 0 ? static_cast<int>(node.alarm->lines.size()) : 0;
}

QModelIndex EventTree::alarmOf(const QModelIndex& node) const {
    return m_Model->IndexOf(m_Model->NodeOf(node).alarm);
}

QString EventTree::Key(const QModelIndex& node) {
    const AlarmModel* model = AlarmModel::Of(node);
    const AlarmModel::Node n = model ? model->NodeOf(node) : AlarmModel::Node{};
    return n.alarm && n.line < 0 ? QString::fromStdString(RecordKey(n.alarm->identity)) : QString();
}

Bytes EventTree::Record(const QModelIndex& node) {
    const AlarmModel* model = AlarmModel::Of(node);
    const AlarmModel::Node n = model ? model->NodeOf(node) : AlarmModel::Node{};
    return n.alarm && n.line < 0 ? n.alarm->record : Bytes();
}

int EventTree::Image(const QModelIndex& node) {
    const AlarmModel* model = AlarmModel::Of(node);
    const AlarmModel::Node n = model ? model->NodeOf(node) : AlarmModel::Node{};
    if (!n.alarm) return 0;
    return n.line < 0 ? n.alarm->image : n.alarm->lines[static_cast<std::size_t>(n.line)].image;
}

void EventTree::reveal(int32_t identity, int line) {
    if (m_Batching) {
        m_HasReveal = true;
        m_RevealIdentity = identity;
        m_RevealLine = line;
    } else {
        scrollTo(m_Model->IndexOf(m_Model->Find(identity), line));
    }
}

void EventTree::EndBatch() {
    m_Batching = false;
    if (!m_HasReveal) return;
    m_HasReveal = false;
    // Gone with its alarm under the cap: nothing to reveal.
    const AlarmModel::Alarm* alarm = m_Model->Find(m_RevealIdentity);
    if (alarm && m_RevealLine < static_cast<int>(alarm->lines.size())) scrollTo(m_Model->IndexOf(alarm, m_RevealLine));
}

void EventTree::AddOrUpdateEventNode(std::string_view text, int kind, int32_t identity, int16_t lineIndex,
                                     int16_t icon, std::string_view title) {
    switch (kind) {
    case kAlarmAdded: addAlarm(text, identity, icon, title); break;
    case kLineAdded: addLine(identity, icon, text); break;
    case kLineUpdated: updateLine(identity, lineIndex, icon, text); break;
    default: break;
    }
}

void EventTree::Apply(const AlarmUpdate& u) {
    if (u.Kind == kAlarmAdded) AddOrUpdateEventNode(u.Record, u.Kind, u.Identity, 0, u.Icon, u.Title);
    else AddOrUpdateEventNode(u.LineText, u.Kind, u.Identity, u.LineIndex, u.Icon, Bytes());
}

void EventTree::removeOldestAlarm() {
    const bool bottom = m_SortDescending;
    const AlarmModel::Alarm* oldest = m_Model->At(bottom ? AlarmCount() - 1 : 0);
    // The current node goes as it would in a tree: from the alarm to the next alarm (the
    // previous one at the bottom), selected; with a line of the alarm, nothing stays
    // current. Once the current alarm was dropped, the current node stays with the
    // oldest alarm, so this happens at every drop: it is done without telling the view,
    // which would lay out every row to scroll to the new current node and repaint it,
    // while the removal that follows has it lay out and repaint the rows anyway.
    const QModelIndex current = currentIndex();
    const int first = m_Model->RowOf(oldest);
    if (current.isValid() && current.row() >= first && current.row() < first + oldest->Rows()) {
        const int place = m_Model->PlaceOf(oldest);
        const QModelIndex next = current.row() == first ? AlarmAt(bottom ? place - 1 : place + 1) : QModelIndex();
        const QSignalBlocker quiet(selectionModel());
        if (next.isValid())
            selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        else selectionModel()->clear();
    }
    m_NodeCount -= static_cast<int>(oldest->Rows());
    m_Model->RemoveEnd(bottom);
}

void EventTree::addAlarm(std::string_view record, int32_t identity, int16_t icon, std::string_view title) {
    while (m_NodeCount > kTreeNodeCap && AlarmCount() > 0) removeOldestAlarm();
    if (m_Model->Find(identity)) return;
    m_Model->Add(m_SortDescending && AlarmCount() > 0, identity, Bytes(record), Bytes(title), AlarmImage(icon));
    ++m_NodeCount;
    reveal(identity, -1);
}

void EventTree::addLine(int32_t identity, int16_t icon, std::string_view text) {
    AlarmModel::Alarm* alarm = m_Model->Find(identity);
    if (!alarm) return;
    m_Model->SetImage(alarm, -1, AlarmImageWithLines(alarm->image));
    m_Model->AddLine(alarm, Bytes(text), icon);
    ++m_NodeCount;
    reveal(identity, static_cast<int>(alarm->lines.size()) - 1);
}

void EventTree::updateLine(int32_t identity, int16_t lineIndex, int16_t icon, std::string_view text) {
    AlarmModel::Alarm* alarm = m_Model->Find(identity);
    if (!alarm || lineIndex < 0 || lineIndex >= static_cast<int>(alarm->lines.size())) return;
    const int current = alarm->lines[static_cast<std::size_t>(lineIndex)].image;
    if (!(icon == 8 && (current == 6 || current == 7 || current == 15))) m_Model->SetImage(alarm, lineIndex, icon);
    if (!text.empty()) m_Model->SetLineText(alarm, lineIndex, Bytes(text));
}

void EventTree::LoadList(const AlarmList& alarms) {
    // Adding every alarm and line of a long list one by one, only for the node cap to
    // remove most of them again, would make and drop a node per entry. The list is first
    // played through on the alarms' identities and line counts alone (the same steps:
    // cap, repeated identities, lines joining their alarm, order, which node was added
    // last), and only the nodes that remain are made, from the list. The tree ends
    // exactly as adding the entries in turn would leave it.
    struct Kept {
        uint32_t entry = 0;     // the list's alarm that made the node
        int32_t identity = 0;
        int32_t lines = 0;      // every line it received
        int32_t firstJoin = -1; // the later alarms of its identity that brought lines
        int32_t lastJoin = -1;
    };
    struct Join {
        uint32_t entry = 0;
        int32_t next = -1;
    };
    // The standing alarms are the numbers [oldest, next) in the order they were made,
    // kept in a ring: the cap lets at most kTreeNodeCap + 1 alarms stand.
    const std::size_t size = alarms.Size();
    std::size_t capacity = 1;
    while (capacity < std::min<std::size_t>(size, kTreeNodeCap + 1)) capacity *= 2;
    const std::size_t mask = capacity - 1;
    std::vector<Kept> ring(capacity);
    IdentityTable standing(capacity);
    std::vector<Join> joins;
    int64_t oldest = 0, next = 0;
    long long nodes = 0;
    int64_t last = -1;    // the alarm whose node was added last: the alarm, or its line
    int32_t lastLine = 0; // 0: the alarm itself, else line lastLine - 1

    for (std::size_t i = 0; i < size; ++i) {
        const AlarmList::Alarm a = alarms.At(i);
        while (nodes > kTreeNodeCap && oldest < next) {
            const Kept& gone = ring[static_cast<std::size_t>(oldest) & mask];
            nodes -= 1 + static_cast<long long>(gone.lines);
            standing.Remove(gone.identity);
            if (last == oldest) last = -1;
            ++oldest;
        }
        int64_t current = standing.Find(a.Identity);
        if (current < 0) {
            current = next++;
            ring[static_cast<std::size_t>(current) & mask] = Kept{static_cast<uint32_t>(i), a.Identity};
            standing.Add(a.Identity, current);
            ++nodes;
            last = current;
            lastLine = 0;
        } else if (a.LineCount > 0) { // a repeated identity adds nothing; its lines join
            Kept& k = ring[static_cast<std::size_t>(current) & mask];
            const auto join = static_cast<int32_t>(joins.size());
            joins.push_back({static_cast<uint32_t>(i), -1});
            if (k.lastJoin < 0) k.firstJoin = join;
            else joins[static_cast<std::size_t>(k.lastJoin)].next = join;
            k.lastJoin = join;
        }
        if (a.LineCount > 0) {
            Kept& k = ring[static_cast<std::size_t>(current) & mask];
            k.lines += a.LineCount;
            nodes += a.LineCount;
            last = current;
            lastLine = k.lines;
        }
    }

    hide();
    // In the order shown: new alarms go to the top when sorted descending.
    std::vector<std::unique_ptr<AlarmModel::Alarm>> made;
    made.reserve(static_cast<std::size_t>(next - oldest));
    for (int64_t n = 0; n < next - oldest; ++n) {
        const Kept& k = ring[static_cast<std::size_t>(m_SortDescending ? next - 1 - n : oldest + n) & mask];
        const AlarmList::Alarm entry = alarms.At(k.entry);
        auto alarm = std::make_unique<AlarmModel::Alarm>();
        alarm->identity = k.identity;
        alarm->record = Bytes(entry.Record);
        alarm->title = Bytes(entry.Title);
        const int image = AlarmImage(entry.Icon);
        alarm->image = k.lines == 0 ? image : AlarmImageWithLines(image);
        alarm->lines.reserve(static_cast<std::size_t>(k.lines));
        const auto addLine = [&lines = alarm->lines](const AlarmList::Line& l) { lines.push_back({Bytes(l.Text), l.Icon}); };
        alarms.ForEachLine(k.entry, addLine);
        for (int32_t j = k.firstJoin; j >= 0; j = joins[static_cast<std::size_t>(j)].next)
            alarms.ForEachLine(joins[static_cast<std::size_t>(j)].entry, addLine);
        made.push_back(std::move(alarm));
    }
    m_Model->Reset(std::move(made));
    m_NodeCount = static_cast<int>(nodes);
    m_HasReveal = false;

    // Only the last node added is revealed: once, when the list is in (or at the end of
    // the read that brought it).
    show();
    if (last >= 0) reveal(ring[static_cast<std::size_t>(last) & mask].identity, lastLine - 1);
}

void EventTree::LoadList(const std::vector<AlarmEntry>& alarms) {
    const Bytes body = BuildAlarmList(alarms);
    LoadList(AlarmList(body));
}

void EventTree::mousePressEvent(QMouseEvent* event) {
    m_TreeButton = ButtonNumber(event->button());
    QTreeView::mousePressEvent(event);
}

void EventTree::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    platform::RunGuarded("TreeView_Event_DblClick", [&] { TreeView_Event_DblClick(); });
}

// The arrow keys go from a line to its alarm and from an alarm into its lines where the
// style has them do so in a tree; every other move is the view's own.
QModelIndex EventTree::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex current = currentIndex();
    if (current.isValid() && style()->styleHint(QStyle::SH_ItemView_ArrowKeysNavigateIntoChildren, nullptr, this)) {
        const bool reverse = isRightToLeft();
        const AlarmModel::Node node = m_Model->NodeOf(current);
        if (action == (reverse ? MoveRight : MoveLeft) && node.line >= 0) return alarmOf(current);
        if (action == (reverse ? MoveLeft : MoveRight) && node.alarm && node.line < 0 && !node.alarm->lines.empty())
            return Line(current, 0);
    }
    return QTreeView::moveCursor(action, modifiers);
}

void EventTree::TreeView_Event_DblClick() {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty() || m_TreeButton != 1 || !m_OpenDetails) return;
    m_OpenDetails(Record(alarmOf(selected.front())));
}

} // namespace korvel::events
