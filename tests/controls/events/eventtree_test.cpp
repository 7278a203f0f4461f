// The alarm messages and the alarm tree they drive.
#include "controls/events/eventmessages.h"
#include "controls/events/eventtree.h"
#include "core/errors.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

#include <gtest/gtest.h>

#include <random>

using namespace korvel;
using namespace korvel::events;

namespace {

AlarmUpdate NewAlarm(int32_t id, int16_t icon = 0, Bytes title = {}) {
    if (title.empty()) title = "Alarm " + std::to_string(id);
    return {kAlarmAdded, id, "rec" + std::to_string(id), title, icon, 0, {}};
}
AlarmUpdate NewLine(int32_t id, int16_t icon, Bytes text, int16_t index = 0) {
    return {kLineAdded, id, {}, {}, icon, index, std::move(text)};
}
AlarmUpdate LineUpdate(int32_t id, int16_t index, int16_t icon, Bytes text) {
    return {kLineUpdated, id, {}, {}, icon, index, std::move(text)};
}

std::vector<int32_t> TopLevelIds(const EventTree& tree) {
    std::vector<int32_t> ids;
    for (int i = 0; i < tree.AlarmCount(); ++i) ids.push_back(tree.Key(tree.AlarmAt(i)).mid(1).toInt());
    return ids;
}

// The node has its row on the screen (it is not inside a closed alarm).
bool Laid(const EventTree& tree, const QModelIndex& node) { return tree.visualRect(node).height() > 0; }

QString Text(const QModelIndex& node) { return node.data().toString(); }

struct TreeTest : ::testing::Test {
    EventTree tree;
};

} // namespace

TEST(AlarmMessages, RoundTripAndIgnoredKinds) {
    std::vector<AlarmEntry> list = {
        {7, "a\xFE" "b", "Fire", 2, {{3, "first"}, {15, "second \xE9"}}},
        {-8, "", "", -1, {}},
    };
    EXPECT_EQ(ParseAlarmList(BuildAlarmList(list)), list);
    EXPECT_TRUE(ParseAlarmList(BuildAlarmList({})).empty());

    for (const AlarmUpdate& u : {NewAlarm(5, 3), NewLine(5, 4, "line"), LineUpdate(5, 2, 8, "")})
        EXPECT_EQ(ParseAlarmUpdate(BuildAlarmUpdate(u)), u);
    // Other kinds are not read, whatever follows.
    for (int16_t kind : {0, 3, 5, -1}) {
        Bytes body = IntegerToNetworkBytes(kind);
        EXPECT_EQ(ParseAlarmUpdate(body), std::nullopt) << kind;
        EXPECT_EQ(ParseAlarmUpdate(body + "junk"), std::nullopt) << kind;
    }
}

TEST(AlarmMessages, MalformedBodiesRaise) {
    Bytes list = BuildAlarmList({{1, "rec", "title", 0, {{3, "line"}}}});
    for (std::size_t cut = 0; cut < list.size(); ++cut)
        EXPECT_THROW(ParseAlarmList(list.substr(0, cut)), DecodeError) << cut;
    // A huge count in a tiny body fails on the body, not on memory.
    EXPECT_THROW(ParseAlarmList(LongToNetworkBytes(0x7FFFFFFF)), DecodeError);
    // A text whose length is negative, or runs past the end of the body.
    EXPECT_THROW(ParseAlarmList(LongToNetworkBytes(1) + LongToNetworkBytes(1) + IntegerToNetworkBytes(-2)),
                 DecodeError);
    EXPECT_THROW(ParseAlarmList(LongToNetworkBytes(1) + LongToNetworkBytes(1) + IntegerToNetworkBytes(9) + "short"),
                 DecodeError);

    Bytes update = BuildAlarmUpdate(NewLine(1, 3, "text"));
    for (std::size_t cut = 0; cut < update.size(); ++cut)
        EXPECT_THROW(ParseAlarmUpdate(update.substr(0, cut)), DecodeError) << cut;
}

TEST(AlarmMessages, NegativeCountsMeanNone) {
    // A negative alarm count is an empty list, whatever follows.
    EXPECT_TRUE(ParseAlarmList(LongToNetworkBytes(-1)).empty());
    EXPECT_TRUE(ParseAlarmList(LongToNetworkBytes(-1) + "junk").empty());
    // A negative line count: the alarm has no lines, and the next alarm is read after it.
    const Bytes body = LongToNetworkBytes(2) + LongToNetworkBytes(1) + StringToNetworkBytes("r") +
                       StringToNetworkBytes("t") + IntegerToNetworkBytes(0) + IntegerToNetworkBytes(-1) +
                       LongToNetworkBytes(2) + StringToNetworkBytes("r2") + StringToNetworkBytes("t2") +
                       IntegerToNetworkBytes(1) + IntegerToNetworkBytes(1) + IntegerToNetworkBytes(3) +
                       StringToNetworkBytes("line");
    EXPECT_EQ(ParseAlarmList(body),
              (std::vector<AlarmEntry>{{1, "r", "t", 0, {}}, {2, "r2", "t2", 1, {{3, "line"}}}}));
}

TEST(AlarmMessages, ListKeepsFourBytesPerAlarmAndPointsIntoItsBody) {
    std::vector<AlarmEntry> alarms;
    for (int32_t id = 0; id < 1000; ++id) alarms.push_back({id, "", "", 0, {}}); // the smallest alarms
    const Bytes body = BuildAlarmList(alarms);
    const AlarmList list(body);
    ASSERT_EQ(list.Size(), 1000u);
    int32_t expected = 0;
    list.ForEach([&](const AlarmList::Alarm& a) { EXPECT_EQ(a.Identity, expected++); },
                 [](const AlarmList::Line&) { ADD_FAILURE() << "no lines"; });
    EXPECT_EQ(expected, 1000);

    const Bytes withText = BuildAlarmList({{5, "record", "title", 2, {{3, "line"}}}});
    const AlarmList one(withText);
    one.ForEach(
        [&](const AlarmList::Alarm& a) {
            EXPECT_GE(a.Title.data(), withText.data());
            EXPECT_LT(a.Title.data(), withText.data() + withText.size());
            EXPECT_EQ(a.Title, "title");
        },
        [&](const AlarmList::Line& l) { EXPECT_EQ(l.Text, "line"); });
}

TEST(AlarmImages, IconCodesMapToImages) {
    struct Case { int16_t code; int image, withLines; } cases[] = {
        {0, 9, 10}, {1, 11, 12}, {2, 13, 14}, {3, 1, 2}, {4, 0, 0}, {-1, 0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(AlarmImage(c.code), c.image) << c.code;
        EXPECT_EQ(AlarmImageWithLines(AlarmImage(c.code)), c.withLines) << c.code;
    }
    EXPECT_EQ(AlarmImageWithLines(14), 14);
    EXPECT_EQ(AlarmImageWithLines(5), 5);
}

TEST_F(TreeTest, AlarmsAndLines) {
    tree.Apply(NewAlarm(1, 2, "Fire"));
    QModelIndex alarm = tree.FindAlarm(1);
    ASSERT_TRUE(alarm.isValid());
    EXPECT_EQ(EventTree::Key(alarm), "K1");
    EXPECT_EQ(Text(alarm), "Fire");
    EXPECT_EQ(EventTree::Record(alarm), "rec1");
    EXPECT_EQ(EventTree::Image(alarm), 13);

    tree.Apply(NewLine(1, 3, "first", 17)); // the index of a new line is not used
    EXPECT_EQ(EventTree::Image(alarm), 14);
    tree.Apply(NewLine(1, 7, "second"));
    EXPECT_EQ(EventTree::Image(alarm), 14);
    ASSERT_EQ(tree.LineCount(alarm), 2);
    EXPECT_EQ(Text(tree.Line(alarm, 0)), "first");
    EXPECT_EQ(EventTree::Image(tree.Line(alarm, 1)), 7);
    EXPECT_TRUE(Laid(tree, tree.Line(alarm, 1)));
    EXPECT_EQ(EventTree::Key(tree.Line(alarm, 0)), "");
    EXPECT_EQ(tree.NodeCount(), 3);

    struct Step { int16_t index, icon; Bytes text; int wantImage; QString wantText; } steps[] = {
        {1, 8, "still cleared", 7, "still cleared"}, // 8 keeps 7 and changes the text only
        {1, 8, "", 7, "still cleared"},              // ... and with an empty text nothing
        {1, 5, "", 5, "still cleared"},              // any other icon replaces the image
        {1, 8, "waiting", 8, "waiting"},             // 8 over 5 replaces
        {0, 0, "zero", 0, "zero"},
        {2, 6, "beyond", 0, "zero"},                 // no line 2: nothing (checked on line 0)
        {-1, 6, "before", 0, "zero"},
    };
    for (const auto& s : steps) {
        tree.Apply(LineUpdate(1, s.index, s.icon, s.text));
        const int row = s.index == 1 ? 1 : 0;
        EXPECT_EQ(EventTree::Image(tree.Line(alarm, row)), s.wantImage) << s.index << ' ' << s.icon;
        EXPECT_EQ(Text(tree.Line(alarm, row)), s.wantText) << s.index << ' ' << s.icon;
    }
    for (int16_t sticky : {6, 15}) {
        tree.Apply(LineUpdate(1, 1, sticky, ""));
        tree.Apply(LineUpdate(1, 1, 8, ""));
        EXPECT_EQ(EventTree::Image(tree.Line(alarm, 1)), sticky);
    }
    EXPECT_EQ(tree.NodeCount(), 3);
}

TEST_F(TreeTest, UnknownAlarmsRepeatsAndOtherIconsChangeNothing) {
    tree.Apply(NewAlarm(1, 0, "First"));
    tree.Apply(NewAlarm(1, 3, "Again"));   // repeated identity
    tree.Apply(NewLine(2, 3, "orphan"));   // no such alarm
    tree.Apply(LineUpdate(1, 0, 3, "x"));  // an alarm without lines
    tree.Apply(LineUpdate(2, 0, 3, "x"));
    tree.AddOrUpdateEventNode("rec", 3, 1, 0, 0, "kind 3");
    ASSERT_EQ(tree.AlarmCount(), 1);
    EXPECT_EQ(Text(tree.AlarmAt(0)), "First");
    EXPECT_EQ(EventTree::Image(tree.AlarmAt(0)), 9);
    EXPECT_EQ(tree.LineCount(tree.AlarmAt(0)), 0);
    EXPECT_EQ(tree.NodeCount(), 1);

    tree.Apply(NewAlarm(2, 9));            // an icon code outside 0..3: no image
    EXPECT_EQ(EventTree::Image(tree.FindAlarm(2)), 0);
    EXPECT_TRUE(tree.FindAlarm(2).data(Qt::DecorationRole).value<QIcon>().isNull());
    tree.Apply(NewLine(2, 3, "line"));
    EXPECT_EQ(EventTree::Image(tree.FindAlarm(2)), 0);
}

TEST_F(TreeTest, OrderFollowsSortDescending) {
    for (int32_t id : {1, 2, 3}) tree.Apply(NewAlarm(id));
    EXPECT_EQ(TopLevelIds(tree), (std::vector<int32_t>{1, 2, 3}));
    tree.SetSortDescending(true);
    for (int32_t id : {4, 5}) tree.Apply(NewAlarm(id));
    EXPECT_EQ(TopLevelIds(tree), (std::vector<int32_t>{5, 4, 1, 2, 3}));

    EventTree empty;
    empty.SetSortDescending(true);
    for (int32_t id : {1, 2, 3}) empty.Apply(NewAlarm(id));
    EXPECT_EQ(TopLevelIds(empty), (std::vector<int32_t>{3, 2, 1}));
}

TEST_F(TreeTest, CapRemovesOldestAlarmsWithTheirLines) {
    for (bool descending : {false, true}) {
        EventTree t;
        t.SetSortDescending(descending);
        // 200 alarms of 5 nodes: 1000 nodes.
        for (int32_t id = 1; id <= 200; ++id) {
            t.Apply(NewAlarm(id));
            for (int k = 0; k < 4; ++k) t.Apply(NewLine(id, 3, "line"));
        }
        ASSERT_EQ(t.NodeCount(), 1000);
        t.Apply(NewAlarm(201)); // at 1000 nodes nothing is removed
        EXPECT_EQ(t.NodeCount(), 1001);
        EXPECT_TRUE(t.FindAlarm(1).isValid());
        t.Apply(NewLine(201, 3, "a")); // lines are added without a check
        EXPECT_EQ(t.NodeCount(), 1002);
        t.Apply(NewAlarm(202)); // 1002: alarm 1 (5 nodes) goes, leaving 997, then 998
        EXPECT_EQ(t.NodeCount(), 998);
        EXPECT_FALSE(t.FindAlarm(1).isValid());
        EXPECT_TRUE(t.FindAlarm(2).isValid());
        EXPECT_EQ(t.AlarmCount(), 201);
        const int oldest = descending ? t.AlarmCount() - 1 : 0;
        EXPECT_EQ(EventTree::Key(t.AlarmAt(oldest)), "K2") << descending;
        t.Apply(NewLine(1, 3, "gone")); // the removed alarm takes no more lines
        EXPECT_EQ(t.NodeCount(), 998);
    }
    // One alarm with many lines is removed whole; a repeated identity still runs the cap.
    tree.Apply(NewAlarm(1));
    for (int k = 0; k < 1500; ++k) tree.Apply(NewLine(1, 3, "l"));
    tree.Apply(NewAlarm(2));
    tree.Apply(NewAlarm(2)); // 2 nodes: nothing to remove
    EXPECT_EQ(tree.NodeCount(), 1);
    EXPECT_EQ(TopLevelIds(tree), std::vector<int32_t>{2});
}

TEST_F(TreeTest, TheCapTakesTheCurrentNodeAsATreeWould) {
    // The current alarm passes to the next alarm (at the bottom: the one above it, not
    // that one's last line); the current line of a dropped alarm leaves nothing current.
    for (bool descending : {false, true}) {
        for (bool onLine : {false, true}) {
            EventTree t;
            t.SetSortDescending(descending);
            for (int32_t id = 1; id <= 200; ++id) {
                t.Apply(NewAlarm(id));
                for (int k = 0; k < 4; ++k) t.Apply(NewLine(id, 3, "line"));
            }
            t.Apply(NewLine(1, 3, "one more")); // 1001 nodes
            const QModelIndex oldest = t.FindAlarm(1);
            t.setCurrentIndex(onLine ? t.Line(oldest, 2) : oldest);
            t.Apply(NewAlarm(201));
            ASSERT_FALSE(t.FindAlarm(1).isValid());
            const QModelIndex want = onLine ? QModelIndex() : t.FindAlarm(2);
            EXPECT_EQ(t.currentIndex(), want) << descending << onLine;
            EXPECT_EQ(t.selectionModel()->selectedIndexes(), want.isValid() ? QModelIndexList{want} : QModelIndexList{})
                << descending << onLine;
        }
    }
}

TEST_F(TreeTest, ListReplacesTheWholeTree) {
    tree.Apply(NewAlarm(99));
    tree.LoadList({{1, "r1", "One", 1, {{3, "a"}, {4, "b"}}}, {2, "r2", "Two", 3, {}}});
    EXPECT_TRUE(tree.isVisibleTo(nullptr) || !tree.isHidden());
    EXPECT_EQ(TopLevelIds(tree), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(tree.NodeCount(), 4);
    EXPECT_EQ(EventTree::Image(tree.FindAlarm(1)), 12);
    EXPECT_EQ(EventTree::Image(tree.FindAlarm(2)), 1);
    EXPECT_FALSE(tree.FindAlarm(99).isValid());

    tree.LoadList({{3, "r3", "Three", 0, {}}});
    EXPECT_EQ(TopLevelIds(tree), std::vector<int32_t>{3});
    EXPECT_EQ(tree.NodeCount(), 1);
    tree.LoadList({});
    EXPECT_EQ(tree.NodeCount(), 0);
    EXPECT_FALSE(tree.isHidden());
}

// What a tree shows: per alarm its key, text, image and lines (text and image). Read
// twice, alarm by alarm and its lines, and row by row as the view shows them; the two
// must agree.
std::vector<std::string> Shown(const EventTree& t) {
    auto describe = [](const QModelIndex& n) { return Text(n).toStdString() + " " + std::to_string(EventTree::Image(n)); };
    std::vector<std::string> out;
    for (int i = 0; i < t.AlarmCount(); ++i) {
        const QModelIndex a = t.AlarmAt(i);
        std::string row = EventTree::Key(a).toStdString() + " " + describe(a) + " " + EventTree::Record(a) +
                          (t.LineCount(a) == 0 || Laid(t, t.Line(a, 0)) ? "" : " collapsed");
        for (int k = 0; k < t.LineCount(a); ++k) row += " | " + describe(t.Line(a, k));
        out.push_back(row);
    }
    std::vector<std::string> rows;
    const QAbstractItemModel* model = t.model();
    for (int r = 0; r < model->rowCount(); ++r) {
        const QModelIndex n = model->index(r, 0);
        if (EventTree::Key(n).isEmpty() && !rows.empty()) rows.back() += " | " + describe(n);
        else rows.push_back(EventTree::Key(n).toStdString() + " " + describe(n) + " " + EventTree::Record(n));
    }
    EXPECT_EQ(model->rowCount(), t.NodeCount());
    EXPECT_EQ(rows, out) << "rows in view order";
    return out;
}

// Live updates of every kind on recent and on long gone alarms, with the sort order
// switched now and then (as a new 106 may do).
std::vector<AlarmUpdate> LiveUpdates(uint32_t seed, int count, int32_t firstId) {
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<uint32_t>(n)); };
    std::vector<AlarmUpdate> out;
    int32_t next = firstId;
    for (int i = 0; i < count; ++i) {
        const int32_t recent = next - 1 - pick(6), any = pick(next + 1);
        switch (pick(10)) {
        case 0: case 1: out.push_back(NewAlarm(next++, static_cast<int16_t>(pick(6)))); break;
        case 2: out.push_back(NewAlarm(any)); break; // mostly repeated or long gone
        case 3: case 4: case 5: out.push_back(NewLine(recent, static_cast<int16_t>(pick(17)), "live " + std::to_string(i))); break;
        case 6: out.push_back(NewLine(any, 3, "late")); break;
        case 7: case 8: {
            static const int16_t icons[] = {8, 6, 7, 15, 4, 8};
            out.push_back(LineUpdate(pick(2) ? recent : any, static_cast<int16_t>(pick(5) - 1), icons[pick(6)],
                                     pick(3) ? "state " + std::to_string(i) : Bytes()));
            break;
        }
        default: out.push_back({static_cast<int16_t>(pick(2) ? 3 : 0), recent, {}, {}, 0, 0, {}}); break; // ignored kinds
        }
        if (pick(700) == 0) out.push_back({-100, 0, {}, {}, 0, 0, {}}); // switch the sort order
    }
    return out;
}

TEST(EventTreeList, ALongListEndsAsAddingEachEntryInTurnWould) {
    // Repeated identities (with lines of their own, several joining one alarm, and of
    // alarms the cap already dropped), alarms with many lines, icon codes with and without
    // images, and far more nodes than the cap holds.
    std::vector<AlarmEntry> list;
    for (int32_t n = 0; n < 1200; ++n) {
        // Every seventh entry repeats an earlier identity, and so does another seventh
        // (the same identity); every eleventh from 440 on one long gone.
        const int32_t id = n % 7 == 3 ? n - 3 : n % 7 == 5 ? n - 5 : n >= 440 && n % 11 == 6 ? n - 440 : n;
        AlarmEntry a{id, "rec" + std::to_string(n), "Alarm " + std::to_string(n), static_cast<int16_t>(n % 6), {}};
        const int lines = n % 50 == 0 ? 400 : n % 4;
        for (int k = 0; k < lines; ++k) a.Lines.push_back({static_cast<int16_t>(k % 17), "line " + std::to_string(k)});
        list.push_back(std::move(a));
    }
    list.push_back({5000, "last", "Last alarm", 1, {}});
    std::vector<AlarmEntry> endsInLines = list;
    endsInLines.back().Lines = {{3, "x"}, {4, "y"}};
    std::vector<AlarmEntry> repeatAtEnd = list;
    repeatAtEnd.push_back({1198, "again", "Again", 0, {{5, "joins"}}});

    for (bool descending : {false, true}) {
        for (const auto* entries : {&list, &endsInLines, &repeatAtEnd}) {
            EventTree loaded, added;
            for (EventTree* t : {&loaded, &added}) {
                t->SetSortDescending(descending);
                t->resize(300, 200);
            }
            loaded.Apply(NewAlarm(77777)); // replaced by the list
            loaded.LoadList(*entries);
            added.BeginBatch(); // one scroll at the end: the same nodes, quicker
            for (const AlarmEntry& a : *entries) {
                added.AddOrUpdateEventNode(a.Record, kAlarmAdded, a.Identity, 0, a.Icon, a.Title);
                int16_t index = 0;
                for (const AlarmLine& l : a.Lines)
                    added.AddOrUpdateEventNode(l.Text, kLineAdded, a.Identity, index++, l.Icon, {});
            }
            added.EndBatch();
            ASSERT_EQ(Shown(loaded), Shown(added)) << descending;
            EXPECT_EQ(loaded.NodeCount(), added.NodeCount());
            EXPECT_EQ(loaded.AlarmCount(), added.AlarmCount());
            EXPECT_LE(loaded.NodeCount(), kTreeNodeCap + 401);
            for (int i = 0; i < loaded.AlarmCount(); ++i) {
                const int32_t id = EventTree::Key(loaded.AlarmAt(i)).mid(1).toInt();
                EXPECT_EQ(loaded.FindAlarm(id), loaded.AlarmAt(i));
            }
            // The last node added is the one in view.
            QModelIndex newest = loaded.FindAlarm(entries->back().Identity);
            ASSERT_TRUE(newest.isValid());
            if (loaded.LineCount(newest) > 0) newest = loaded.Line(newest, loaded.LineCount(newest) - 1);
            EXPECT_TRUE(loaded.viewport()->rect().intersects(loaded.visualRect(newest))) << descending;

            // Then live updates, read by read, and another list replacing it all halfway.
            const std::vector<AlarmUpdate> live = LiveUpdates(descending ? 7 : 11, 6000, 6000);
            for (std::size_t i = 0; i < live.size(); ++i) {
                for (EventTree* t : {&loaded, &added}) {
                    if (i % 37 == 0) t->BeginBatch();
                    if (live[i].Kind == -100) t->SetSortDescending(!t->SortDescending());
                    else t->Apply(live[i]);
                    if (i % 37 == 36) t->EndBatch();
                    if (i == 3000) t->LoadList(std::vector<AlarmEntry>(entries->begin() + 900, entries->end()));
                }
                if (i % 250 == 0 || i + 1 == live.size()) {
                    ASSERT_EQ(Shown(loaded), Shown(added)) << descending << " after update " << i;
                    ASSERT_EQ(loaded.NodeCount(), added.NodeCount());
                }
            }
            EXPECT_GT(loaded.AlarmCount(), 100);
        }
    }
}

TEST_F(TreeTest, AlarmsNeverStayCollapsed) {
    tree.Apply(NewAlarm(1));
    tree.Apply(NewLine(1, 3, "line"));
    const QModelIndex alarm = tree.FindAlarm(1);
    tree.collapse(alarm);
    EXPECT_TRUE(Laid(tree, tree.Line(alarm, 0)));
    tree.setExpanded(alarm, false);
    EXPECT_TRUE(Laid(tree, tree.Line(alarm, 0)));
    // The operator's keys close nothing either; the arrows go between an alarm and its
    // lines where the style has them do so in a tree.
    tree.show();
    tree.setCurrentIndex(alarm);
    auto press = [&](Qt::Key key) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&tree, &e);
    };
    press(Qt::Key_Minus);
    press(Qt::Key_Left);
    EXPECT_TRUE(Laid(tree, tree.Line(alarm, 0)));
    EXPECT_EQ(tree.currentIndex(), alarm);
    const bool intoLines = tree.style()->styleHint(QStyle::SH_ItemView_ArrowKeysNavigateIntoChildren, nullptr, &tree);
    press(Qt::Key_Right);
    EXPECT_EQ(tree.currentIndex(), intoLines ? tree.Line(alarm, 0) : alarm);
    press(Qt::Key_Left);
    EXPECT_EQ(tree.currentIndex(), alarm);
    // So the tree offers no fold arrow that would do nothing.
    EXPECT_FALSE(tree.rootIsDecorated());
}

TEST_F(TreeTest, DoubleClickOpensTheAlarmOfTheSelectedNode) {
    std::vector<Bytes> opened;
    tree.SetOpenDetails([&](const Bytes& record) { opened.push_back(record); });
    tree.Apply(NewAlarm(1));
    tree.Apply(NewLine(1, 3, "line"));
    tree.Apply(NewAlarm(2));

    tree.TreeView_Event_DblClick(); // nothing selected, no press yet
    EXPECT_TRUE(opened.empty());

    tree.show();
    auto doubleClick = [&](const QModelIndex& node, Qt::MouseButton button) {
        tree.scrollTo(node);
        const QPoint at = tree.visualRect(node).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, tree.viewport()->mapToGlobal(at), button, button, {});
        QApplication::sendEvent(tree.viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, tree.viewport()->mapToGlobal(at), button, {}, {});
        QApplication::sendEvent(tree.viewport(), &release);
        QMouseEvent twice(QEvent::MouseButtonDblClick, at, tree.viewport()->mapToGlobal(at), button, button, {});
        QApplication::sendEvent(tree.viewport(), &twice);
    };
    doubleClick(tree.Line(tree.FindAlarm(1), 0), Qt::LeftButton); // a line: its alarm's record
    doubleClick(tree.FindAlarm(2), Qt::LeftButton);
    doubleClick(tree.FindAlarm(1), Qt::RightButton);           // right button: nothing
    EXPECT_EQ(tree.TreeButton(), 2);
    EXPECT_EQ(opened, (std::vector<Bytes>{"rec1", "rec2"}));
    EXPECT_TRUE(Laid(tree, tree.Line(tree.FindAlarm(1), 0)));
}
