#include "controls/events/eventtree.h"

#include "controls/events/eventicons.h"
#include "core/keyedcollection.h"
#include "platform/qtext.h"

#include <QHeaderView>
#include <QMouseEvent>

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
    clearNodes();
    hide();
    // Only the last node added is revealed: once, when the list is in (or at the end of
    // the read that brought it).
    const bool outer = !m_Batching;
    m_Batching = true;
    int32_t identity = 0;
    int16_t index = 0;
    alarms.ForEach(
        [&](const AlarmList::Alarm& a) {
            identity = a.Identity;
            index = 0;
            AddOrUpdateEventNode(a.Record, kAlarmAdded, a.Identity, 0, a.Icon, a.Title);
        },
        [&](const AlarmList::Line& l) { AddOrUpdateEventNode(l.Text, kLineAdded, identity, index++, l.Icon, {}); });
    show();
    if (outer) EndBatch();
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
