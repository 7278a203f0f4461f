#include "controls/events/eventtree.h"

#include "controls/events/eventicons.h"
#include "core/keyedcollection.h"
#include "platform/qtext.h"

#include <QHeaderView>
#include <QMouseEvent>

#include <deque>
#include <unordered_map>

namespace korvel::events {
namespace {

constexpr int kAlarmNodeType = QTreeWidgetItem::UserType + 1;
constexpr int kLineNodeType = QTreeWidgetItem::UserType + 2;

// A node that remembers the number of its image (0: none).
class EventNode : public QTreeWidgetItem {
public:
    explicit EventNode(int type) : QTreeWidgetItem(type) {}
    int image = 0;
};

class AlarmNode final : public EventNode {
public:
    AlarmNode(int32_t id, Bytes rec) : EventNode(kAlarmNodeType), identity(id), record(std::move(rec)) {}
    int32_t identity;
    Bytes record;
};

const EventNode* AsEventNode(const QTreeWidgetItem* node) {
    if (!node || (node->type() != kAlarmNodeType && node->type() != kLineNodeType)) return nullptr;
    return static_cast<const EventNode*>(node);
}

const AlarmNode* AsAlarmNode(const QTreeWidgetItem* node) {
    return node && node->type() == kAlarmNodeType ? static_cast<const AlarmNode*>(node) : nullptr;
}

int ButtonNumber(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

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

EventTree::EventTree(QWidget* parent) : QTreeWidget(parent) {
    setObjectName("TreeView_Event");
    setColumnCount(1);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setExpandsOnDoubleClick(false);
    // Alarm nodes never stay collapsed, so they show no fold arrow either.
    setRootIsDecorated(false);
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* node) { expandItem(node); });
}

QTreeWidgetItem* EventTree::FindAlarm(int32_t identity) const {
    auto it = m_Alarms.find(identity);
    return it == m_Alarms.end() ? nullptr : it->second;
}

QString EventTree::Key(const QTreeWidgetItem* node) {
    const AlarmNode* alarm = AsAlarmNode(node);
    return alarm ? QString::fromStdString(RecordKey(alarm->identity)) : QString();
}

Bytes EventTree::Record(const QTreeWidgetItem* node) {
    const AlarmNode* alarm = AsAlarmNode(node);
    return alarm ? alarm->record : Bytes();
}

int EventTree::Image(const QTreeWidgetItem* node) {
    const EventNode* n = AsEventNode(node);
    return n ? n->image : 0;
}

void EventTree::setImage(QTreeWidgetItem* node, int image) {
    static_cast<EventNode*>(node)->image = image;
    node->setIcon(0, EventIcons().Icon(image));
}

void EventTree::reveal(QTreeWidgetItem* node) {
    if (m_Batching) m_LastRevealed = node;
    else scrollToItem(node);
}

void EventTree::EndBatch() {
    m_Batching = false;
    QTreeWidgetItem* last = m_LastRevealed;
    m_LastRevealed = nullptr;
    if (last) scrollToItem(last);
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
    const int index = m_SortDescending ? topLevelItemCount() - 1 : 0;
    QTreeWidgetItem* oldest = takeTopLevelItem(index);
    if (!oldest) return;
    m_NodeCount -= 1 + oldest->childCount();
    if (const AlarmNode* alarm = AsAlarmNode(oldest)) m_Alarms.erase(alarm->identity);
    if (m_LastRevealed && (m_LastRevealed == oldest || m_LastRevealed->parent() == oldest))
        m_LastRevealed = nullptr;
    delete oldest;
}

void EventTree::addAlarm(std::string_view record, int32_t identity, int16_t icon, std::string_view title) {
    while (m_NodeCount > kTreeNodeCap && topLevelItemCount() > 0) removeOldestAlarm();
    if (m_Alarms.count(identity)) return;

    auto* node = new AlarmNode(identity, Bytes(record));
    node->setText(0, platform::ToQString(title));
    setImage(node, AlarmImage(icon));
    if (m_SortDescending && topLevelItemCount() > 0) insertTopLevelItem(0, node);
    else addTopLevelItem(node);
    m_Alarms.emplace(identity, node);
    ++m_NodeCount;
    reveal(node);
}

void EventTree::addLine(int32_t identity, int16_t icon, std::string_view text) {
    QTreeWidgetItem* alarm = FindAlarm(identity);
    if (!alarm) return;
    setImage(alarm, AlarmImageWithLines(Image(alarm)));
    auto* line = new EventNode(kLineNodeType);
    line->setText(0, platform::ToQString(text));
    setImage(line, icon);
    alarm->addChild(line);
    ++m_NodeCount;
    alarm->setExpanded(true);
    reveal(line);
}

void EventTree::updateLine(int32_t identity, int16_t lineIndex, int16_t icon, std::string_view text) {
    QTreeWidgetItem* alarm = FindAlarm(identity);
    if (!alarm || lineIndex < 0 || lineIndex >= alarm->childCount()) return;
    QTreeWidgetItem* line = alarm->child(lineIndex);
    const int current = Image(line);
    if (!(icon == 8 && (current == 6 || current == 7 || current == 15))) setImage(line, icon);
    if (!text.empty()) line->setText(0, platform::ToQString(text));
}

void EventTree::clearNodes() {
    clear();
    m_Alarms.clear();
    m_NodeCount = 0;
    m_LastRevealed = nullptr;
}

void EventTree::LoadList(const AlarmList& alarms) {
    // Adding every alarm and line of a long list one by one, only for the node cap to
    // remove most of them again, would make and drop a tree node per entry. The list is
    // first played through on a plain model of the tree (the same steps: cap, repeated
    // identities, lines joining their alarm, order, which node was added last), and only
    // the nodes that remain are made. The tree ends exactly as adding the entries in turn
    // would leave it.
    struct Kept {
        AlarmList::Alarm alarm;                // the entry that made the node
        std::vector<AlarmList::Line> lines;    // every line it received, in order
    };
    std::deque<Kept> kept; // top-level order
    std::unordered_map<int32_t, Kept*> byIdentity;
    long long nodes = 0;
    Kept* lastAlarm = nullptr;       // the node added last: an alarm, or its line
    std::size_t lastLine = 0;        // 0: the alarm itself, else line lastLine - 1
    Kept* current = nullptr;         // the alarm the current entry's lines go to

    alarms.ForEach(
        [&](const AlarmList::Alarm& a) {
            while (nodes > kTreeNodeCap && !kept.empty()) {
                Kept& oldest = m_SortDescending ? kept.back() : kept.front();
                nodes -= 1 + static_cast<long long>(oldest.lines.size());
                byIdentity.erase(oldest.alarm.Identity);
                if (lastAlarm == &oldest) lastAlarm = nullptr;
                if (m_SortDescending) kept.pop_back();
                else kept.pop_front();
            }
            if (auto it = byIdentity.find(a.Identity); it != byIdentity.end()) {
                current = it->second; // a repeated identity adds nothing; its lines join
                return;
            }
            Kept& added = m_SortDescending && !kept.empty() ? kept.emplace_front() : kept.emplace_back();
            added.alarm = a;
            byIdentity.emplace(a.Identity, &added);
            ++nodes;
            current = lastAlarm = &added;
            lastLine = 0;
        },
        [&](const AlarmList::Line& l) {
            current->lines.push_back(l);
            ++nodes;
            lastAlarm = current;
            lastLine = current->lines.size();
        });

    clearNodes();
    hide();
    QList<QTreeWidgetItem*> top;
    top.reserve(static_cast<qsizetype>(kept.size()));
    QTreeWidgetItem* last = nullptr;
    for (const Kept& k : kept) {
        auto* node = new AlarmNode(k.alarm.Identity, Bytes(k.alarm.Record));
        node->setText(0, platform::ToQString(k.alarm.Title));
        const int image = AlarmImage(k.alarm.Icon);
        setImage(node, k.lines.empty() ? image : AlarmImageWithLines(image));
        QList<QTreeWidgetItem*> children;
        children.reserve(static_cast<qsizetype>(k.lines.size()));
        for (const AlarmList::Line& l : k.lines) {
            auto* line = new EventNode(kLineNodeType);
            line->setText(0, platform::ToQString(l.Text));
            setImage(line, l.Icon);
            children.push_back(line);
        }
        node->addChildren(children);
        m_Alarms.emplace(k.alarm.Identity, node);
        if (&k == lastAlarm) last = lastLine == 0 ? node : children[static_cast<qsizetype>(lastLine - 1)];
        top.push_back(node);
    }
    addTopLevelItems(top);
    for (QTreeWidgetItem* node : top)
        if (node->childCount() > 0) node->setExpanded(true);
    m_NodeCount = static_cast<int>(nodes);

    // Only the last node added is revealed: once, when the list is in (or at the end of
    // the read that brought it).
    show();
    if (last) reveal(last);
}

void EventTree::LoadList(const std::vector<AlarmEntry>& alarms) {
    const Bytes body = BuildAlarmList(alarms);
    LoadList(AlarmList(body));
}

void EventTree::mousePressEvent(QMouseEvent* event) {
    m_TreeButton = ButtonNumber(event->button());
    QTreeWidget::mousePressEvent(event);
}

void EventTree::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    TreeView_Event_DblClick();
}

void EventTree::TreeView_Event_DblClick() {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty() || m_TreeButton != 1 || !m_OpenDetails) return;
    QTreeWidgetItem* node = selected.front();
    if (node->parent()) node = node->parent();
    m_OpenDetails(Record(node));
}

} // namespace korvel::events
