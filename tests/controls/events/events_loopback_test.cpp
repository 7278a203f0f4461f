// The alarm event viewer talking to the substitute server over loopback: its start-up
// requests, the alarm list, every kind of live update, the node cap, the order setting,
// the details window of a double-clicked alarm, and its behaviour on a broken stream or
// a dropped connection.
#include "tests/support/children.h"
#include "controls/events/eventmessages.h"
#include "controls/events/eventscomponent.h"
#include "controls/events/eventtree.h"
#include "tests/support/loopback.h"

#include "core/clientstate.h"
#include "core/settingsstore.h"
#include "platform/controlplugin.h"
#include "platform/dialogservice.h"
#include "platform/statuslabel.h"
#include "testserver/frameio.h"
#include "testserver/sampledata.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QJsonObject>
#include <QMouseEvent>
#include <QPluginLoader>
#include <QTemporaryDir>
#include <QAction>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::testing;
using korvel::testserver::Server;
using Events = korvel::events::Component;
using korvel::events::AlarmEntry;
using korvel::events::AlarmUpdate;
using korvel::events::EventTree;

namespace {

constexpr int16_t kAdded = events::kAlarmAdded, kLine = events::kLineAdded, kUpdate = events::kLineUpdated;

Bytes Record(int32_t id) { return "1\xFE" + std::to_string(id) + "\xFE" "2024-03-05 17:08:09"; }

AlarmUpdate NewAlarm(int32_t id, int16_t icon = 0) {
    return {kAdded, id, Record(id), "Alarm " + std::to_string(id), icon, 0, {}};
}

std::vector<int32_t> Ids(const EventTree& tree) {
    std::vector<int32_t> ids;
    for (int i = 0; i < tree.AlarmCount(); ++i) ids.push_back(tree.Key(tree.AlarmAt(i)).mid(1).toInt());
    return ids;
}

Bytes SettingsBody(const Bytes& sortDescending) {
    return testserver::SettingsBody({{"General", {{"SortDescending", sortDescending},
                                                  {"DateFormat", "d mmm yyyy"},
                                                  {"TimeFormat", "h:nn AM/PM"}}}});
}

class EventsTest : public LoopbackTest<Events> {
protected:
    void SetUp() override {
        LoopbackTest::SetUp();
        MakeControl(500, 300);
    }
    void Connect() { PointAtServer(); }
    // Connected with no answers: the test sends every frame itself.
    void ConnectQuietly() {
        server.SetAutoAnswer(false);
        Connect();
        ASSERT_TRUE(WaitFor([&] { return server.ReceivedOfType(MessageType::MsgAlarmEventList).size() == 1; }));
    }
    // The alarm tree, found by its name as any child widget.
    EventTree& Tree() const {
        auto* tree = control->findChild<EventTree*>("TreeView_Event");
        EXPECT_NE(tree, nullptr);
        return *tree;
    }
    void Send(const AlarmUpdate& u) { server.SendFrame(MessageType::MsgAlarmEventUpdate, events::BuildAlarmUpdate(u)); }
    void SendList(const std::vector<AlarmEntry>& list) {
        server.SendFrame(MessageType::MsgAlarmEventList, events::BuildAlarmList(list));
    }
    // Sends a marker alarm after the frames before it and waits for it: everything sent
    // before has been handled.
    bool Settle() {
        static int32_t marker = 1000000;
        ++marker;
        Send(NewAlarm(marker));
        return WaitFor([&] { return Tree().FindAlarm(marker).isValid(); });
    }
    bool LabelShown() const { return !korvel::testing::Child<platform::StatusLabel>(*control, "Label_Disconnected").isHidden(); }
};

} // namespace

TEST_F(EventsTest, StartsWithItsRequestsAndShowsTheList) {
    EXPECT_TRUE(Tree().isHidden());
    Connect();
    ASSERT_TRUE(WaitFor([&] { return !Tree().isHidden() && Tree().AlarmCount() > 0; }));
    const auto frames = ServerCaughtUp(0);
    ASSERT_EQ(Types(frames), (std::vector<MessageType>{MessageType::MsgTextTable, MessageType::MsgServerSettings,
                                                       MessageType::MsgAlarmEventSubscribe,
                                                       MessageType::MsgSystemList, MessageType::MsgAlarmEventList}));
    EXPECT_EQ(frames[2].Body, std::string("\xFF\xFF", 2));
    for (int i : {0, 1, 3, 4}) EXPECT_EQ(frames[i].Body, "") << i;
    EXPECT_EQ(store.Get("Korvel ActiveX Event Client", "Texts", "IsLoadedOnce", ""), "1");
    EXPECT_FALSE(LabelShown());
    // The sample list, every alarm with its lines; the sample settings sort descending.
    const auto list = events::ParseAlarmList(server.Data().Answers[MessageType::MsgAlarmEventList].front().Body);
    ASSERT_EQ(Tree().AlarmCount(), static_cast<int>(list.size()));
    ASSERT_GT(list.size(), 1u);
    EXPECT_EQ(Ids(Tree()).front(), list.back().Identity) << "newest on top";
    EXPECT_EQ(Ids(Tree()).back(), list.front().Identity);
    for (const AlarmEntry& a : list) {
        const QModelIndex node = Tree().FindAlarm(a.Identity);
        ASSERT_TRUE(node.isValid());
        EXPECT_EQ(EventTree::Record(node), a.Record);
        EXPECT_EQ(Tree().LineCount(node), static_cast<int>(a.Lines.size()));
    }
    // The live sample events arrive while subscribed.
    server.SetEventInterval(1);
    ASSERT_TRUE(WaitFor([&] { return Tree().FindAlarm(2003).isValid(); }));
    EXPECT_EQ(control->metaObject()->indexOfProperty("Area"), -1);
    EXPECT_EQ(control->metaObject()->indexOfProperty("Password"), -1);
}

TEST_F(EventsTest, EveryKindOfUpdate) {
    ConnectQuietly();
    SendList({{1, Record(1), "One", 2, {{3, "raised"}}}});
    ASSERT_TRUE(WaitFor([&] { return !Tree().isHidden() && Tree().NodeCount() == 2; }));
    EXPECT_EQ(EventTree::Image(Tree().FindAlarm(1)), 14);

    Send(NewAlarm(2, 1));
    Send({kLine, 2, {}, {}, 4, 99, "sent"});
    Send({kLine, 2, {}, {}, 7, 0, "no answer"});
    Send({kUpdate, 2, {}, {}, 8, 1, "waiting"}); // 8 keeps image 7
    Send({kUpdate, 1, {}, {}, 6, 0, ""});        // new image, same text
    Send({kUpdate, 1, {}, {}, 5, 3, "beyond"});  // no line 3
    Send({kLine, 77, {}, {}, 3, 0, "orphan"});   // no alarm 77
    server.SendFrame(MessageType::MsgAlarmEventUpdate, Int16Body(3) + "ignored");
    server.SendFrame(MessageType::MsgAlarmEventUpdate, Int16Body(0));
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(control->IsConnected());

    const QModelIndex two = Tree().FindAlarm(2);
    ASSERT_TRUE(two.isValid());
    EXPECT_EQ(EventTree::Image(two), 12);
    ASSERT_EQ(Tree().LineCount(two), 2);
    EXPECT_EQ(Tree().Line(two, 0).data().toString(), "sent");
    EXPECT_EQ(EventTree::Image(Tree().Line(two, 0)), 4);
    EXPECT_EQ(Tree().Line(two, 1).data().toString(), "waiting");
    EXPECT_EQ(EventTree::Image(Tree().Line(two, 1)), 7);
    const QModelIndex one = Tree().FindAlarm(1);
    EXPECT_EQ(Tree().Line(one, 0).data().toString(), "raised");
    EXPECT_EQ(EventTree::Image(Tree().Line(one, 0)), 6);
    EXPECT_EQ(Tree().NodeCount(), 6); // 1 + line, 2 + 2 lines, the marker
}

TEST_F(EventsTest, NodeCapAndOrderOverTheWire) {
    ConnectQuietly();
    server.SendFrame(MessageType::MsgServerSettings, SettingsBody("-1"));
    std::vector<AlarmEntry> list;
    for (int32_t id = 1; id <= 200; ++id)
        list.push_back({id, Record(id), "A", 0, {{3, "a"}, {3, "b"}, {3, "c"}, {3, "d"}}});
    SendList(list);
    ASSERT_TRUE(WaitFor([&] { return Tree().NodeCount() == 1000 && !Tree().isHidden(); }));
    // Loaded in order, each new alarm on top: the list's first alarm is at the bottom.
    EXPECT_EQ(Ids(Tree()).front(), 200);
    EXPECT_EQ(Ids(Tree()).back(), 1);

    Send(NewAlarm(201)); // at 1000: no removal
    ASSERT_TRUE(WaitFor([&] { return Tree().NodeCount() == 1001; }));
    EXPECT_TRUE(Tree().FindAlarm(1).isValid());
    Send(NewAlarm(202)); // above 1000: the oldest (bottom) alarm goes with its lines
    ASSERT_TRUE(WaitFor([&] { return Tree().FindAlarm(202).isValid(); }));
    EXPECT_FALSE(Tree().FindAlarm(1).isValid());
    EXPECT_EQ(Tree().NodeCount(), 997);
    EXPECT_EQ(Ids(Tree()).front(), 202);

    // A setting that is no number counts as 0: ascending again, newest at the bottom.
    server.SendFrame(MessageType::MsgServerSettings, SettingsBody("yes"));
    Send(NewAlarm(203));
    ASSERT_TRUE(WaitFor([&] { return Tree().FindAlarm(203).isValid(); }));
    EXPECT_EQ(Ids(Tree()).back(), 203);

    // A second list replaces the whole tree.
    SendList({{9, Record(9), "Nine", 3, {}}});
    ASSERT_TRUE(WaitFor([&] { return Tree().NodeCount() == 1; }));
    EXPECT_EQ(Ids(Tree()), std::vector<int32_t>{9});
}

TEST_F(EventsTest, DoubleClickShowsTheAlarmWithTheServersPatterns) {
    Connect();
    ASSERT_TRUE(WaitFor([&] { return !Tree().isHidden() && Tree().AlarmCount() > 0; }));
    server.SendFrame(MessageType::MsgServerSettings, SettingsBody("0"));
    Bytes record;
    const char* fields[] = {"3", "48879", "2024-03-05 17:08:09", "2024-03-06 08:00:01", "", "7", "", "", "",
                            "", "", "", "Breaker open", "Substation", "Feeder 3", "Zone 2", "BR-03", "Call"};
    for (int i = 0; i < 18; ++i) record += (i ? "\xFE" : "") + Bytes(fields[i]);
    Send({kAdded, 500, record, "Breaker", 3, 0, {}});
    Send({kLine, 500, {}, {}, 3, 0, "raised"});
    ASSERT_TRUE(WaitFor([&] { return Tree().FindAlarm(500).isValid() && Tree().LineCount(Tree().FindAlarm(500)) == 1; }));

    // The details window opens modal; the operator copies its text and leaves by the menu.
    QString copied;
    QString title;
    bool ownerless = false;
    platform::ScopedScriptedDialogs dialogs;
    dialogs->OnWindow<events::AlarmInfoWindow>([&](events::AlarmInfoWindow& window) {
        title = window.windowTitle();
        ownerless = window.parentWidget() == nullptr;
        window.findChild<QAction*>("Menu_Tools_CopyToClipboard")->trigger();
        copied = QGuiApplication::clipboard()->text();
        window.findChild<QAction*>("Menu_Tools_Exit")->trigger();
    });
    Tree().setCurrentIndex(Tree().Line(Tree().FindAlarm(500), 0)); // a line: its alarm opens
    Tree().show();
    const QRect at = Tree().visualRect(Tree().Line(Tree().FindAlarm(500), 0));
    QMouseEvent press(QEvent::MouseButtonPress, at.center(), Tree().viewport()->mapToGlobal(at.center()),
                      Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(Tree().viewport(), &press);
    QMouseEvent twice(QEvent::MouseButtonDblClick, at.center(), Tree().viewport()->mapToGlobal(at.center()),
                      Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(Tree().viewport(), &twice);

    EXPECT_EQ(title, "Alarm details - Breaker open");
    EXPECT_TRUE(ownerless);
    EXPECT_EQ(copied,
              "State:\t3\r\nState text:\tCleared\r\nAlarm:\tBreaker open\r\nLocation:\tSubstation\r\n"
              "Detail:\tFeeder 3\r\nZone:\tZone 2\r\nDetector:\tBR-03\r\nInstruction:\tCall\r\n"
              "Alarm code:\tBEEF\r\nDate raised:\t5 Mar 2024\r\nTime raised:\t5:08 PM\r\n"
              "Date changed:\t6 Mar 2024\r\nTime changed:\t8:00 AM\r\nSystem number:\t7\r\n"
              "System name:\tSubstation North\r\n");
    // Closing stored the widths as they showed, the hidden first column as 0.
    EXPECT_EQ(store.Get("Korvel Alarm Server 3", "Parameters", "AlarmInfoViewColWidth1", "none"), "0");
    EXPECT_NE(store.Get("Korvel Alarm Server 3", "Parameters", "AlarmInfoViewColWidth2", "none"), "none");
}

TEST_F(EventsTest, BrokenListLeavesTheTreeAndCloses) {
    ConnectQuietly();
    SendList({{1, Record(1), "One", 0, {}}});
    ASSERT_TRUE(WaitFor([&] { return Tree().NodeCount() == 1; }));
    Bytes cut = events::BuildAlarmList({{2, Record(2), "Two", 0, {{3, "line"}}}});
    server.SendFrame(MessageType::MsgAlarmEventList, cut.substr(0, cut.size() - 2));
    ASSERT_TRUE(WaitFor([&] { return LabelShown() && !control->IsConnected(); }));
    EXPECT_EQ(Ids(Tree()), std::vector<int32_t>{1});
}

TEST_F(EventsTest, NegativeCountsInAListMeanNoneAndTheConnectionStays) {
    ConnectQuietly();
    // Alarm 1 claims -1 lines; alarm 2 follows it with one line.
    const Bytes body = LongToNetworkBytes(2) + LongToNetworkBytes(1) + StringToNetworkBytes(Record(1)) +
                       StringToNetworkBytes("One") + IntegerToNetworkBytes(0) + IntegerToNetworkBytes(-1) +
                       LongToNetworkBytes(2) + StringToNetworkBytes(Record(2)) + StringToNetworkBytes("Two") +
                       IntegerToNetworkBytes(0) + IntegerToNetworkBytes(1) + IntegerToNetworkBytes(3) +
                       StringToNetworkBytes("line");
    server.SendFrame(MessageType::MsgAlarmEventList, body);
    ASSERT_TRUE(WaitFor([&] { return !Tree().isHidden() && Tree().NodeCount() == 3; }));
    ASSERT_TRUE(Tree().FindAlarm(1).isValid());
    EXPECT_EQ(Tree().LineCount(Tree().FindAlarm(1)), 0);
    EXPECT_EQ(EventTree::Image(Tree().FindAlarm(1)), 9) << "an alarm without lines keeps its first image";
    EXPECT_EQ(Tree().LineCount(Tree().FindAlarm(2)), 1);

    // A negative alarm count: an empty, visible tree.
    server.SendFrame(MessageType::MsgAlarmEventList, LongToNetworkBytes(-3));
    ASSERT_TRUE(WaitFor([&] { return Tree().NodeCount() == 0; }));
    EXPECT_TRUE(Settle());
    EXPECT_TRUE(control->IsConnected());
    EXPECT_FALSE(LabelShown());
}

TEST_F(EventsTest, ManyUpdatesInOneReadEndWithTheNewestNodeInView) {
    ConnectQuietly();
    std::vector<AlarmEntry> list;
    for (int32_t id = 1; id <= 100; ++id) list.push_back({id, Record(id), "Listed", 0, {{3, "a"}}});
    SendList(list);
    ASSERT_TRUE(WaitFor([&] { return !Tree().isHidden() && Tree().NodeCount() == 200; }));
    // The list's last line is in view once the list is in.
    const QRect view = Tree().viewport()->rect();
    EXPECT_TRUE(view.contains(Tree().visualRect(Tree().Line(Tree().FindAlarm(100), 0))));
    Tree().scrollToTop();

    // Many updates in one write: the newest line, added near the top, is in view after the read.
    Bytes burst;
    for (int32_t id = 101; id <= 400; ++id)
        burst += testserver::EncodeFrame(MessageType::MsgAlarmEventUpdate, events::BuildAlarmUpdate(NewAlarm(id)));
    burst += testserver::EncodeFrame(MessageType::MsgAlarmEventUpdate,
                                     events::BuildAlarmUpdate({kLine, 400, {}, {}, 3, 0, "newest"}));
    server.SendRaw(burst);
    ASSERT_TRUE(WaitFor([&] { return Tree().FindAlarm(400).isValid() && Tree().LineCount(Tree().FindAlarm(400)) == 1; }));
    const QModelIndex newest = Tree().Line(Tree().FindAlarm(400), 0);
    EXPECT_TRUE(view.contains(Tree().visualRect(newest)));
    EXPECT_EQ(Tree().NodeCount(), 501);
}

TEST_F(EventsTest, TreeIsHiddenAfterTheConnectionDropsAndKeepsItsNodes) {
    ConnectQuietly();
    SendList({{1, Record(1), "One", 0, {}}});
    ASSERT_TRUE(WaitFor([&] { return !Tree().isHidden(); }));
    for (int tick = 0; tick < 3; ++tick) control->Timer_Connect_Timer(); // ticks see the connection up
    server.CloseConnection();
    ASSERT_TRUE(WaitFor([&] { return Tree().isHidden() && LabelShown(); }));
    EXPECT_EQ(Tree().NodeCount(), 1);
}

TEST_F(EventsTest, VersionConflictBoxIsTitledWithTheSettingsApplication) {
    platform::ScopedScriptedDialogs dialogs;
    server.Data().ProtocolVersion = 20;
    Connect();
    ASSERT_TRUE(WaitFor([&] { return dialogs->Messages().size() == 1; }));
    EXPECT_EQ(dialogs->Messages()[0].text, "Protocol version conflict (server: 20, client: 21)!");
    EXPECT_EQ(dialogs->Messages()[0].title, "Korvel ActiveX Event Client");
    EXPECT_EQ(dialogs->Messages()[0].icon, platform::MessageIcon::Exclamation);
    ASSERT_TRUE(WaitFor([&] { return LabelShown() && !control->IsConnected(); }));
}

TEST(EventsPlugin, IsFoundByItsIdentifier) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QString dir = qEnvironmentVariable("KORVEL_PLUGIN_DIR");
    if (dir.isEmpty()) dir = QStringLiteral(KORVEL_BUILD_PLUGIN_DIR);
    QPluginLoader loader(QDir(dir).filePath("korvel3events.so"));
    EXPECT_EQ(platform::ProgrammaticIdOf(loader.metaData()), "Korvel3Events.Component");
    auto* plugin = qobject_cast<platform::IControlPlugin*>(loader.instance());
    ASSERT_NE(plugin, nullptr) << loader.errorString().toStdString();
    std::unique_ptr<QWidget> first(plugin->CreateComponent(nullptr));
    std::unique_ptr<QWidget> second(plugin->CreateComponent(nullptr));
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(first->setProperty("ServerPort", 4712));
    EXPECT_EQ(second->property("ServerPort").toInt(), 4712);
}
