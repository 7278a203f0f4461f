// The profiles editor without a server: the tree, the commands, the page rules, the
// condition editor, the receiver lists, the calendar navigation and the layout, with the
// modal boxes answered by a script.
#include "controls/profiles/profilescomponent.h"
#include "tests/controls/profiles/profileswidgets.h"
#include "tests/controls/profiles/settingspeer.h"
#include "tests/support/listinput.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"
#include "core/records/timeschedule.h"
#include "core/settingsstore.h"
#include "platform/checkbox.h"
#include "platform/dialogservice.h"
#include "platform/imagecombo.h"
#include "platform/listview.h"
#include "platform/popupmenu.h"
#include "platform/tabstrip.h"
#include "platform/treeview.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

using namespace korvel;
using namespace korvel::profiles::testparts;
using Profiles = korvel::profiles::Component;

namespace {


std::shared_ptr<cProfile> MakeProfile(const ClientState& state, int16_t id, std::string_view name, bool enabled = true) {
    auto p = std::make_shared<cProfile>();
    p->m_DiskIdentity = id;
    p->m_Enabled = enabled ? -1 : 0;
    p->SetName(state, name);
    p->m_TimeSchedule = std::make_shared<cTimeSchedule>();
    for (int i = 0; i < kProfileConditionCount; ++i) p->SetCondition(i, Variant("*"));
    p->StoreOriginalSettings();
    return p;
}

// Rows of the schedule numbered as the grid numbers them, as a schedule saved by the
// editor has them.
void NumberRows(cTimeSchedule& schedule) {
    int16_t row = 0;
    for (int d = 0; d < kDayTypeCount; ++d) {
        schedule.m_AxisIndex[static_cast<std::size_t>(d)] = row;
        if (schedule.m_Active[static_cast<std::size_t>(d)] != 0) ++row;
    }
}

class ProfilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        state.SettingsStore = &store;
        peer.emplace();
    }
    Profiles& Make() {
        control = std::make_unique<Profiles>(state);
        return *control;
    }
    void Add(int16_t id, std::string_view name, bool enabled = true) {
        state.Profiles.Add("K" + std::to_string(id), MakeProfile(state, id, name, enabled));
    }
    void AddReceiver(int16_t id, std::string_view name, bool enabled = true) {
        auto r = std::make_shared<cReceiver>();
        r->m_DiskIdentity = id;
        r->m_ReceiverName = Bytes(name);
        r->m_Enabled = enabled ? -1 : 0;
        state.Receivers.Add("K" + std::to_string(id), r);
    }

    // The server's profile list (200) with the profiles of the state: the control fills its
    // tree and shows the profile found at `lastSelected` (else the first node).
    bool Fill(Profiles& c, const char* lastSelected) {
        return peer->SendProfiles(c, state, Profiles::kApplication, lastSelected);
    }

    // The record of the node the tree shows selected: the profile the page shows.
    std::shared_ptr<cProfile> Shown(const Profiles& c) const {
        return state.Profiles.Find(TreeView_Profiles(c).SelectedKey().toStdString());
    }

    platform::ScopedScriptedDialogs dialogs;
    MemorySettingsStore store;
    ClientState state;
    std::optional<SettingsPeer> peer; // made once the application is
    std::unique_ptr<Profiles> control;
};

// --- Tree ---------------------------------------------------------------------------------

TEST_F(ProfilesTest, TreeNestsOnlyWithChildProfilesAndLetsAParentTakeOverItsStandIn) {
    Add(1, "A@B");
    Add(2, "A");
    Add(3, "a@b", false); // differs only in case: shares the node of A@B
    Profiles& c = Make();
    ASSERT_TRUE(Fill(c, ""));
    EXPECT_EQ(TreeView_Profiles(c).TopLevelNodes(), (QStringList{"K1", "K2"}));
    EXPECT_EQ(TreeView_Profiles(c).Text("K1"), "A@B");

    state.Profiles.Clear();
    state.ChildProfilesAllowed = true;
    Add(1, "A@B");
    Add(2, "A");
    Add(3, "a@b", false);
    ASSERT_TRUE(Fill(c, ""));
    const platform::TreeView& tree = TreeView_Profiles(c);
    EXPECT_EQ(tree.NodeCount(), 2);
    EXPECT_EQ(tree.TopLevelNodes(), QStringList{"K2"}) << "profile A took over the node made for it";
    EXPECT_EQ(tree.Image("K2"), 1);
    EXPECT_EQ(tree.Children("K2"), QStringList{"K1"});
    EXPECT_EQ(tree.FullPath("K1"), "A@B");
    EXPECT_FALSE(tree.Exists("K3"));
    EXPECT_EQ(tree.Children("K2"), QStringList{"K1"}) << "the stand-in took the first temporary identity, -1";
    // No saved path: node 1 (the first added, now profile A's) is selected and shown.
    EXPECT_EQ(tree.SelectedKey(), "K2");
    EXPECT_EQ(Shown(c), state.Profiles.Find("K2"));
    EXPECT_TRUE(Command_RemoveProfile(c).isEnabled());
}

TEST_F(ProfilesTest, TreeShowsOnlyTheAreaWithoutItsPrefixAndFindsTheStoredPath) {
    state.ChildProfilesAllowed = true;
    Add(1, "South\\Pumps");
    Add(2, "north\\Pumps");
    Add(3, "North\\Pumps@Night");
    Profiles& c = Make();
    c.setProperty("Area", "North");
    ASSERT_TRUE(Fill(c, "Pumps@Night"));
    EXPECT_EQ(TreeView_Profiles(c).NodeCount(), 2);
    EXPECT_EQ(TreeView_Profiles(c).Text("K2"), "Pumps");
    EXPECT_EQ(TreeView_Profiles(c).SelectedKey(), "K3");
    // A path no longer present selects node 1; an empty tree shows nothing.
    ASSERT_TRUE(Fill(c, "Gone"));
    EXPECT_EQ(TreeView_Profiles(c).SelectedKey(), "K2");
    state.Profiles.Clear();
    ASSERT_TRUE(Fill(c, "Gone"));
    EXPECT_EQ(TreeView_Profiles(c).NodeCount(), 0);
}

TEST_F(ProfilesTest, NodeWithoutProfileShowsText963AndClearsThePage) {
    state.ChildProfilesAllowed = true;
    Add(1, "A@B");
    Profiles& c = Make();
    ASSERT_TRUE(Fill(c, "A@B"));
    const QString standIn = TreeView_Profiles(c).Parent("K1");
    ASSERT_TRUE(standIn.startsWith("K-"));
    dialogs->Clear();
    ClickNode(TreeView_Profiles(c), standIn);
    EXPECT_EQ(dialogs->Messages().size(), 1u);
    EXPECT_FALSE(Shown(c)) << "a stand-in node has no record";
    EXPECT_EQ(Text_Condition(c, 0).text(), "*");
}

TEST_F(ProfilesTest, CtrlDoubleClickTogglesTheImageAndTheNextStoreTakesIt) {
    Add(1, "A");
    Add(2, "B");
    Profiles& c = Make();
    ASSERT_TRUE(Fill(c, ""));
    DoubleClickNode(TreeView_Profiles(c), "K1");
    EXPECT_EQ(TreeView_Profiles(c).Image("K1"), 1) << "without Ctrl nothing changes";
    DoubleClickNode(TreeView_Profiles(c), "K1", Qt::ControlModifier);
    EXPECT_EQ(TreeView_Profiles(c).Image("K1"), 2);
    EXPECT_EQ(state.Profiles.Find("K1")->m_Enabled, -1) << "nothing changes until the page is stored";
    ClickNode(TreeView_Profiles(c), "K2");
    EXPECT_EQ(state.Profiles.Find("K1")->m_Enabled, 0);
    EXPECT_TRUE(state.Profiles.Find("K1")->HasChangedSinceLastLoadFromDisk());
    EXPECT_FALSE(state.Profiles.Find("K2")->HasChangedSinceLastLoadFromDisk())
        << "showing and storing a profile leaves its form as it was";
}

TEST_F(ProfilesTest, DeleteKeyNeedsShiftOrCtrlAndIsSwallowedEvenWhenRemoveIsDisabled) {
    Add(1, "A");
    Profiles& c = Make();
    ASSERT_TRUE(Fill(c, ""));
    struct Case {
        Qt::KeyboardModifiers keys;
        bool asked;
    };
    for (const Case& k : {Case{Qt::NoModifier, false}, Case{Qt::ShiftModifier, true}, Case{Qt::ControlModifier, true}}) {
        dialogs->Clear();
        dialogs->QueueAnswer(platform::MessageResult::No);
        const bool taken = PressTreeKey(TreeView_Profiles(c), Qt::Key_Delete, k.keys);
        EXPECT_EQ(dialogs->Messages().size(), k.asked ? 1u : 0u) << k.keys;
        EXPECT_EQ(taken, k.asked) << "Delete is swallowed exactly when it asks";
    }
    Command_RemoveProfile(c).setEnabled(false);
    dialogs->Clear();
    EXPECT_TRUE(PressTreeKey(TreeView_Profiles(c), Qt::Key_Delete, Qt::ShiftModifier));
    EXPECT_TRUE(dialogs->Messages().empty());
}

// --- Commands -----------------------------------------------------------------------------

TEST_F(ProfilesTest, NameEntryIsTrimmedCleanedAndRefusedWhenTaken) {
    state.ChildProfilesAllowed = true;
    Add(1, "North\\Top");
    Add(2, "North\\Other");
    Add(3, "North\\def");
    Profiles& c = Make();
    c.setProperty("Area", "North");
    ASSERT_TRUE(Fill(c, ""));
    // The name is asked by the Add and Add child buttons (a new profile, shown once made)
    // and by Rename on a node (the node's profile itself is left out of the taken names).
    enum class Via { Add, AddChildOfTop, RenameTop, RenameDef };
    struct Case {
        const char* typed;
        Via via;
        const char* expected; // empty: nothing made or renamed
    };
    const Case cases[] = {
        {" a/b ", Via::Add, "North\\ab"},
        {"x@y", Via::AddChildOfTop, "North\\Top@xy"},
        {"  /  ", Via::Add, ""},
        {"OTHER", Via::Add, ""},              // taken (ignoring case): text 173
        {"top", Via::RenameTop, "North\\top"}, // the left-out profile itself may keep its name in another case
        {"DEF", Via::RenameDef, "North\\DEF"},
    };
    for (const Case& k : cases) {
        const bool rename = k.via == Via::RenameTop || k.via == Via::RenameDef;
        const std::string node = k.via == Via::RenameDef ? "K3" : "K1";
        if (k.via != Via::Add) ClickNode(TreeView_Profiles(c), QString::fromStdString(node));
        // Renamed with child profiles, a name goes to the server at once; without a
        // server here, the renames are made with child profiles off.
        state.ChildProfilesAllowed = !rename;
        const std::size_t before = state.Profiles.Count();
        dialogs->QueueText(QString::fromLatin1(k.typed));
        switch (k.via) {
        case Via::Add: Command_AddProfile(c).click(); break;
        case Via::AddChildOfTop: Command_AddChildProfile(c).click(); break;
        default: Command_RenameProfile(c).click(); break;
        }
        if (rename) {
            EXPECT_EQ(state.Profiles.Find(node)->GetName(), k.expected) << k.typed;
        } else if (*k.expected == '\0') {
            EXPECT_EQ(state.Profiles.Count(), before) << k.typed;
        } else {
            EXPECT_EQ(state.Profiles.Count(), before + 1) << k.typed;
            ASSERT_TRUE(Shown(c)) << k.typed;
            EXPECT_EQ(Shown(c)->GetName(), k.expected) << k.typed;
        }
    }
    EXPECT_EQ(dialogs->Inputs().back().defaultText, "def") << "the shown node's text";
    EXPECT_TRUE(dialogs->Inputs().back().prompt.endsWith(':'));
    ASSERT_EQ(dialogs->Messages().size(), 1u);
    EXPECT_EQ(dialogs->Messages()[0].icon, platform::MessageIcon::Information);
    // Cancelled: nothing.
    const std::size_t before = state.Profiles.Count();
    dialogs->QueueText(std::nullopt);
    Command_AddProfile(c).click();
    EXPECT_EQ(state.Profiles.Count(), before);
}

TEST_F(ProfilesTest, CopyWithChildrenGivesConsecutiveTemporaryIdentitiesInOrder) {
    state.ChildProfilesAllowed = true;
    Add(1, "A");
    Add(2, "A@B");
    Add(3, "A@B@C");
    Profiles& c = Make();
    ASSERT_TRUE(Fill(c, "A"));
    dialogs->QueueText("Z");
    dialogs->QueueAnswer(platform::MessageResult::Yes);
    Command_CopyProfile(c).click();
    ASSERT_TRUE(state.Profiles.Find("K-1"));
    EXPECT_EQ(state.Profiles.Find("K-1")->GetName(), "Z");
    EXPECT_EQ(state.Profiles.Find("K-2")->GetName(), "Z@B");
    EXPECT_EQ(state.Profiles.Find("K-3")->GetName(), "Z@B@C");
    EXPECT_EQ(TreeView_Profiles(c).SelectedKey(), "K-1");
    EXPECT_EQ(Shown(c), state.Profiles.Find("K-1"));
    EXPECT_EQ(TreeView_Profiles(c).FullPath("K-3"), "Z@B@C");
    // No: the node alone.
    dialogs->QueueText("Y");
    dialogs->QueueAnswer(platform::MessageResult::No);
    Command_CopyProfile(c).click();
    EXPECT_EQ(state.Profiles.Find("K-4")->GetName(), "Y");
    EXPECT_FALSE(state.Profiles.Contains("K-5"));
}

TEST_F(ProfilesTest, RemoveKeepsSavedOnesForSaveAndMovesToASibling) {
    state.ChildProfilesAllowed = true;
    Add(1, "A");
    Add(2, "A@B");
    Add(3, "C");
    Profiles& c = Make();
    ASSERT_TRUE(Fill(c, "A"));
    dialogs->QueueAnswer(platform::MessageResult::Yes);
    Command_RemoveProfile(c).click();
    ASSERT_EQ(dialogs->Messages().size(), 1u);
    EXPECT_TRUE(dialogs->Messages()[0].text.contains(" 'A' "));
    EXPECT_TRUE(dialogs->Messages()[0].text.contains("\r\n\r\n"));
    EXPECT_FALSE(state.Profiles.Contains("K1"));
    EXPECT_FALSE(state.Profiles.Contains("K2"));
    EXPECT_EQ(TreeView_Profiles(c).SelectedKey(), "K3");
    EXPECT_EQ(Shown(c), state.Profiles.Find("K3"));
    // The only node of a level: no current profile afterwards.
    dialogs->QueueAnswer(platform::MessageResult::Yes);
    Command_RemoveProfile(c).click();
    EXPECT_TRUE(TreeView_Profiles(c).SelectedKey().isEmpty());
    EXPECT_EQ(TreeView_Profiles(c).NodeCount(), 0);
}

TEST_F(ProfilesTest, RenameWithoutChildProfilesOnlyRelabelsTheNode) {
    Add(1, "Old");
    Profiles& c = Make();
    ASSERT_TRUE(Fill(c, ""));
    dialogs->QueueText("New");
    Command_RenameProfile(c).click();
    EXPECT_EQ(state.Profiles.Find("K1")->GetName(), "New");
    EXPECT_EQ(TreeView_Profiles(c).Text("K1"), "New");
    EXPECT_TRUE(state.Profiles.Find("K1")->HasChangedSinceLastLoadFromDisk());
}

TEST_F(ProfilesTest, AddedProfileTakesThePageDefaultsAndIsEnabledWhateverTheShownNode) {
    Add(1, "Off", false);
    Profiles& c = Make();
    ASSERT_TRUE(Fill(c, ""));
    Text_Condition(c, 0).setText("TAG1");
    dialogs->QueueText("Fresh");
    Command_AddProfile(c).click();
    auto made = state.Profiles.Find("K-1");
    ASSERT_TRUE(made);
    EXPECT_EQ(made->m_Enabled, -1);
    EXPECT_EQ(made->GetCondition(0), "*");
    EXPECT_EQ(made->GetState(0), -1);
    EXPECT_EQ(made->GetState(2), 0);
    EXPECT_EQ(state.Profiles.Find("K1")->GetCondition(0), "TAG1") << "the shown profile kept its edit";
    EXPECT_EQ(TreeView_Profiles(c).Image("K-1"), 1);
}

// --- Page ---------------------------------------------------------------------------------

TEST_F(ProfilesTest, CheckBoxRulesFollowProgramChangesToo) {
    Profiles& c = Make();
    Check_AutoBlock(c).SetValue(1);
    EXPECT_TRUE(Label_AutoBlock(c, 4).isEnabled());
    EXPECT_TRUE(Text_AutoBlockTime(c).isEnabled());
    EXPECT_FALSE(Text_ExternalFile(c).isEnabled()) << "the external-file widgets keep their state";
    Check_TimeSchedule(c).SetValue(1);
    EXPECT_TRUE(SSTab_Profile(c).TabVisible(1));
    EXPECT_TRUE(Check_Calendar(c).isEnabled());
    Check_Calendar(c).SetValue(1);
    EXPECT_TRUE(SSTab_Profile(c).TabVisible(3));
    OpenMenu(Menu_TimeSchedulePopup(c));
    EXPECT_TRUE(Menu_TimeSchedulePopup_Active(c).Enabled(0)) << "the page's schedule uses the calendar";
    Check_TimeSchedule(c).SetValue(0);
    EXPECT_FALSE(SSTab_Profile(c).TabVisible(1));
    EXPECT_FALSE(Check_Calendar(c).isEnabled());
    EXPECT_EQ(Check_Calendar(c).Value(), 0);
    EXPECT_FALSE(SSTab_Profile(c).TabVisible(3));
}

TEST_F(ProfilesTest, PageRoundTripsEveryFieldAndClampsNegativeNumbers) {
    Profiles& c = Make();
    state.SystemNames[3] = "Plant";
    state.SystemNames[10] = "Annex";
    auto p = MakeProfile(state, 1, "P");
    p->SetState(2, 1);
    p->m_UseTimeSchedule = -1;
    p->m_TimeSchedule->m_UseCalendar = -1;
    p->m_OffDutyAlarmBehaviour = 3;
    p->m_UseExternalTag = -1;
    p->m_ExternalTagName = "TAG";
    p->m_AutoBlockTresholdEvents = 5;
    p->m_AutoBlockBehaviour = 1;
    p->m_ScanSpecificSystems = -1;
    p->m_TimeSchedule->SetDefaultPeriod();
    NumberRows(*p->m_TimeSchedule);
    p->StoreOriginalSettings();
    state.Profiles.Add("K1", p);
    ASSERT_TRUE(Fill(c, ""));
    p = state.Profiles.Find("K1"); // the record the list brought
    ASSERT_TRUE(p);
    EXPECT_EQ(Check_AlarmState(c, 2).Value(), 1);
    EXPECT_TRUE(SSTab_Profile(c).TabVisible(1));
    EXPECT_TRUE(SSTab_Profile(c).TabVisible(3));
    EXPECT_EQ(Combo_OffDutyBehaviour(c).SelectedItem(), 4);
    EXPECT_TRUE(Text_ExternalTag(c).isEnabled());
    EXPECT_TRUE(Option_AutoBlockBehaviour(c).Value(1));
    Command_Save(c).click(); // stores the page (the peer reads nothing it is sent)
    EXPECT_EQ(p->GetState(2), -1) << "a flag is stored as -1";
    p->SetState(2, 1);
    EXPECT_FALSE(p->HasChangedSinceLastLoadFromDisk());
    Text_AutoBlockTime(c).setText("-7");
    Text_AutoBlockTresholdTime(c).setText("12abc");
    Command_Save(c).click(); // stores the page (the peer reads nothing it is sent)
    EXPECT_EQ(p->m_AutoBlockTime, 0);
    EXPECT_EQ(p->m_AutoBlockTresholdTime, 12);
}

TEST_F(ProfilesTest, ConditionEditorCleansTheLinesIntoACommaList) {
    Profiles& c = Make();
    struct Case {
        const char* field;
        const char* lines;
        const char* expected;
    };
    const Case cases[] = {
        {"A,B,C", nullptr, "A,B,C"},
        {"", " A \nB  \n\nC", "A,B,,C"},
        {"", "A\nB\n\n", "A,B"},
        {"", "  \n \n", "*"},
        {"", "Pump 1\nPump 2", "Pump 1,Pump 2"},
        {"", ",A", ",A"},
    };
    for (const Case& k : cases) {
        Text_Condition(c, 2).setText(k.field);
        DoubleClickWidget(Text_Condition(c, 2));
        EXPECT_FALSE(Text_Condition_Edit(c).isHidden());
        EXPECT_TRUE(Label_Condition(c, 0).isHidden());
        if (k.lines) Text_Condition_Edit(c).setPlainText(k.lines);
        else EXPECT_EQ(Text_Condition_Edit(c).toPlainText(), "A\nB\nC");
        DoubleClickWidget(*Text_Condition_Edit(c).viewport());
        EXPECT_EQ(Text_Condition(c, 2).text(), k.expected) << (k.lines ? k.lines : k.field);
        EXPECT_TRUE(Text_Condition_Edit(c).isHidden());
        EXPECT_FALSE(Label_Condition(c, 0).isHidden());
    }
}

TEST_F(ProfilesTest, ServerKindTwoRelabelsAndHidesTwoConditionRowsForGood) {
    state.ServerKind = 2;
    Profiles& c = Make();
    const int row1 = Text_Condition(c, 1).y();
    // the server's settings apply the texts, twice
    ASSERT_TRUE(peer->SendGeneral(c, state, {}));
    ASSERT_TRUE(peer->SendGeneral(c, state, {}));
    EXPECT_EQ(Label_Condition(c, 0).text(), "Name:");
    EXPECT_EQ(Label_Condition(c, 5).text(), "Event Code:");
    EXPECT_EQ(Text_Condition(c, 2).y(), row1);
    EXPECT_TRUE(Text_Condition(c, 1).isHidden());
    DoubleClickWidget(Text_Condition(c, 2));
    DoubleClickWidget(*Text_Condition_Edit(c).viewport());
    EXPECT_TRUE(Label_Condition(c, 1).isHidden());
    EXPECT_TRUE(Label_Condition(c, 3).isHidden());
}

TEST_F(ProfilesTest, DayTypeRenameOnlyForSpecialTypesAndEnterIsAlwaysSwallowed) {
    state.SharedCalendar = std::make_shared<cCalendar>();
    Profiles& c = Make();
    // As messages 106 and 170 build the combo and the menu.
    Combo_Calendar_DayType(c).ClearItems();
    Combo_Calendar_DayType(c).AddItem("none");
    for (int d = 0; d < kDayTypeCount; ++d) Combo_Calendar_DayType(c).AddItem(QString("d%1").arg(d));
    while (Menu_TimeSchedulePopup_Active(c).Count() < 16) Menu_TimeSchedulePopup_Active(c).Load();
    int key = 13;
    SchedulePage(c).Combo_Calendar_DayType_KeyPress(key);
    EXPECT_EQ(key, 0);
    Combo_Calendar_DayType(c).SetSelectedItem(8);
    SchedulePage(c).Combo_Calendar_DayType_Click();
    key = 13;
    Combo_Calendar_DayType(c).setEditText("Sunday!");
    SchedulePage(c).Combo_Calendar_DayType_KeyPress(key);
    EXPECT_EQ(Combo_Calendar_DayType(c).ItemText(8), "d6");
    Combo_Calendar_DayType(c).SetSelectedItem(9);
    SchedulePage(c).Combo_Calendar_DayType_Click();
    Combo_Calendar_DayType(c).setEditText("Strike day");
    key = 13;
    SchedulePage(c).Combo_Calendar_DayType_KeyPress(key);
    EXPECT_EQ(Combo_Calendar_DayType(c).ItemText(9), "Strike day");
    EXPECT_EQ(Combo_Calendar_DayType(c).ItemCount(), 24) << "the typed text is never added";
    EXPECT_EQ(Menu_TimeSchedulePopup_Active(c).Caption(0), "Strike day");
    EXPECT_TRUE(state.SharedCalendar->HasChangedSinceLastLoadFromDisk() ||
                state.SharedCalendar->SavedNetworkBytes().empty());
    key = 65;
    SchedulePage(c).Combo_Calendar_DayType_KeyPress(key);
    EXPECT_EQ(key, 65);
}

// --- Receiver lists -----------------------------------------------------------------------

TEST_F(ProfilesTest, ReceiverTextsRoundTripWithIconsForKnownAndMissingReceivers) {
    AddReceiver(1, "North\\A");
    AddReceiver(2, "North\\X");
    AddReceiver(3, "North\\Off", false);
    const Bytes parallel = Bytes("North\\A\0North\\Gone\0", 19);
    const Bytes sequential = Bytes("North\\X\x01" "1\0North\\Off\x01" "0\0North\\Gone\x01-1\0", 36);
    Add(1, "North\\P");
    Add(2, "North\\Q");
    state.Profiles.Find("K1")->m_ParallellReceivers = parallel;
    state.Profiles.Find("K1")->m_SequentialReceivers = sequential;
    state.Profiles.Find("K2")->m_ParallellReceivers = Bytes("North\\A\0\0North\\X\0", 17);
    Profiles& c = Make();
    c.setProperty("Area", "North");
    ASSERT_TRUE(Fill(c, ""));
    ASSERT_EQ(Shown(c), state.Profiles.Find("K1"));
    ASSERT_EQ(ListView_Receivers_Parallell(c).ListCount(), 2);
    EXPECT_EQ(ListView_Receivers_Parallell(c).SmallIcon(1), 1);
    EXPECT_EQ(ListView_Receivers_Parallell(c).SmallIcon(2), 5);
    ASSERT_EQ(ListView_Receivers_Sequential(c).ListCount(), 3);
    EXPECT_EQ(ListView_Receivers_Sequential(c).SmallIcon(1), 2);
    EXPECT_EQ(ListView_Receivers_Sequential(c).SmallIcon(2), 4);
    EXPECT_EQ(ListView_Receivers_Sequential(c).SmallIcon(3), 3);
    // Leaving the profile stores the lists' texts back into it.
    ClickNode(TreeView_Profiles(c), "K2");
    const std::shared_ptr<cProfile> left = state.Profiles.Find("K1");
    EXPECT_EQ(left->m_ParallellReceivers, parallel);
    EXPECT_EQ(left->m_SequentialReceivers, Bytes("North\\X\x01-1\0North\\Off\x01" "0\0North\\Gone\x01-1\0", 37));
    // An empty entry in the middle ends the list.
    ASSERT_EQ(Shown(c), state.Profiles.Find("K2"));
    EXPECT_EQ(ListView_Receivers_Parallell(c).ListCount(), 1);
}

// The server's receiver list fills the Add sub-menu sorted by the upper-cased caption:
// captions equal when upper-cased keep the list's order.
TEST_F(ProfilesTest, ReceiverAddMenuSortsTheServersListUpperCasedStablyAndOrdinally) {
    const char* names[] = {"beta", "Alpha", "alpha", "\xC4rende"};
    std::vector<std::shared_ptr<cReceiver>> list;
    for (int i = 0; i < 4; ++i) {
        AddReceiver(static_cast<int16_t>(i + 1), names[i]);
        list.push_back(state.Receivers.Find("K" + std::to_string(i + 1)));
    }
    Profiles& c = Make();
    ASSERT_TRUE(peer->SendReceivers(c, state, list));
    platform::MenuItemArray& add = Menu_Profile_Receiver_Popup_Add_Item(c);
    ASSERT_EQ(add.Count(), 4);
    EXPECT_EQ(add.Caption(0), "Alpha");
    EXPECT_EQ(add.Tag(0), "K2");
    EXPECT_EQ(add.Caption(1), "alpha");
    EXPECT_EQ(add.Caption(2), "beta");
    EXPECT_EQ(add.Tag(2), "K1");
    EXPECT_EQ(add.Caption(3), QString::fromLatin1("\xC4rende")) << "ordinal: letters above 127 come last";
}

TEST_F(ProfilesTest, ReceiverMenuAddsMovesConfirmsAndDeletes) {
    AddReceiver(1, "beta");
    AddReceiver(2, "Alpha");
    AddReceiver(3, "alpha");
    Profiles& c = Make();

    platform::ListView& seq = ListView_Receivers_Sequential(c);
    GiveFocus(seq);
    Menu_Profile_Receiver_Popup_Add_Item(c).SetCaption(0, "one");
    PickMenuItem(Menu_Profile_Receiver_Popup_Add_Item(c), *Menu_Profile_Receiver_Popup_Add(c).SubMenu(), 0);
    Menu_Profile_Receiver_Popup_Add_Item(c).SetCaption(0, "two");
    PickMenuItem(Menu_Profile_Receiver_Popup_Add_Item(c), *Menu_Profile_Receiver_Popup_Add(c).SubMenu(), 0);
    ASSERT_EQ(seq.ListCount(), 2);
    EXPECT_EQ(seq.SmallIcon(2), 1) << "confirmation is off by default";
    EXPECT_EQ(seq.SelectedPosition(), 2);
    int key = 40; // Shift+Down on the last entry: nothing, swallowed
    ReceiverLists(c).ListView_Receivers_KeyDown(&seq, key, 1);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(seq.Text(2), "two");
    key = 38; // Ctrl+Up
    ReceiverLists(c).ListView_Receivers_KeyDown(&seq, key, 2);
    EXPECT_EQ(seq.Text(1), "two");
    EXPECT_EQ(seq.SelectedPosition(), 1);
    key = 38; // Up alone goes on to the list
    ReceiverLists(c).ListView_Receivers_KeyDown(&seq, key, 0);
    EXPECT_EQ(key, 38);
    OpenMenu(Menu_Profile_Receiver_Popup(c));
    EXPECT_FALSE(Menu_Profile_Receiver_Popup_Confirm(c).Enabled());
    EXPECT_TRUE(Menu_Profile_Receiver_Popup_Delete(c).Enabled());
    ReceiverLists(c).Menu_Profile_Receiver_Popup_Confirm_Click();
    EXPECT_EQ(seq.SmallIcon(1), 2);
    OpenMenu(Menu_Profile_Receiver_Popup(c));
    EXPECT_TRUE(Menu_Profile_Receiver_Popup_Confirm(c).Checked());
    Menu_Profile_Receiver_Popup_Delete(c).Trigger();
    EXPECT_EQ(seq.ListCount(), 1);
    EXPECT_EQ(seq.Text(1), "one");
}

TEST_F(ProfilesTest, RightClickOpensTheReceiverPopupWithAddOnlyWhenThereAreReceivers) {
    Profiles& c = Make();
    const auto shown = [&] { return dialogs->Shown<platform::Menu>(); };
    platform::ListView& par = ListView_Receivers_Parallell(c);
    // A press on no row: the click follows once the list has taken the press.
    const auto press = [&](Qt::MouseButton button) {
        korvel::testing::SendMouse(par.viewport(), QEvent::MouseButtonPress, QPoint(20, 5), button, button,
                                   Qt::NoModifier);
        korvel::testing::SendMouse(par.viewport(), QEvent::MouseButtonRelease, QPoint(20, 5), button, Qt::NoButton,
                                   Qt::NoModifier);
        QApplication::processEvents();
    };
    press(Qt::RightButton);
    EXPECT_EQ(shown(), 1);
    EXPECT_FALSE(Menu_Profile_Receiver_Popup_Add(c).Enabled());
    press(Qt::LeftButton);
    EXPECT_EQ(shown(), 1);
    QApplication::processEvents();
    // The clicked list is the one the menu's commands act on.
    Menu_Profile_Receiver_Popup_Add_Item(c).SetCaption(0, "probe");
    PickMenuItem(Menu_Profile_Receiver_Popup_Add_Item(c), *Menu_Profile_Receiver_Popup_Add(c).SubMenu(), 0);
    EXPECT_EQ(par.ListCount(), 1);
    EXPECT_EQ(ListView_Receivers_Sequential(c).ListCount(), 0);
}

// --- Calendar, timer and layout -------------------------------------------------------------

TEST_F(ProfilesTest, MonthButtonsStopAtTheCalendarEndsAndMarkedDaysSkipTheShownMonth) {
    Profiles& c = Make();
    cCalendar& cal = *state.SharedCalendar;
    // The operator steps back to the first month the calendar holds, then once more.
    cal.m_SelectedYear = 2000;
    cal.m_SelectedMonth = 2;
    Command_Calendar_ChangeMonth(c, 0).click();
    ASSERT_EQ(cal.m_SelectedMonth, 1);
    Command_Calendar_ChangeMonth(c, 0).click();
    EXPECT_EQ(cal.m_SelectedMonth, 1);
    EXPECT_EQ(cal.m_SelectedYear, 2000);
    cal.m_SelectedYear = 2039;
    cal.m_SelectedMonth = 12;
    Command_Calendar_ChangeMonth(c, 1).click();
    EXPECT_EQ(cal.m_SelectedYear, 2039);
    Command_Calendar_ChangeMonth(c, 0).click();
    EXPECT_EQ(cal.m_SelectedMonth, 11);

    // Marked: 2000-01-10 (day 9), 2000-03-05 (day 64), inside the shown month February: day 40.
    cal.SetDayType(9, 8);
    cal.SetDayType(40, 8);
    cal.SetDayType(64, 8);
    cal.m_SelectedYear = 2000;
    cal.m_SelectedMonth = 3;
    Command_Calendar_ChangeMonth(c, 0).click(); // February is shown
    ASSERT_EQ(cal.m_SelectedMonth, 2);
    Command_Calendar_ChangeEvent(c, 1).click();
    EXPECT_EQ(cal.m_SelectedMonth, 3);
    Command_Calendar_ChangeEvent(c, 1).click();
    EXPECT_EQ(cal.m_SelectedMonth, 3) << "none after: unchanged";
    Command_Calendar_ChangeEvent(c, 0).click();
    EXPECT_EQ(cal.m_SelectedMonth, 2);
    Command_Calendar_ChangeEvent(c, 0).click();
    EXPECT_EQ(cal.m_SelectedMonth, 1) << "the marked day of the shown month is skipped";
    Command_Calendar_ChangeEvent(c, 0).click();
    EXPECT_EQ(cal.m_SelectedMonth, 1) << "none before: unchanged";

    // Import and clear ask first.
    auto label = std::make_shared<cHolidayLabel>();
    label->m_Day = 100;
    label->m_DayType = 9;
    state.HolidayLabels = {label};
    dialogs->QueueAnswer(platform::MessageResult::No);
    Command_Calendar_ImportSpecialDays(c).click();
    EXPECT_EQ(cal.GetDayType(100), 0);
    dialogs->QueueAnswer(platform::MessageResult::Yes);
    Command_Calendar_ImportSpecialDays(c).click();
    EXPECT_EQ(cal.GetDayType(100), 9);
    EXPECT_TRUE(dialogs->Messages().back().text.endsWith(" ?"));
    dialogs->QueueAnswer(platform::MessageResult::Yes);
    Command_Calendar_RemoveAll(c).click();
    EXPECT_FALSE(cal.AnyDayIsSet());
}

TEST_F(ProfilesTest, ScheduleMenuDayTypesFollowTheScheduleAndARightReleaseOpensIt) {
    Add(1, "A");
    state.Profiles.Find("K1")->m_TimeSchedule->SetActive(7, -1);
    Profiles& c = Make();
    ASSERT_TRUE(Fill(c, "")); // the page shows A: day type 7 active, no calendar
    while (Menu_TimeSchedulePopup_Active(c).Count() < 16) Menu_TimeSchedulePopup_Active(c).Load();
    OpenMenu(Menu_TimeSchedulePopup(c));
    EXPECT_FALSE(Menu_TimeSchedulePopup_Active(c).Enabled(0));
    EXPECT_TRUE(Menu_TimeSchedulePopup_Active(c).Checked(0));
    SchedulePage(c).Menu_TimeSchedulePopup_Active_Click(0);
    Command_Save(c).click(); // stores the page (the peer reads nothing it is sent)
    EXPECT_EQ(state.Profiles.Find("K1")->m_TimeSchedule->GetActive(7), 0);
    EXPECT_FALSE(Menu_TimeSchedulePopup_Active(c).Checked(0));

    const auto shown = [&] { return dialogs->Shown<platform::Menu>(); };
    QWidget& picture = Picture_TimeSchedule(c);
    SendSurfaceMouse(picture, QEvent::MouseButtonPress, {100, 10}, Qt::RightButton, Qt::RightButton);
    SendSurfaceMouse(picture, QEvent::MouseButtonRelease, {100, 10}, Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(shown(), 1);
    SendSurfaceMouse(picture, QEvent::MouseButtonPress, {400, 10}, Qt::LeftButton, Qt::LeftButton);
    SendSurfaceMouse(picture, QEvent::MouseButtonRelease, {400, 10}, Qt::RightButton, Qt::LeftButton);
    EXPECT_EQ(shown(), 1) << "a left press followed by a right release opens nothing";
}

// Connected, the caption turns back after two seconds (tests/integration); without a
// connection nothing was sent and the button never says so.
TEST_F(ProfilesTest, SaveWithoutAConnectionNeverShowsTheSavedCaption) {
    Profiles& c = Make();
    const QString caption = Command_Save(c).text();
    Command_Save(c).click();
    EXPECT_EQ(Command_Save(c).text(), caption);
    ASSERT_EQ(dialogs->Messages().size(), 1u);
    EXPECT_EQ(dialogs->Messages()[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_EQ(dialogs->Messages()[0].text, Profiles::kNotSavedText);
}

TEST_F(ProfilesTest, LayoutGrowsOnlyPastItsMinimumSize) {
    Profiles& c = Make();
    c.show(); // a hidden window hears of its new size only once it is shown
    c.resize(640, 361);
    const int panelWidth = Frame0(c).width();
    const int panelHeight = Frame0(c).height();
    // Laid out again at the same size (as a resize the window system reports twice):
    // nothing moves.
    QResizeEvent again(c.size(), c.size());
    QApplication::sendEvent(&c, &again);
    EXPECT_EQ(Frame0(c).width(), panelWidth);
    EXPECT_EQ(Frame0(c).height(), panelHeight);
    c.resize(642, 362);
    EXPECT_EQ(Frame0(c).width(), 210);
    EXPECT_EQ(SSTab_Profile(c).width(), 408);
    EXPECT_EQ(SSTab_Profile(c).x(), 225);
    EXPECT_EQ(Frame0(c).height(), 308);
    EXPECT_EQ(Command_Save(c).y(), 323);
}

TEST_F(ProfilesTest, ANewProfileListIsShownEvenWhenTheSelectedKeyStaysTheSame) {
    Add(1, "A");
    Profiles& c = Make();
    ASSERT_TRUE(Fill(c, ""));
    EXPECT_EQ(Text_Condition(c, 0).text(), "*");
    state.Profiles.Clear();
    Add(1, "A");
    state.Profiles.Find("K1")->SetCondition(0, Variant("NEW"));
    ASSERT_TRUE(Fill(c, "A"));
    EXPECT_EQ(Shown(c), state.Profiles.Find("K1"));
    EXPECT_EQ(Text_Condition(c, 0).text(), "NEW");
}

TEST_F(ProfilesTest, CachedTextsReachTheOffDutyItemsAtStart) {
    store.Save(Profiles::kApplication, "Texts", "IsLoadedOnce", "1");
    state.TextTable.Rows.push_back({958, 1, 5});
    state.TextTable.Blob = "Throw";
    Profiles& c = Make();
    EXPECT_EQ(Combo_OffDutyBehaviour(c).ItemCount(), 5);
    EXPECT_EQ(Combo_OffDutyBehaviour(c).ItemText(1), "Throw");
}

// A dialog service that lets something happen while its box is open, as the server's
// messages do, then answers.
class InterruptingDialogs final : public platform::IDialogService {
public:
    std::function<void()> WhileOpen;
    platform::MessageResult Message(const platform::MessageRequest&, QWidget*) override {
        if (WhileOpen) WhileOpen();
        return platform::MessageResult::Yes;
    }
    std::optional<QString> Input(const platform::InputRequest&, QWidget*) override {
        if (WhileOpen) WhileOpen();
        return QStringLiteral("Name");
    }
    int Run(QDialog&) override { return 0; } // no window opens here: closed (Rejected)
    void Popup(platform::Menu&, const QPoint&) override {}
};

TEST_F(ProfilesTest, ANewProfileListArrivingWhileABoxIsOpenCancelsTheCommand) {
    Add(1, "A");
    Add(2, "B");
    Profiles& c = Make();
    ASSERT_TRUE(Fill(c, ""));
    auto service = std::make_unique<InterruptingDialogs>();
    InterruptingDialogs* boxes = service.get();
    auto previous = platform::InstallDialogService(std::move(service));
    boxes->WhileOpen = [&] {
        state.Profiles.Clear();
        Add(1, "A");
        Add(2, "B");
        ASSERT_TRUE(Fill(c, "B"));
    };
    Command_CopyProfile(c).click();
    ClickNode(TreeView_Profiles(c), "K1");
    Command_RenameProfile(c).click();
    ClickNode(TreeView_Profiles(c), "K1");
    Command_RemoveProfile(c).click();
    platform::InstallDialogService(std::move(previous));
    EXPECT_EQ(state.Profiles.Count(), 2u);
    EXPECT_EQ(state.Profiles.Find("K1")->GetName(), "A");
    EXPECT_EQ(TreeView_Profiles(c).NodeCount(), 2) << "nothing was removed";
}

} // namespace

