// The profiles editor against the substitute server over loopback: its start-up
// requests, the tree it builds from the profile list, the server's updates, and the
// messages Save and the public operations send, to the byte.
#include "tests/support/children.h"
#include "controls/profiles/profilescomponent.h"
#include "tests/controls/profiles/profileswidgets.h"
#include "tests/support/loopback.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"
#include "core/records/timeschedule.h"
#include "core/serversettings.h"
#include "core/settingsstore.h"
#include "platform/checkbox.h"
#include "platform/dialogservice.h"
#include "platform/imagecombo.h"
#include "platform/listview.h"
#include "platform/popupmenu.h"
#include "platform/qtext.h"
#include "platform/socketcontrol.h"
#include "platform/statuslabel.h"
#include "platform/tabstrip.h"
#include "platform/treeview.h"
#include "testserver/sampledata.h"

#include <QGroupBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

using namespace korvel;
using namespace korvel::profiles::testparts;
using namespace korvel::testing;
using korvel::testserver::Server;
using Profiles = korvel::profiles::Component;

namespace {

Bytes RecordRef(int32_t identity, std::string_view name) {
    Bytes b;
    AppendLong(b, identity);
    AppendString(b, name);
    return b;
}

class ProfilesDialogueTest : public LoopbackTest<Profiles> {
protected:
    void Start(bool childProfiles = false) {
        if (childProfiles) data.Settings[0].Items.push_back({"AllowChildProfiles", "1"});
        server.SetData(data);
        MakeControl(800, 560);
    }
    void Connect() { PointAtServer(); }
    bool TreeFilled() {
        return WaitFor([&] { return TreeView_Profiles(*control).NodeCount() > 0; });
    }
    // Returns once what the control sent is at the server and the server's answers to
    // it have been handled.
    void Settle() {
        ServerCaughtUp();
        ClientCaughtUp();
    }

    platform::ScopedScriptedDialogs dialogs;
};

TEST_F(ProfilesDialogueTest, StartUpRequestsToTheByteWithAndWithoutAreaAndPassword) {
    Start();
    Connect();
    ASSERT_TRUE(TreeFilled());
    auto frames = ServerCaughtUp(0);
    ASSERT_EQ(Types(frames), (std::vector<MessageType>{MessageType::MsgTextTable, MessageType::MsgServerSettings,
                                                       MessageType::MsgSystemList, MessageType::MsgReceiverList,
                                                       MessageType::MsgCalendar, MessageType::MsgHolidayLabelList,
                                                       MessageType::MsgProfileList}));
    for (const auto& f : frames) EXPECT_EQ(f.Body, "");

    // A new address closes the first connection; the next one carries area and password.
    control->setProperty("Area", "North");
    control->setProperty("Password", "pw");
    server.ClearReceived();
    control->setProperty("ServerAddress", "localhost");
    ASSERT_TRUE(WaitFor([&] { return server.ReceivedOfType(MessageType::MsgPassword, 1).size() == 1; }));
    frames = ServerCaughtUp(1);
    ASSERT_EQ(Types(frames), (std::vector<MessageType>{MessageType::MsgTextTable, MessageType::MsgServerSettings,
                                                       MessageType::MsgArea, MessageType::MsgSystemList,
                                                       MessageType::MsgReceiverList, MessageType::MsgCalendar,
                                                       MessageType::MsgHolidayLabelList, MessageType::MsgProfileList,
                                                       MessageType::MsgPassword}));
    EXPECT_EQ(frames[2].Body, StringBody("North"));
    EXPECT_EQ(frames[8].Body, StringBody("pw"));
}

TEST_F(ProfilesDialogueTest, ShowsConnectedStateAndFillsTheTreeSystemsAndMenus) {
    Start();
    EXPECT_TRUE(Frame0(*control).isHidden());
    EXPECT_TRUE(SSTab_Profile(*control).isHidden());
    Connect();
    ASSERT_TRUE(TreeFilled());
    ASSERT_TRUE(WaitFor([&] { return Combo_Calendar_DayType(*control).ItemCount() == 24; }));
    Settle();
    EXPECT_FALSE(Frame0(*control).isHidden());
    EXPECT_FALSE(SSTab_Profile(*control).isHidden());
    EXPECT_FALSE(Command_Save(*control).isHidden());
    EXPECT_TRUE(korvel::testing::Child<platform::StatusLabel>(*control, "Label_Disconnected").isHidden());

    // Child profiles are off: every profile is one top-level node, "@" included.
    const platform::TreeView& tree = TreeView_Profiles(*control);
    EXPECT_EQ(tree.TopLevelNodes().size(), 8);
    EXPECT_EQ(tree.Text("K4"), "North\\Gatehouse@Weekend cover");
    EXPECT_EQ(tree.Image("K1"), 1);
    EXPECT_EQ(tree.Image("K2"), 2);
    // The first node is selected and shown.
    EXPECT_EQ(tree.SelectedKey(), "K1");
    EXPECT_EQ(tree.Text("K1"), "Day shift");
    EXPECT_EQ(Text_Condition(*control, 0).text(), "*") << "the page shows Day shift";

    // Systems sorted by name, keyed by number; the receiver add-menu sorted by caption.
    EXPECT_EQ(ListView_Systems(*control).ListCount(), static_cast<int>(data.Systems.size()));
    EXPECT_EQ(Menu_Profile_Receiver_Popup_Add_Item(*control).Count(), static_cast<int>(state.Receivers.Count()));
    for (int i = 0; i + 1 < Menu_Profile_Receiver_Popup_Add_Item(*control).Count(); ++i)
        EXPECT_LE(Menu_Profile_Receiver_Popup_Add_Item(*control).Caption(i).toUpper(),
                  Menu_Profile_Receiver_Popup_Add_Item(*control).Caption(i + 1).toUpper());
    EXPECT_EQ(Menu_TimeSchedulePopup_Active(*control).Count(), 16);
    EXPECT_EQ(Menu_TimeSchedulePopup_Active(*control).Caption(0), "Public holiday");
    EXPECT_EQ(Combo_Calendar_DayType(*control).ItemIcon(9), 1);
    EXPECT_EQ(Combo_Calendar_DayType(*control).ItemIcon(8), 0);

    // The server going away hides the editor.
    server.CloseConnection(0);
    ASSERT_TRUE(WaitFor([&] { return !korvel::testing::Child<platform::StatusLabel>(*control, "Label_Disconnected").isHidden(); }));
    EXPECT_TRUE(Frame0(*control).isHidden());
    EXPECT_TRUE(SSTab_Profile(*control).isHidden());
    for (int i = 0; i < Profiles::kTabCount; ++i) EXPECT_TRUE(TabControlPage(*control, i).isHidden());
}

TEST_F(ProfilesDialogueTest, ChildProfilesInAnAreaNestAndTheLastSelectionIsFoundAgain) {
    store.Save(Profiles::kApplication, "Parameters", "LastSelectedProfile", "Gatehouse@Weekend cover");
    Start(true);
    control->setProperty("Area", "North");
    Connect();
    ASSERT_TRUE(TreeFilled());
    Settle();
    const platform::TreeView& tree = TreeView_Profiles(*control);
    // Only the area's profiles, without the area prefix; the child under its parent.
    EXPECT_EQ(tree.NodeCount(), 2);
    EXPECT_EQ(tree.TopLevelNodes(), QStringList{"K3"});
    EXPECT_EQ(tree.Text("K3"), "Gatehouse");
    EXPECT_EQ(tree.Children("K3"), QStringList{"K4"});
    EXPECT_EQ(tree.SelectedKey(), "K4");
    EXPECT_EQ(Text_Condition(*control, 0).text(), "GATE*") << "the page shows the selected profile";
    EXPECT_FALSE(Command_AddChildProfile(*control).isHidden());
    EXPECT_TRUE(Frame0(*control).title().endsWith("(North)"));

    // Ending the control remembers the selection's full path.
    control.reset();
    EXPECT_EQ(store.Get(Profiles::kApplication, "Parameters", "LastSelectedProfile", ""), "Gatehouse@Weekend cover");
}

TEST_F(ProfilesDialogueTest, SaveSendsRemovalsNewAndChangedProfilesAndTheServerAnswerRekeysTheNewOne) {
    Start();
    Connect();
    ASSERT_TRUE(TreeFilled());
    Settle();
    Profiles& c = *control;

    // Remove "Night shift" (K2), add "Late", change "Day shift" (K1) by Ctrl+double-click.
    ClickNode(TreeView_Profiles(c), "K2");
    dialogs->QueueAnswer(platform::MessageResult::Yes);
    Command_RemoveProfile(c).click();
    EXPECT_FALSE(TreeView_Profiles(c).Exists("K2"));
    ASSERT_FALSE(state.Profiles.Contains("K2"));
    dialogs->QueueText(QStringLiteral("  La/te "));
    Command_AddProfile(c).click();
    auto added = state.Profiles.Find("K-1");
    ASSERT_TRUE(added);
    EXPECT_EQ(added->GetName(), "Late");
    EXPECT_EQ(added->m_DiskIdentity, -1);
    EXPECT_EQ(TreeView_Profiles(c).SelectedKey(), "K-1");
    EXPECT_EQ(added->GetCondition(0), "*") << "a new profile takes the defaults of the cleared page";
    EXPECT_EQ(added->m_Enabled, -1);

    server.ClearReceived();
    Command_Save(c).click();
    EXPECT_EQ(Command_Save(c).text(), platform::ToQString(GetText(state, 884)));
    ASSERT_TRUE(WaitFor([&] { return server.ReceivedOfType(MessageType::MsgProfileSave).size() == 1; }));
    auto frames = ServerCaughtUp(0);
    ASSERT_EQ(Types(frames), (std::vector<MessageType>{MessageType::MsgProfileDelete, MessageType::MsgProfileSave}));
    EXPECT_EQ(frames[0].Body, RecordRef(2, "Night shift"));
    EXPECT_EQ(frames[1].Body, RecordRef(-1, "Late") + added->CompressToNetworkBytes());

    // The server's answer gives the new profile its identity: the node and the
    // collection follow, and a second Save has nothing left to send.
    ASSERT_TRUE(WaitFor([&] { return TreeView_Profiles(c).Exists("K9"); }));
    EXPECT_FALSE(TreeView_Profiles(c).Exists("K-1"));
    EXPECT_EQ(TreeView_Profiles(c).SelectedKey(), "K9");
    EXPECT_FALSE(state.Profiles.Contains("K-1"));
    ASSERT_TRUE(state.Profiles.Find("K9"));
    EXPECT_EQ(state.Profiles.Count(), 8u);
    server.ClearReceived();
    Command_Save(c).click();
    EXPECT_TRUE(ServerCaughtUp(0).empty());

    // The caption turns back between 2000 and 2100 ms after the last Save's change.
    EXPECT_TRUE(WaitFor([&] { return Command_Save(c).text() == platform::ToQString(GetText(state, 874)); }, 3500));
}

TEST_F(ProfilesDialogueTest, EnableOrDisableSendsAndOnlyTheServersAnswerChangesTheNode) {
    Start();
    control->setProperty("Area", "north");
    Connect();
    ASSERT_TRUE(WaitFor([&] { return state.Profiles.Count() == 8 && state.UserRights != 0; }));
    Settle();
    Profiles& c = *control;
    EXPECT_EQ(c.IsConnectedToServer(), 1);
    EXPECT_EQ(c.IsProfileEnabled("GATEHOUSE"), -1);
    EXPECT_EQ(c.IsProfileEnabled("nobody"), 0);
    server.ClearReceived();
    ASSERT_TRUE(QMetaObject::invokeMethod(&c, "ProfileEnableOrDisable", Q_ARG(QString, "gatehouse"), Q_ARG(int, 0)));
    ASSERT_TRUE(WaitFor([&] { return server.ReceivedOfType(MessageType::MsgProfileEnableOrDisable).size() == 1; }));
    Bytes expected = RecordRef(3, "North\\Gatehouse");
    AppendInteger(expected, 0);
    EXPECT_EQ(server.ReceivedOfType(MessageType::MsgProfileEnableOrDisable)[0].Body, expected);
    ASSERT_TRUE(WaitFor([&] { return c.IsProfileEnabled("Gatehouse") == 0; }));
    EXPECT_EQ(TreeView_Profiles(c).Image("K3"), 2);

    // Without the right nothing is sent.
    state.UserRights = 0;
    server.ClearReceived();
    c.ProfileEnableOrDisable("Gatehouse", -1);
    ServerCaughtUp();
    EXPECT_TRUE(server.ReceivedOfType(MessageType::MsgProfileEnableOrDisable).empty());
}

TEST_F(ProfilesDialogueTest, ServerDeletionAndSaveOfOtherClientsUpdateTheTree) {
    Start();
    Connect();
    ASSERT_TRUE(TreeFilled());
    Settle();
    Profiles& c = *control;
    // Another client saves profile 5 under a new name: the node follows.
    cProfile changed = *state.Profiles.Find("K5");
    changed.SetName(state, "South\\Pumps renamed");
    server.SendFrame(MessageType::MsgProfileSave, RecordRef(5, "South\\Pumps") + changed.CompressToNetworkBytes());
    ASSERT_TRUE(WaitFor([&] { return TreeView_Profiles(c).Text("K5") == "South\\Pumps renamed"; }));
    // And removes profile 2.
    server.SendFrame(MessageType::MsgProfileDelete, RecordRef(2, "Night shift"));
    ASSERT_TRUE(WaitFor([&] { return !TreeView_Profiles(c).Exists("K2"); }));
    // An unknown profile changes nothing.
    server.SendFrame(MessageType::MsgProfileDelete, RecordRef(77, "Nobody"));
    Bytes enable = RecordRef(77, "Nobody");
    AppendInteger(enable, -1);
    server.SendFrame(MessageType::MsgProfileEnableOrDisable, enable);
    ClientCaughtUp();
    EXPECT_EQ(TreeView_Profiles(c).NodeCount(), 7);
    EXPECT_TRUE(c.IsConnectedToServer());
}

TEST_F(ProfilesDialogueTest, RenameWithChildProfilesSendsDescendantsDeepestFirstAndTheTreeFollowsTheAnswers) {
    Start(true);
    Connect();
    ASSERT_TRUE(TreeFilled());
    Settle();
    Profiles& c = *control;
    // "North\Gatehouse" (K3) with its child "North\Gatehouse@Weekend cover" (K4).
    ClickNode(TreeView_Profiles(c), "K3");
    server.ClearReceived();
    dialogs->QueueText("Gate");
    Command_RenameProfile(c).click();
    ASSERT_TRUE(WaitFor([&] { return server.ReceivedOfType(MessageType::MsgProfileSave).size() == 2; }));
    const auto frames = server.ReceivedOfType(MessageType::MsgProfileSave);
    const auto child = state.Profiles.Find("K4");
    const auto parent = state.Profiles.Find("K3");
    ASSERT_TRUE(child && parent);
    EXPECT_EQ(child->GetName(), "Gate@Weekend cover");
    EXPECT_EQ(frames[0].Body, RecordRef(4, "North\\Gatehouse@Weekend cover") + child->CompressToNetworkBytes());
    EXPECT_EQ(frames[1].Body, RecordRef(3, "Gate") + parent->CompressToNetworkBytes());
    // The node texts change with the server's answers.
    ASSERT_TRUE(WaitFor([&] { return TreeView_Profiles(c).Text("K3") == "Gate"; }));
    EXPECT_EQ(TreeView_Profiles(c).FullPath("K4"), "Gate@Weekend cover");
}

TEST_F(ProfilesDialogueTest, OnlyAChangedCalendarSendsExactlyOneMessage) {
    Start();
    Connect();
    ASSERT_TRUE(WaitFor([&] { return Combo_Calendar_DayType(*control).ItemCount() == 24; }));
    ASSERT_TRUE(TreeFilled());
    Settle();
    Profiles& c = *control;
    state.SharedCalendar->SetDayType(200, 9);
    server.ClearReceived();
    Command_Save(c).click();
    ASSERT_TRUE(WaitFor([&] { return !server.ReceivedOn(0).empty(); }));
    const auto frames = ServerCaughtUp(0);
    ASSERT_EQ(Types(frames), std::vector<MessageType>{MessageType::MsgCalendarSave});
    EXPECT_EQ(frames[0].Body, state.SharedCalendar->CompressToNetworkBytes());
}

TEST_F(ProfilesDialogueTest, CalendarAnswerRenamesComboItemsButNotTheMenuAndReceiverDeletesTrimTheAddMenu) {
    Start();
    Connect();
    ASSERT_TRUE(WaitFor([&] { return Combo_Calendar_DayType(*control).ItemCount() == 24; }));
    ASSERT_TRUE(TreeFilled());
    Settle();
    Profiles& c = *control;
    cCalendar renamed = *state.SharedCalendar;
    renamed.SetDayTypeFullName(7, "Bank holiday");
    server.SendFrame(MessageType::MsgCalendarSave, renamed.CompressToNetworkBytes());
    ASSERT_TRUE(WaitFor([&] { return Combo_Calendar_DayType(c).ItemText(9) == "Bank holiday"; }));
    EXPECT_EQ(Menu_TimeSchedulePopup_Active(c).Caption(0), "Public holiday");
    EXPECT_EQ(Combo_Calendar_DayType(c).ItemCount(), 24);

    // Receivers go one by one: the menu follows, and keeps its last entry.
    const int receivers = static_cast<int>(state.Receivers.Count());
    ASSERT_GE(receivers, 2);
    std::vector<std::pair<int32_t, Bytes>> all;
    for (const auto& entry : state.Receivers) all.emplace_back(entry.item->m_DiskIdentity, entry.item->m_ReceiverName);
    for (int i = 0; i < receivers; ++i) {
        server.SendFrame(MessageType::MsgReceiverDelete,
                         RecordRef(all[static_cast<std::size_t>(i)].first, all[static_cast<std::size_t>(i)].second));
        ASSERT_TRUE(WaitFor([&] { return static_cast<int>(state.Receivers.Count()) == receivers - i - 1; }));
        ClientCaughtUp();
        EXPECT_EQ(Menu_Profile_Receiver_Popup_Add_Item(c).Count(), std::max(1, receivers - i - 1));
    }
}

} // namespace

