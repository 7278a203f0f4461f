// The active profiles control against the substitute server over loopback: start-up
// requests to the byte, the tree of the area's profiles, switching by double-click and by
// name, the rights check, and the tree following 210, 211 and 220.
#include "controls/activeprofiles/activeprofilescomponent.h"
#include "tests/support/children.h"
#include "tests/support/loopback.h"

#include "core/clientstate.h"
#include "core/records/profile.h"
#include "core/settingsstore.h"
#include "core/socket.h"
#include "platform/dialogservice.h"
#include "platform/socketcontrol.h"
#include "platform/statuslabel.h"
#include "platform/treeview.h"
#include "testserver/frameio.h"
#include "testserver/sampledata.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::testing;
using korvel::testserver::Server;
using ActivePrf = korvel::activeprofiles::Component;

namespace {

Bytes SwitchBody(int32_t identity, std::string_view name, int16_t flag) {
    Bytes b;
    AppendLong(b, identity);
    AppendString(b, name);
    AppendInteger(b, flag);
    return b;
}

// A MsgProfileSave for a profile: RecordRef, then the profile's network form.
Bytes ProfileSaveBody(int16_t identity, std::string_view name, bool enabled) {
    ClientState s;
    cProfile p;
    p.m_DiskIdentity = identity;
    p.m_Enabled = enabled ? -1 : 0;
    p.SetName(s, name);
    p.m_TimeSchedule = std::make_shared<cTimeSchedule>();
    Bytes b;
    AppendLong(b, identity);
    AppendString(b, name);
    p.AppendNetworkBytes(b);
    return b;
}

class ActiveProfilesTest : public LoopbackTest<ActivePrf> {
protected:
    ActivePrf& Make(const char* area = "", const char* password = "") {
        MakeControl(400, 300);
        control->setProperty("Area", area);
        control->setProperty("Password", password);
        return *control;
    }
    // Connects and waits until the tree holds the area's profiles.
    void Start(int expectedNodes) {
        ASSERT_TRUE(ConnectAndWait([&] { return !Tree().isHidden() && Tree().NodeCount() == expectedNodes; }));
        ASSERT_TRUE(WaitFor([&] { return !Tree().ToolTipText().isEmpty(); }));
    }
    // The number of profiles in the server's list (every one shows with no area).
    int AllProfiles() const {
        int32_t position = 0;
        return GetLongFromNetworkBytes(data.Answers.at(MessageType::MsgProfileList).front().Body, position);
    }
    platform::TreeView& Tree() const { return korvel::testing::Child<platform::TreeView>(*control, "TreeView_Profiles"); }
    // Keys and texts of the nodes in display order.
    QStringList Keys() const { return Tree().TopLevelNodes(); }
    QStringList Texts() const {
        QStringList texts;
        for (const QString& key : Keys()) texts.append(Tree().Text(key));
        return texts;
    }
    std::vector<testserver::ReceivedFrame> Sent(MessageType type) const { return server.ReceivedOfType(type, 0); }
    // Returns once what the control sent is at the server (or shown not to be) and the
    // server's answers to it have been handled.
    void Settle() {
        ServerCaughtUp();
        ClientCaughtUp();
    }
    // A double-click of the left button at that point of the tree, as the window system
    // delivers it (press, release, double-click, release), with the keys of the shift
    // state held (1 Shift, 2 Ctrl, 4 Alt).
    void DoubleClickAt(const QPoint& at, int shift) {
        Qt::KeyboardModifiers keys;
        if (shift & 1) keys |= Qt::ShiftModifier;
        if (shift & 2) keys |= Qt::ControlModifier;
        if (shift & 4) keys |= Qt::AltModifier;
        QWidget* viewport = Tree().viewport();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                                  QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent e(type, QPointF(at), viewport->mapToGlobal(QPointF(at)), Qt::LeftButton, held, keys);
            QApplication::sendEvent(viewport, &e);
        }
    }
    // The same on the node with that key, selected first.
    void CtrlDoubleClick(const QString& key, int shift = 2) {
        Tree().Select(key);
        DoubleClickAt(Tree().visualRect(Tree().currentIndex()).center(), shift);
    }
};

} // namespace

TEST_F(ActiveProfilesTest, StartUpRequestsToTheByteAndInOrder) {
    struct Case {
        const char* area;
        const char* password;
        std::vector<std::pair<MessageType, Bytes>> expected;
    };
    using enum MessageType;
    const Case cases[] = {
        {"", "", {{MsgTextTable, ""}, {MsgServerSettings, ""}, {MsgProfileList, ""}}},
        {"North", "s3cret", {{MsgTextTable, ""}, {MsgServerSettings, ""}, {MsgArea, Bytes("\x00\x05North", 7)},
                              {MsgProfileList, ""}, {MsgPassword, Bytes("\x00\x06s3cret", 8)}}},
        {"", "pw",
         {{MsgTextTable, ""}, {MsgServerSettings, ""}, {MsgProfileList, ""}, {MsgPassword, Bytes("\x00\x02pw", 4)}}},
    };
    int connection = 0;
    for (const Case& c : cases) {
        Make(c.area, c.password);
        control->setProperty("ServerPort", server.Port());
        control->setProperty("ServerAddress", "127.0.0.1");
        ASSERT_TRUE(WaitFor([&] { return !server.ReceivedOfType(MessageType::MsgProfileList, connection).empty(); }));
        std::vector<std::pair<MessageType, Bytes>> got;
        for (const auto& f : ServerCaughtUp(connection)) got.emplace_back(f.Type, f.Body);
        EXPECT_EQ(got, c.expected) << c.area << "/" << c.password;
        control.reset();
        ++connection;
    }
}

TEST_F(ActiveProfilesTest, TreeShowsTheAreasProfilesWithTheirState) {
    Make("north");
    Start(2);
    EXPECT_EQ(Keys(), (QStringList{"K3", "K4"}));
    EXPECT_EQ(Texts(), (QStringList{"Gatehouse", "Gatehouse@Weekend cover"}));
    EXPECT_EQ(Tree().Image("K3"), ActivePrf::kImageEnabled);
    EXPECT_EQ(Tree().ToolTipText(), "Ctrl + double-click switches it on or off");
    EXPECT_TRUE(korvel::testing::Child<platform::StatusLabel>(*control, "Label_Disconnected").isHidden());
    EXPECT_EQ(control->property("IsConnectedToServer").toInt(), 1);
    EXPECT_EQ(store.Get("Korvel ActiveX ActiveProfiles Client", "Texts", "IsLoadedOnce", ""), "1");

    // With no area every profile shows under its full name, in the server's order.
    control.reset();
    Make("");
    Start(AllProfiles());
    EXPECT_EQ(Texts(), (QStringList{"Day shift", "Night shift", "North\\Gatehouse", "North\\Gatehouse@Weekend cover",
                                    "South\\Pumps", "Office hours", "Holiday standby", "South\\Flood watch"}));
    EXPECT_EQ(Tree().Image("K2"), ActivePrf::kImageDisabled);
}

TEST_F(ActiveProfilesTest, CtrlDoubleClickAsksTheServerAndTheIconWaitsForItsAnswer) {
    Make("");
    Start(AllProfiles());
    server.SetAutoAnswer(false);
    CtrlDoubleClick("K2");
    ASSERT_TRUE(WaitFor([&] { return Sent(MessageType::MsgProfileEnableOrDisable).size() == 1; }));
    EXPECT_EQ(Sent(MessageType::MsgProfileEnableOrDisable)[0].Body, SwitchBody(2, "Night shift", -1));
    Settle();
    EXPECT_EQ(Tree().Image("K2"), ActivePrf::kImageDisabled) << "nothing changes before the server answers";
    EXPECT_EQ(state.Profiles.Find("K2")->m_Enabled, 0);

    // The server's answer switches the icon (and the profile).
    server.SendFrame(MessageType::MsgProfileEnableOrDisable, SwitchBody(2, "Night shift", -1));
    ASSERT_TRUE(WaitFor([&] { return Tree().Image("K2") == ActivePrf::kImageEnabled; }));
    EXPECT_EQ(control->IsProfileEnabled("night shift"), -1);

    // An enabled profile is asked to switch off; with the server answering by itself.
    server.SetAutoAnswer(true);
    CtrlDoubleClick("K1");
    ASSERT_TRUE(WaitFor([&] { return Tree().Image("K1") == ActivePrf::kImageDisabled; }));
    EXPECT_EQ(Sent(MessageType::MsgProfileEnableOrDisable).back().Body, SwitchBody(1, "Day shift", 0));
}

TEST_F(ActiveProfilesTest, DoubleClickNeedsCtrlAloneOrTheRegistrySwitchAndTheRight) {
    Make("");
    Start(AllProfiles());
    struct Case {
        int rights;
        int shift;
        bool ignoreCtrl;
        bool sends;
    };
    const Case cases[] = {
        {0xFF, 0, false, false}, {0xFF, 1, false, false}, {0xFF, 3, false, false}, {0xFF, 6, false, false},
        {0xFF, 2, false, true},  {0xFF, 3, true, true},   {0xFF, 0, true, true},
        {0x7F, 2, false, false}, {0x7F, 0, true, false},  {0x80, 2, false, true},
    };
    std::size_t expected = 0;
    for (const Case& c : cases) {
        state.UserRights = c.rights;
        state.IgnoreCtrlWhenEnablingOrDisabling = c.ignoreCtrl;
        CtrlDoubleClick("K5", c.shift);
        if (c.sends) ++expected;
        Settle();
        EXPECT_EQ(Sent(MessageType::MsgProfileEnableOrDisable).size(), expected)
            << "rights " << c.rights << " shift " << c.shift << " ignore " << c.ignoreCtrl;
    }
    // No selected node (a Ctrl double-click below the last node): nothing.
    state.UserRights = 0xFF;
    Tree().clearSelection();
    Tree().setCurrentIndex(QModelIndex());
    const QRect last = Tree().visualRect(Tree().IndexOf(Keys().back()));
    ASSERT_LT(last.bottom() + 10, Tree().viewport()->height());
    DoubleClickAt(QPoint(last.center().x(), last.bottom() + 10), 2);
    Settle();
    EXPECT_TRUE(Tree().SelectedKey().isEmpty());
    EXPECT_EQ(Sent(MessageType::MsgProfileEnableOrDisable).size(), expected);
}

TEST_F(ActiveProfilesTest, RealCtrlDoubleClickOnANodeSelectedOrNot) {
    Make("");
    Start(AllProfiles());
    server.SetAutoAnswer(false);
    QWidget* viewport = Tree().viewport();
    auto send = [&](int row, QEvent::Type type, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys) {
        const QPoint at = Tree().visualRect(Tree().IndexOf(Keys()[row])).center();
        QMouseEvent e(type, QPointF(at), viewport->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, keys);
        QApplication::sendEvent(viewport, &e);
    };
    auto click = [&](int row, Qt::KeyboardModifiers keys) {
        send(row, QEvent::MouseButtonPress, Qt::LeftButton, keys);
        send(row, QEvent::MouseButtonRelease, Qt::NoButton, keys);
    };
    struct Case {
        int row;
        bool clickedFirst; // a plain click selects the node before the double-click
        const char* name;
        int16_t flag;
    };
    // A Ctrl press on the selected node must not take the selection from it: every
    // double-click switches, also the second one on the same node.
    const Case cases[] = {
        {1, false, "Night shift", -1}, {1, false, "Night shift", -1},
        {0, true, "Day shift", 0},     {4, false, "South\\Pumps", 0},
    };
    std::size_t count = 0;
    for (const Case& c : cases) {
        if (c.clickedFirst) click(c.row, Qt::NoModifier);
        click(c.row, Qt::ControlModifier);
        send(c.row, QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::ControlModifier);
        send(c.row, QEvent::MouseButtonRelease, Qt::NoButton, Qt::ControlModifier);
        ++count;
        ASSERT_TRUE(WaitFor([&] { return Sent(MessageType::MsgProfileEnableOrDisable).size() == count; })) << c.name;
        EXPECT_EQ(Sent(MessageType::MsgProfileEnableOrDisable).back().Body, SwitchBody(c.row + 1, c.name, c.flag));
        EXPECT_EQ(Tree().SelectedKey(), QString("K%1").arg(c.row + 1));
    }
}

TEST_F(ActiveProfilesTest, ProfileEnableOrDisableByNameWithTheRightOnly) {
    Make("north");
    Start(2);
    server.SetAutoAnswer(false);
    struct Case {
        int rights;
        const char* name;
        int enabled;
        Bytes expected; // empty: nothing sent
    };
    const Case cases[] = {
        {0xFF, "gatehouse", -1, SwitchBody(3, "North\\Gatehouse", -1)},
        {0xFF, "GATEHOUSE@weekend COVER", 0, SwitchBody(4, "North\\Gatehouse@Weekend cover", 0)},
        {0xFF, "Gatehouse", 1, SwitchBody(3, "North\\Gatehouse", 1)},
        {0xFF, "Gatehouse", 65536, SwitchBody(3, "North\\Gatehouse", -1)},
        {0xFF, "South\\Pumps", 0, SwitchBody(5, "South\\Pumps", 0)}, // outside: full name only
        {0xFF, "Pumps", 0, {}},
        {0xFF, "Nobody", -1, {}},
        {0x7F, "Gatehouse", -1, {}},
    };
    std::size_t count = 0;
    for (const Case& c : cases) {
        state.UserRights = c.rights;
        ASSERT_TRUE(QMetaObject::invokeMethod(control.get(), "ProfileEnableOrDisable", Q_ARG(QString, c.name),
                                              Q_ARG(int, c.enabled)));
        Settle();
        if (!c.expected.empty()) ++count;
        ASSERT_EQ(Sent(MessageType::MsgProfileEnableOrDisable).size(), count) << c.name;
        if (!c.expected.empty()) {
            EXPECT_EQ(Sent(MessageType::MsgProfileEnableOrDisable).back().Body, c.expected) << c.name;
        }
    }
    EXPECT_EQ(Tree().Image("K4"), ActivePrf::kImageEnabled) << "nothing changes locally";
    EXPECT_EQ(control->IsProfileEnabled("Gatehouse@Weekend cover"), -1);
}

TEST_F(ActiveProfilesTest, TreeFollowsSavedDeletedAndSwitchedProfiles) {
    Make("North");
    Start(2);
    // 210: renamed within the area.
    server.SendFrame(MessageType::MsgProfileSave, ProfileSaveBody(3, "North\\Main gate", false));
    ASSERT_TRUE(WaitFor([&] { return Tree().Text("K3") == "Main gate"; }));
    EXPECT_EQ(Tree().Image("K3"), ActivePrf::kImageDisabled);
    // 210: renamed out of the area: the old node stays as it was.
    server.SendFrame(MessageType::MsgProfileSave, ProfileSaveBody(4, "South\\Weekend cover", false));
    // 210: a new profile in the area is added at the end.
    server.SendFrame(MessageType::MsgProfileSave, ProfileSaveBody(9, "NORTH\\Fence", true));
    ASSERT_TRUE(WaitFor([&] { return Tree().NodeCount() == 3; }));
    EXPECT_EQ(Keys(), (QStringList{"K3", "K4", "K9"}));
    EXPECT_EQ(Tree().Text("K4"), "Gatehouse@Weekend cover");
    EXPECT_EQ(Tree().Image("K4"), ActivePrf::kImageEnabled);
    EXPECT_EQ(Tree().Text("K9"), "Fence");
    // 220 for a profile outside the area (no node) and for an unknown one: nothing.
    server.SendFrame(MessageType::MsgProfileEnableOrDisable, SwitchBody(1, "Day shift", 0));
    server.SendFrame(MessageType::MsgProfileEnableOrDisable, SwitchBody(77, "Ghost", 0));
    // 211 removes the node; a second 211 for it finds nothing.
    Bytes del;
    AppendLong(del, 9);
    AppendString(del, "North\\Fence");
    server.SendFrame(MessageType::MsgProfileDelete, del);
    server.SendFrame(MessageType::MsgProfileDelete, del);
    ASSERT_TRUE(WaitFor([&] { return Tree().NodeCount() == 2; }));
    Settle();
    EXPECT_EQ(Keys(), (QStringList{"K3", "K4"}));
    EXPECT_TRUE(control->IsConnected());
    EXPECT_EQ(state.Profiles.Find("K1")->m_Enabled, 0) << "the decoder applied the 220";
    // A new 200 rebuilds the tree from the list.
    server.SendFrame(MessageType::MsgProfileList, server.Data().Answers[MessageType::MsgProfileList].front().Body);
    ASSERT_TRUE(WaitFor([&] { return Tree().Text("K3") == "Gatehouse"; }));
    EXPECT_EQ(Keys(), (QStringList{"K3", "K4"}));
}

TEST_F(ActiveProfilesTest, ServerKeepsTheSwitchForTheNextList) {
    Make("");
    Start(AllProfiles());
    CtrlDoubleClick("K2");
    ASSERT_TRUE(WaitFor([&] { return Tree().Image("K2") == ActivePrf::kImageEnabled; }));
    // A new connection lists the profile as the server now has it.
    control->setProperty("ServerAddress", "");
    control->setProperty("ServerAddress", "127.0.0.1");
    ASSERT_TRUE(WaitFor([&] {
        return server.ConnectionCount() == 2 && !server.ReceivedOfType(MessageType::MsgProfileList, 1).empty();
    }));
    ASSERT_TRUE(WaitFor([&] { return control->IsConnected() && Tree().NodeCount() == AllProfiles(); }));
    Settle();
    EXPECT_EQ(Tree().Image("K2"), ActivePrf::kImageEnabled);
}

TEST_F(ActiveProfilesTest, ProtocolVersionConflictClosesAndHidesTheTree) {
    platform::ScopedScriptedDialogs dialogs;
    server.Data().ProtocolVersion = 20;
    Make("");
    control->setProperty("ServerPort", server.Port());
    control->setProperty("ServerAddress", "127.0.0.1");
    ASSERT_TRUE(WaitFor([&] { return dialogs->Messages().size() == 1; }));
    const platform::MessageRequest& box = dialogs->Messages()[0];
    EXPECT_EQ(box.text, "Protocol version conflict (server: 20, client: 21)!");
    EXPECT_EQ(box.title, "Korvel ActiveX ActiveProfiles Client");
    EXPECT_EQ(box.icon, platform::MessageIcon::Exclamation);
    ASSERT_TRUE(WaitFor([&] { return !control->IsConnected(); }));
    EXPECT_TRUE(Tree().isHidden());
    EXPECT_FALSE(korvel::testing::Child<platform::StatusLabel>(*control, "Label_Disconnected").isHidden());
    EXPECT_EQ(control->property("IsConnectedToServer").toInt(), 0);
}

TEST_F(ActiveProfilesTest, ClosedConnectionHidesTheTreeAndKeepsItsNodes) {
    Make("");
    Start(AllProfiles());
    server.CloseConnection();
    ASSERT_TRUE(WaitFor([&] { return !control->IsConnected() && Tree().isHidden(); }));
    EXPECT_EQ(Tree().NodeCount(), AllProfiles());
    EXPECT_EQ(korvel::testing::Child<platform::StatusLabel>(*control, "Label_Disconnected").text(), QString("Disconnected from 127.0.0.1:%1").arg(server.Port()));
    // Switching by name while closed sends nothing and raises nothing.
    control->ProfileEnableOrDisable("Day shift", 0);
    EXPECT_TRUE(Sent(MessageType::MsgProfileEnableOrDisable).empty());
}

TEST_F(ActiveProfilesTest, IsConnectedToServerIsZeroWhileTheAttemptIsUnderWay) {
    Make("");
    control->setProperty("ServerPort", server.Port());
    control->setProperty("ServerAddress", "127.0.0.1");
    control->Timer_Connect_Timer(); // the attempt starts; its outcome arrives as an event
    ASSERT_EQ(korvel::testing::Child<platform::SocketControl>(*control, "Winsock_ActiveXClient").State(), SocketConnecting);
    EXPECT_EQ(control->property("IsConnectedToServer").toInt(), 0);
    EXPECT_TRUE(WaitFor([&] { return control->property("IsConnectedToServer").toInt() == 1; }));
}

// A host asks by name while the server saves, renames, removes and replaces profiles: every
// answer follows what the server last said, as the host calls the member by name.
TEST_F(ActiveProfilesTest, IsProfileEnabledFollowsEveryChangeTheServerAnnounces) {
    Make("North");
    Start(2);
    auto enabled = [&](const char* name) {
        int result = 99;
        EXPECT_TRUE(QMetaObject::invokeMethod(control.get(), "IsProfileEnabled", Q_RETURN_ARG(int, result),
                                              Q_ARG(QString, name)));
        return result;
    };
    EXPECT_EQ(enabled("GATEHOUSE"), -1);
    EXPECT_EQ(enabled("Main gate"), 0);
    // Renamed and switched off: the old name finds nothing, the new one the profile.
    server.SendFrame(MessageType::MsgProfileSave, ProfileSaveBody(3, "North\\Main gate", false));
    ASSERT_TRUE(WaitFor([&] { return Tree().Text("K3") == "Main gate"; }));
    EXPECT_EQ(enabled("Gatehouse"), 0);
    EXPECT_EQ(enabled("main GATE"), 0);
    server.SendFrame(MessageType::MsgProfileEnableOrDisable, SwitchBody(3, "North\\Main gate", -1));
    ASSERT_TRUE(WaitFor([&] { return Tree().Image("K3") == ActivePrf::kImageEnabled; }));
    EXPECT_EQ(enabled("Main gate"), -1);
    // A second profile with the same shown name comes after it: the first still answers.
    server.SendFrame(MessageType::MsgProfileSave, ProfileSaveBody(9, "NORTH\\main gate", false));
    ASSERT_TRUE(WaitFor([&] { return Tree().NodeCount() == 3; }));
    EXPECT_EQ(enabled("Main gate"), -1);
    // Removing the first lets the second answer.
    Bytes del;
    AppendLong(del, 3);
    AppendString(del, "North\\Main gate");
    server.SendFrame(MessageType::MsgProfileDelete, del);
    ASSERT_TRUE(WaitFor([&] { return Tree().NodeCount() == 2; }));
    EXPECT_EQ(enabled("Main gate"), 0);
    // A new list replaces everything.
    server.SendFrame(MessageType::MsgProfileList, server.Data().Answers[MessageType::MsgProfileList].front().Body);
    ASSERT_TRUE(WaitFor([&] { return Tree().Text("K3") == "Gatehouse"; }));
    EXPECT_EQ(enabled("Main gate"), 0);
    EXPECT_EQ(enabled("Gatehouse"), -1);
    // Another area: names are shown, and found, without that area.
    control->setProperty("Area", "South");
    EXPECT_EQ(enabled("Gatehouse"), 0);
    EXPECT_EQ(enabled("North\\Gatehouse"), -1);
}
