#pragma once
// The alarm tree of the event viewer: one alarm node per alarm (key "K" & identity, its
// record as the tag), one line node per line of the alarm, drawn under its alarm. Holds
// at most 1000 nodes before an alarm is added (the oldest alarms go first), keeps a
// running node count, never lets an alarm stay collapsed, and reports a left-button
// double-click on a node with the record of its alarm.
//
// The nodes rest on a model of the tree's own over plain alarms and lines. Its rows are
// the nodes in the order they are shown, alarms and lines on one level; a line is drawn
// indented under its alarm as a tree draws a child, and the arrow keys move between an
// alarm and its lines as they do in a tree. An alarm is therefore always open, and
// dropping the oldest alarm removes its rows and touches no other node: a two-level
// model would have the view keep every open alarm as a persistent index that the model
// renumbers on every removal. A node's row is found through running sums of the alarm
// sizes, so no change walks the alarms.

// moc cannot read the standard library's concepts that these bring in.
#ifndef Q_MOC_RUN
#include "controls/events/eventmessages.h"

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>
#endif

#include <QTreeView>

namespace korvel::events {

inline constexpr int kTreeNodeCap = 1000;

// The image of an alarm node from its icon code (0 when none is set), and that image
// once the alarm has lines.
int AlarmImage(int16_t iconCode);
int AlarmImageWithLines(int image);

class AlarmModel;

class EventTree final : public QTreeView {
    Q_OBJECT
public:
    explicit EventTree(QWidget* parent = nullptr);
    ~EventTree() override;

    // New alarms go to the top (on) or the bottom (off).
    void SetSortDescending(bool on) { m_SortDescending = on; }
    bool SortDescending() const { return m_SortDescending; }

    // The one routine behind messages 143 and 161: kind 1 adds an alarm (text is its
    // record), kind 2 adds a line (text is the line text, the index is not used), kind 4
    // updates the line with that index; other kinds change nothing.
    void AddOrUpdateEventNode(std::string_view text, int kind, int32_t identity, int16_t lineIndex,
                              int16_t icon, std::string_view title);
    void Apply(const AlarmUpdate& update);

    // Message 143: removes every node, hides the tree, adds the alarms with their lines
    // (kind 1 for each alarm, then kind 2 for each of its lines, under the node cap),
    // shows the tree. Only the nodes that remain once the list is in are made.
    void LoadList(const AlarmList& alarms);
    void LoadList(const std::vector<AlarmEntry>& alarms);

    // Between BeginBatch and EndBatch (one socket read's messages) a new node is not
    // scrolled into view at once; EndBatch scrolls the last one added into view, so the
    // operator sees the same as after scrolling to each in turn.
    void BeginBatch() { m_Batching = true; }
    void EndBatch();

    // Nodes in the tree, alarms and lines together (kept as they change, never counted).
    int NodeCount() const { return m_NodeCount; }
    int AlarmCount() const;

    // Nodes as the view's indexes (valid until the tree next changes): the alarm with
    // that identity, the alarm at a place from the top (0 first), the line with that
    // index of an alarm; invalid when there is none.
    QModelIndex FindAlarm(int32_t identity) const;
    QModelIndex AlarmAt(int place) const;
    QModelIndex Line(const QModelIndex& alarm, int index) const;
    int LineCount(const QModelIndex& alarm) const;
    // Key, record and image number of a node (an alarm's key and record; a line has
    // neither).
    static QString Key(const QModelIndex& node);
    static Bytes Record(const QModelIndex& node);
    static int Image(const QModelIndex& node);

    // Button of the last press on the tree (1 = left, 2 = right, 4 = middle).
    int TreeButton() const { return m_TreeButton; }
    // Called with the alarm's record on a left-button double-click on a selected node.
    void SetOpenDetails(std::function<void(const Bytes&)> open) { m_OpenDetails = std::move(open); }
    // The double-click handler itself (also for tests).
    void TreeView_Event_DblClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    void addAlarm(std::string_view record, int32_t identity, int16_t icon, std::string_view title);
    void addLine(int32_t identity, int16_t icon, std::string_view text);
    void updateLine(int32_t identity, int16_t lineIndex, int16_t icon, std::string_view text);
    void removeOldestAlarm();
    // The alarm of a node (the node itself for an alarm).
    QModelIndex alarmOf(const QModelIndex& node) const;
    void reveal(int32_t identity, int line);

    AlarmModel* m_Model;
    bool m_SortDescending = false;
    int m_NodeCount = 0;
    int m_TreeButton = 0;
    bool m_Batching = false; // new nodes wait for EndBatch to be revealed
    // The newest node waiting to be revealed: its alarm and line (-1: the alarm itself).
    bool m_HasReveal = false;
    int32_t m_RevealIdentity = 0;
    int m_RevealLine = -1;
    std::function<void(const Bytes&)> m_OpenDetails;
};

} // namespace korvel::events
