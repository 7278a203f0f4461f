// The profiles editor's numbered captions, its handling of the server settings and the
// exact texts of its questions, without a server.
#include "controls/profiles/profilescomponent.h"
#include "tests/controls/profiles/profileswidgets.h"
#include "tests/controls/profiles/settingspeer.h"

#include "core/clientstate.h"
#include "core/records/profile.h"
#include "core/records/timeschedule.h"
#include "core/settingsstore.h"
#include "platform/checkbox.h"
#include "platform/dialogservice.h"
#include "platform/imagecombo.h"
#include "platform/popupmenu.h"
#include "platform/tabstrip.h"
#include "platform/treeview.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

using namespace korvel;
using namespace korvel::profiles::testparts;
using Profiles = korvel::profiles::Component;

namespace {


class ProfilesCaptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        state.SettingsStore = &store;
        // Text n reads "Tn" for every number the control shows.
        for (int n = 100; n < 1000; ++n) {
            const std::string text = "T" + std::to_string(n);
            state.TextTable.Rows.push_back({n, static_cast<int32_t>(state.TextTable.Blob.size() + 1),
                                            static_cast<int32_t>(text.size())});
            state.TextTable.Blob += text;
        }
    }
    Profiles& Make() {
        control.reset(); // the one before stores its settings when it ends
        control = std::make_unique<Profiles>(state);
        return *control;
    }
    void Add(int16_t id, std::string_view name) {
        auto p = std::make_shared<cProfile>();
        p->m_DiskIdentity = id;
        p->m_Enabled = -1;
        p->SetName(state, name);
        p->m_TimeSchedule = std::make_shared<cTimeSchedule>();
        p->StoreOriginalSettings();
        state.Profiles.Add("K" + std::to_string(id), p);
    }
    // The server's profile list (200) with the profiles of the state: the control fills its
    // tree and shows the profile found at `lastSelected` (else the first node).
    bool Fill(Profiles& c, const char* lastSelected) {
        if (!listPeer) listPeer.emplace();
        return listPeer->SendProfiles(c, state, Profiles::kApplication, lastSelected);
    }

    platform::ScopedScriptedDialogs dialogs;
    MemorySettingsStore store;
    ClientState state;
    std::optional<SettingsPeer> listPeer; // made once the application is
    std::unique_ptr<Profiles> control;
};

QString Widget(const QObject& root, const char* name) {
    const QObject* o = root.findChild<QObject*>(QString::fromLatin1(name));
    if (!o) return QStringLiteral("<missing %1>").arg(QLatin1String(name));
    if (auto* l = qobject_cast<const QLabel*>(o)) return l->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(o)) return b->text();
    if (auto* g = qobject_cast<const QGroupBox*>(o)) return g->title();
    return QStringLiteral("<kind %1>").arg(QLatin1String(name));
}

TEST_F(ProfilesCaptionsTest, EveryCaptionIsItsNumberedTextWithColonsTabsAndTheAreaAsWritten) {
    for (const bool child : {false, true}) {
        SCOPED_TRACE(child);
        state.ChildProfilesAllowed = child;
        Profiles& c = Make();
        c.setProperty("Area", "North"); // the start-up reads the machine's area first
        SettingsPeer peer; // the server's settings apply the texts
        ASSERT_TRUE(peer.SendGeneral(c, state, {{"AllowChildProfiles", child ? "1" : "0"}}));
        const std::pair<QString, QString> rows[] = {
            {Frame0(c).title(), "T431(North)"},
            {Command_AddProfile(c).text(), child ? "T439" : "T432"},
            {Command_RemoveProfile(c).text(), "T433"},
            {Command_CopyProfile(c).text(), "T435"},
            {Command_AddChildProfile(c).text(), "T438"},
            {Command_RenameProfile(c).text(), "T956"},
            {Widget(c, "Frame_States"), "T440"},
            {Check_AlarmState(c, 2).text(), "T443"},
            {Check_TimeSchedule(c).text(), "T444"},
            {Check_Calendar(c).text(), "T445"},
            {Widget(c, "Frame_Receivers"), "T449"},
            {Widget(c, "Frame_IncludeExclude"), "T450"},
            {Label_Condition(c, 0).text(), "T451:"},
            {Label_Condition(c, 5).text(), "T456:"},
            {Label_OffDutyBehaviour(c).text(), "T957:"},
            {Combo_OffDutyBehaviour(c).ItemText(1), "T958"},
            {Combo_OffDutyBehaviour(c).ItemText(5), "T962"},
            {Widget(c, "Frame_TimeSchedule"), "T460"},
            {Widget(c, "Label_TimeSchedule"), "T461:"},
            {Check_TimeSchedule_ViewDayType(c).text(), "T462"},
            {SSTab_Profile(c).TabCaption(0), "T465"},
            {SSTab_Profile(c).TabCaption(3), "T468"},
            {Widget(c, "Frame_Calendar"), "T470"},
            {Check_Calendar_ViewTimeAxis(c).text(), "T471"},
            {Widget(c, "Command_Calendar_ImportSpecialDays"), "T472"},
            {Widget(c, "Command_Calendar_RemoveAll"), "T473"},
            {Check_ExternalTag(c).text(), "T480"},
            {Widget(c, "Label_ExternalTag"), "T481:"},
            {Check_IgnoreExternalTag(c).text(), "T482"},
            {Check_ExternalFile(c).text(), "T483"},
            {Widget(c, "Label_ExternalFile_0"), "T484:"},
            {Widget(c, "Label_ExternalFile_1"), "T485:"},
            {Check_AutoBlock(c).text(), "T486"},
            {Label_AutoBlock(c, 0).text(), "T487:"},
            {Label_AutoBlock(c, 2).text(), "T489:"},
            {Label_AutoBlock(c, 3).text(), "T671"},
            {Label_AutoBlock(c, 4).text(), "T671"},
            {Widget(c, "Option_AutoBlockBehaviour_0"), "T493"},
            {Widget(c, "Option_AutoBlockBehaviour_1"), "T494"},
            {Check_Systems(c).text(), "T490"},
            {Widget(c, "Frame_Systems"), "T491"},
            {Widget(c, "Label_Receivers_0"), "T457:"},
            {Widget(c, "Label_Receivers_1"), "T458:"},
            {Command_Save(c).text(), "T874"},
            {Menu_Profile_Receiver_Popup_Add(c).Caption(), "T475"},
            {Menu_Profile_Receiver_Popup_Up(c).Caption(), "T476\tShift+Up"},
            {Menu_Profile_Receiver_Popup_Down(c).Caption(), "T477\tShift+Down"},
            {Menu_Profile_Receiver_Popup_Confirm(c).Caption(), "T478"},
            {Menu_Profile_Receiver_Popup_Delete(c).Caption(), "T479"},
            {Menu_TimeSchedulePopup_Action(c, 0).Caption(), "T640"},
            {Menu_TimeSchedulePopup_Action(c, 1).Caption(), "T641"},
            {Menu_TimeSchedulePopup_Action(c, 2).Caption(), "T642"},
            {Menu_TimeSchedulePopup_Action(c, 3).Caption(), "T643"},
            {Menu_TimeSchedulePopup_Action(c, 4).Caption(), "T924"},
            {Menu_TimeSchedulePopup_Action(c, 5).Caption(), "T644"},
            {Menu_TimeSchedulePopup_Action(c, 6).Caption(), "T645"},
        };
        for (const auto& [actual, expected] : rows) EXPECT_EQ(actual, expected);
        EXPECT_EQ(store.Get(Profiles::kApplication, "Texts", "IsLoadedOnce", "0"), "1");
        control.reset();
        store = MemorySettingsStore();
    }
    Profiles& c = Make();
    SettingsPeer peer;
    ASSERT_TRUE(peer.SendGeneral(c, state, {}));
    EXPECT_EQ(Frame0(c).title(), "T431");
}

TEST_F(ProfilesCaptionsTest, FirstStartWithoutServerKeepsTheInitialCaptions) {
    Profiles& c = Make();
    EXPECT_EQ(Frame0(c).title(), "&Route Profiles");
    EXPECT_EQ(Command_Save(c).text(), "Save");
    EXPECT_EQ(Menu_Profile_Receiver_Popup_Up(c).Caption(), "Flytta &upp");
    EXPECT_EQ(store.Get(Profiles::kApplication, "Texts", "IsLoadedOnce", "0"), "0");
}

TEST_F(ProfilesCaptionsTest, SettingsMessageSetsChildProfilesOffDutyRowDayTypeComboAndRememberedTab) {
    struct Case {
        const char* maxDays;
        const char* childProfiles;
        const char* lastTab;
        int16_t days;
        bool offDutyShown;
        int tab;
    };
    const Case cases[] = {
        {"0", "0", "2", 0, false, 2},
        {"1", "1", "1", 1, true, 1},
        {"-3", "0", "9", -3, false, 0},      // a tab no one has: unchanged
        {"99999", "&h1", "x", 32767, true, 0}, // clamped; hexadecimal reads too
        {"2.5", "0", "3", 2, true, 3},       // nearest, halves to even
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.maxDays);
        control.reset();
        store.Save(Profiles::kApplication, "Parameters", "LastScheduleTab", k.lastTab);
        Profiles& c = Make();
        c.show();
        SettingsPeer peer;
        ASSERT_TRUE(peer.SendGeneral(c, state, {{"MaxDaysToStoreAlarm", k.maxDays}, {"AllowChildProfiles", k.childProfiles}}));
        EXPECT_EQ(Label_OffDutyBehaviour(c).isVisibleTo(&TabControlPage(c, 1)), k.offDutyShown);
        EXPECT_EQ(Combo_OffDutyBehaviour(c).isVisibleTo(&TabControlPage(c, 1)), k.offDutyShown);
        const bool child = std::string(k.childProfiles) != "0";
        EXPECT_EQ(state.ChildProfilesAllowed, child);
        EXPECT_EQ(Command_AddChildProfile(c).isVisibleTo(&Frame0(c)), child);
        EXPECT_EQ(Command_AddProfile(c).text(), child ? "T439" : "T432");
        EXPECT_EQ(SSTab_Profile(c).SelectedIndex(), k.tab);
        EXPECT_FALSE(TabControlPage(c, k.tab).isHidden());
        ASSERT_EQ(Combo_Calendar_DayType(c).ItemCount(), 1);
        EXPECT_EQ(Combo_Calendar_DayType(c).ItemText(1), "T610");
    }
}

TEST_F(ProfilesCaptionsTest, QuestionsAndPromptsReadExactly) {
    state.ChildProfilesAllowed = true;
    Add(1, "A");
    Add(2, "A@B");
    Add(3, "C");
    Profiles& c = Make();
    ASSERT_TRUE(Fill(c, "C"));
    struct Case {
        QString node;
        QString expected;
    };
    // Remove: 926 for a node with children while child profiles are on, else 171.
    for (const Case& k : {Case{"K3", "T170 'C' T171\r\n\r\nT172"}, Case{"K1", "T170 'A' T926\r\n\r\nT172"}}) {
        ClickNode(TreeView_Profiles(c), k.node);
        dialogs->Clear();
        dialogs->QueueAnswer(platform::MessageResult::No);
        Command_RemoveProfile(c).click();
        ASSERT_EQ(dialogs->Messages().size(), 1u);
        EXPECT_EQ(dialogs->Messages()[0].text, k.expected);
        EXPECT_EQ(dialogs->Messages()[0].buttons, platform::MessageButtons::YesNo);
        EXPECT_EQ(dialogs->Messages()[0].icon, platform::MessageIcon::Question);
    }
    state.ChildProfilesAllowed = false;
    dialogs->Clear();
    dialogs->QueueAnswer(platform::MessageResult::No);
    Command_RemoveProfile(c).click();
    EXPECT_EQ(dialogs->Messages()[0].text, "T170 'A' T171\r\n\r\nT172");
    state.ChildProfilesAllowed = true;

    // Copy of a node with children: the prompt, then the question text 492 and "?".
    dialogs->Clear();
    dialogs->QueueText("Z");
    dialogs->QueueAnswer(platform::MessageResult::No);
    Command_CopyProfile(c).click();
    ASSERT_EQ(dialogs->Inputs().size(), 1u);
    EXPECT_EQ(dialogs->Inputs()[0].prompt, "T436:");
    EXPECT_EQ(dialogs->Inputs()[0].defaultText, "A");
    ASSERT_EQ(dialogs->Messages().size(), 1u);
    EXPECT_EQ(dialogs->Messages()[0].text, "T492?");

    // A taken name (case ignored): text 173 with the information icon.
    dialogs->Clear();
    dialogs->QueueText("c");
    const std::size_t before = state.Profiles.Count();
    Command_AddProfile(c).click();
    EXPECT_EQ(state.Profiles.Count(), before) << "no profile made under a taken name";
    ASSERT_EQ(dialogs->Messages().size(), 1u);
    EXPECT_EQ(dialogs->Messages()[0].text, "T173");
    EXPECT_EQ(dialogs->Messages()[0].icon, platform::MessageIcon::Information);
}

} // namespace

namespace {

TEST_F(ProfilesCaptionsTest, RenameInAnAreaStoresThePrefixButTheNodeShowsOnlyTheName) {
    Add(1, "North\\Old");
    Profiles& c = Make();
    c.setProperty("Area", "North");
    ASSERT_TRUE(Fill(c, ""));
    dialogs->QueueText("New");
    Command_RenameProfile(c).click();
    EXPECT_EQ(state.Profiles.Find("K1")->GetName(), "North\\New");
    EXPECT_EQ(TreeView_Profiles(c).Text("K1"), "New");
    EXPECT_EQ(TreeView_Profiles(c).FullPath("K1"), "New");
}

TEST_F(ProfilesCaptionsTest, AnOpenConditionEditorFollowsTheShownProfileAfterStoringItsLines) {
    Add(1, "A");
    Add(2, "B");
    state.Profiles.Find("K1")->SetCondition(2, Variant("A1,A2"));
    state.Profiles.Find("K2")->SetCondition(2, Variant("B1,B2"));
    Profiles& c = Make();
    c.show();
    ASSERT_TRUE(Fill(c, "A"));
    DoubleClickWidget(Text_Condition(c, 2));
    EXPECT_EQ(Text_Condition_Edit(c).toPlainText(), "A1\nA2");
    Text_Condition_Edit(c).setPlainText("A1\nA3");
    ClickNode(TreeView_Profiles(c), "K2");
    EXPECT_EQ(state.Profiles.Find("K1")->GetCondition(2), "A1,A3");
    EXPECT_FALSE(Text_Condition_Edit(c).isHidden());
    EXPECT_EQ(Text_Condition_Edit(c).toPlainText(), "B1\nB2");
}

} // namespace
