// The receivers editor's list rules without a server: settings and receivers are put into
// the state by hand and the control's handlers are called directly.
#include "controls/receivers/receiverscomponent.h"
#include "tests/support/children.h"
#include "controls/receivers/parameterswindow.h"

#include "core/clientstate.h"
#include "core/decoder.h"
#include "core/records/receiver.h"
#include "core/settingsstore.h"
#include "platform/listview.h"
#include "testserver/sampledata.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace korvel;
using Receivers = korvel::receivers::Component;

namespace {

constexpr const char* kApp = "Korvel ActiveX Receiver Client";

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "korvel_receivers_tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) {
        qputenv("KORVEL_SYSTEM_CONFIG", "/nonexistent/korvel-test-client.conf");
        new QApplication(argc, argv);
    }
}

class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        state.SettingsStore = &store;
    }
    void Start(bool allowBackup) { Start(allowBackup ? "1" : "0", "0"); }
    void Start(const char* allowBackup, const char* collection) {
        control = std::make_unique<Receivers>(state);
        control->resize(600, 400);
        std::vector<testserver::SampleSettingSection> sections = {
            {"General", {{"AllowBackupReceiver", allowBackup}, {"RunAsCollectionClient", collection}}}};
        const Bytes body = testserver::SettingsBody(sections);
        std::shared_ptr<cReceiver> r;
        std::shared_ptr<cProfile> p;
        int32_t position = 0;
        HandleServerMessage(state, 106, body, position, r, p);
        control->HandleSettingsMessage();
    }
    void Add(int16_t id, const char* name, bool enabled = true) {
        auto r = std::make_shared<cReceiver>();
        r->m_DiskIdentity = id;
        r->m_ReceiverName = name;
        r->m_Enabled = enabled ? -1 : 0;
        state.Receivers.Add(RecordKey(id), r);
    }
    platform::ListView& List() const { return korvel::testing::Child<platform::ListView>(*control, "ListView_Receivers"); }
    QStringList Texts() const {
        QStringList out;
        for (int i = 1; i <= List().ListCount(); ++i) out << List().Text(i);
        return out;
    }

    MemorySettingsStore store;
    ClientState state;
    std::unique_ptr<Receivers> control;
};

} // namespace

TEST_F(ComponentTest, ColumnsWidthsAndRememberedSort) {
    store.Save(kApp, "Parameters", "ReceiverListColWidth1", "50");
    store.Save(kApp, "Parameters", "ReceiverListColWidth2", "2000");
    store.Save(kApp, "Parameters", "ReceiverListColWidth7", "3000");
    store.Save(kApp, "Parameters", "LastReceiverSortKey", "1");
    store.Save(kApp, "Parameters", "LastReceiverSortOrder", "1");
    Start(false);
    ASSERT_EQ(List().ColumnCount(), 6);
    EXPECT_EQ(List().ColumnWidth(1), 100);
    EXPECT_EQ(List().ColumnWidth(2), 2000);
    EXPECT_EQ(List().ColumnWidth(3), 1440);
    EXPECT_EQ(List().SortKey(), 1);
    EXPECT_EQ(List().SortOrder(), 1);
    EXPECT_EQ(List().ColumnIcon(2), 1);
    EXPECT_EQ(store.Get(kApp, "Texts", "IsLoadedOnce", ""), "1");

    Start(true);
    ASSERT_EQ(List().ColumnCount(), 7);
    EXPECT_EQ(List().ColumnWidth(7), 3000);

    // A stored sort column that does not exist is ignored.
    control.reset();
    store.Save(kApp, "Parameters", "LastReceiverSortKey", "9");
    Start(false);
    EXPECT_EQ(List().SortKey(), 0);
    EXPECT_EQ(List().ColumnIcon(10), 0);
}

TEST_F(ComponentTest, HeaderClicksSortAndTerminationRemembers) {
    Start(false);
    Add(1, "beta");
    Add(2, "Alpha");
    Add(3, "gamma");
    control->FillReceiverList();
    EXPECT_EQ(Texts(), (QStringList{"Alpha", "beta", "gamma"}));
    control->ListView_Receivers_ColumnClick(1);
    EXPECT_EQ(Texts(), (QStringList{"gamma", "beta", "Alpha"}));
    EXPECT_EQ(List().ColumnIcon(1), 1);
    control->ListView_Receivers_ColumnClick(1);
    EXPECT_EQ(Texts(), (QStringList{"Alpha", "beta", "gamma"}));
    EXPECT_EQ(List().ColumnIcon(1), 2);
    control->ListView_Receivers_ColumnClick(3);
    EXPECT_EQ(List().SortKey(), 2);
    EXPECT_EQ(List().SortOrder(), 0);
    EXPECT_EQ(List().ColumnIcon(1), 0);
    EXPECT_EQ(List().ColumnIcon(3), 2);

    control->ListView_Receivers_ItemClick(List().FindKey("K3"));
    List().SetColumnWidth(2, 2100);
    control.reset();
    EXPECT_EQ(store.Get(kApp, "Parameters", "LastReceiverSortKey", ""), "2");
    EXPECT_EQ(store.Get(kApp, "Parameters", "LastReceiverSortOrder", ""), "0");
    EXPECT_EQ(store.Get(kApp, "Parameters", "ReceiverListColWidth2", ""), "2100");
    EXPECT_EQ(store.Get(kApp, "Parameters", "LastSelectedReceiver", ""), "gamma");
}

TEST_F(ComponentTest, ClosingBeforeTheListWasSetUpKeepsWhatWasRemembered) {
    store.Save(kApp, "Parameters", "LastReceiverSortKey", "3");
    store.Save(kApp, "Parameters", "ReceiverListColWidth1", "2222");
    control = std::make_unique<Receivers>(state);
    control.reset();
    EXPECT_EQ(store.Get(kApp, "Parameters", "LastReceiverSortKey", ""), "3");
    EXPECT_EQ(store.Get(kApp, "Parameters", "ReceiverListColWidth1", ""), "2222");
}

TEST_F(ComponentTest, RightsDecideTheButtons) {
    Start(false);
    Add(1, "one");
    control->FillReceiverList();
    EXPECT_FALSE(korvel::testing::Child<QPushButton>(*control, "Command_AddReceiver").isEnabled()) << "no rights before message 102";
    EXPECT_FALSE(korvel::testing::Child<QPushButton>(*control, "Command_RemoveReceiver").isEnabled());
    struct Case {
        int32_t rights;
        bool may;
    };
    for (Case c : {Case{0, false}, Case{0x20, true}, Case{0xDF, false}, Case{-1, true}}) {
        state.UserRights = c.rights;
        control->ApplyUserRights();
        EXPECT_EQ(korvel::testing::Child<QPushButton>(*control, "Command_AddReceiver").isEnabled(), c.may) << c.rights;
        // A row click offers Remove and Copy whatever the rights; 102 decides again.
        control->ListView_Receivers_ItemClick(1);
        EXPECT_TRUE(korvel::testing::Child<QPushButton>(*control, "Command_RemoveReceiver").isEnabled()) << c.rights;
        EXPECT_TRUE(korvel::testing::Child<QPushButton>(*control, "Command_CopyReceiver").isEnabled()) << c.rights;
        control->ApplyUserRights();
        EXPECT_EQ(korvel::testing::Child<QPushButton>(*control, "Command_RemoveReceiver").isEnabled(), c.may) << c.rights;
        EXPECT_EQ(korvel::testing::Child<QPushButton>(*control, "Command_CopyReceiver").isEnabled(), c.may) << c.rights;
    }
}

TEST_F(ComponentTest, SelectLastReceiverAndEnterWithoutAMousePress) {
    Start(false);
    state.Area = "North";
    Add(1, "North\\A");
    Add(2, "North\\B");
    Add(3, "South\\C");
    control->FillReceiverList();
    EXPECT_EQ(Texts(), (QStringList{"A", "B"}));

    // Nothing remembered: row 1. Remembered full name or row text: that row.
    control->SelectLastReceiver();
    EXPECT_EQ(control->CurrentReceiver()->m_DiskIdentity, 1);
    for (const char* remembered : {"North\\B", "B"}) {
        store.Save(kApp, "Parameters", "LastSelectedReceiver", remembered);
        control->SelectLastReceiver();
        EXPECT_EQ(control->CurrentReceiver()->m_DiskIdentity, 2) << remembered;
    }

}

TEST_F(ComponentTest, DoubleClickEditsOrTogglesByKeysAndPlace) {
    Start(false);
    Add(1, "one");
    control->FillReceiverList();
    control->ListView_Receivers_ItemClick(1);
    int opened = 0;
    auto previous = receivers::ReceiverParametersWindow::InstallDriver(
        [&](receivers::ReceiverParametersWindow& w) {
            ++opened;
            EXPECT_EQ(w.windowTitle().endsWith("one"), true);
            // Edit: the name of a stored receiver cannot be changed.
            EXPECT_FALSE(korvel::testing::Child<QLineEdit>(w, "Text_ReceiverName").isEnabled());
        });
    struct Case {
        bool ignoreCtrl;
        int shift;
        int x;
        bool edits;
    };
    const Case cases[] = {
        {false, 2, 3000, false}, // Ctrl alone toggles
        {false, 3, 3000, true},  // Ctrl+Shift edits
        {false, 0, 100, true},
        {true, 0, 249, false},
        {true, 0, 250, true},
    };
    for (const Case& c : cases) {
        state.IgnoreCtrlWhenEnablingOrDisabling = c.ignoreCtrl;
        control->ListView_Receivers_MouseDown(1, c.shift, c.x, 0);
        const int before = opened;
        control->ListView_Receivers_DblClick();
        EXPECT_EQ(opened - before, c.edits ? 1 : 0) << c.shift << " " << c.x;
    }
    // Enter before any press on a fresh control: the kept x is 0, so it toggles.
    control = std::make_unique<Receivers>(state);
    control->HandleSettingsMessage();
    control->FillReceiverList();
    control->ListView_Receivers_ItemClick(1);
    state.IgnoreCtrlWhenEnablingOrDisabling = true;
    const int before = opened;
    control->ListView_Receivers_KeyPress(13);
    EXPECT_EQ(opened, before);
    receivers::ReceiverParametersWindow::InstallDriver(std::move(previous));
}

TEST_F(ComponentTest, NameColumnToolTipFollowsThePointer) {
    Start(false);
    auto setText = [&](const char* t) {
        state.TextTable.Rows.clear();
        state.TextTable.Blob = t;
        state.TextTable.Rows.push_back(TextRow{437, 1, static_cast<int32_t>(std::strlen(t))});
    };
    struct Case {
        const char* text437;
        const char* before; // nullptr: as the previous step left it
        int x;              // twips; column 1 is 1440 wide
        const char* after;
    };
    const Case cases[] = {
        {"Tip", "", 100, "Tip"},      {"Tip", nullptr, 1440, ""},   {"Tip", nullptr, 1439, "Tip"},
        {"Tip", "Other", 10, "Other"}, // a tool tip already shown stays
        {"", "", 10, ""},              // no text 437: nothing
    };
    for (const Case& c : cases) {
        setText(c.text437);
        if (c.before) List().SetToolTipText(c.before);
        control->ListView_Receivers_MouseMove(0, 0, c.x, 0);
        EXPECT_EQ(List().ToolTipText(), c.after) << c.x;
    }
}

TEST_F(ComponentTest, NothingIsClickedWhenNoRowMatchesOrTheListIsEmpty) {
    Start(false);
    state.UserRights = 0x20;
    control->ApplyUserRights();
    // Empty list, nothing remembered.
    control->FillReceiverList();
    control->SelectLastReceiver();
    EXPECT_FALSE(control->CurrentReceiver());
    EXPECT_TRUE(korvel::testing::Child<QPushButton>(*control, "Command_AddReceiver").isEnabled());
    EXPECT_FALSE(korvel::testing::Child<QPushButton>(*control, "Command_RemoveReceiver").isEnabled());
    EXPECT_FALSE(korvel::testing::Child<QPushButton>(*control, "Command_CopyReceiver").isEnabled());
    // Rows, but the remembered name matches none of them.
    Add(1, "one");
    store.Save(kApp, "Parameters", "LastSelectedReceiver", "ONE");
    control->FillReceiverList();
    control->SelectLastReceiver();
    EXPECT_FALSE(control->CurrentReceiver());
    EXPECT_EQ(List().SelectedPosition(), 0);
    EXPECT_FALSE(korvel::testing::Child<QPushButton>(*control, "Command_RemoveReceiver").isEnabled());
}

TEST_F(ComponentTest, SettingsCountByTheirNumericValue) {
    const std::pair<const char*, bool> values[] = {{"0", false},  {"1", true},   {"abc", false},
                                                   {"&h1", true}, {"-1", true},  {"0.0", false},
                                                   {"", false},   {"2x", true}};
    // A collection client is offered only the types of the three protocols.
    state.ReceiverTypes.Rows[0].TypeId = 1;
    state.ReceiverTypes.Rows[0].TypeName = "Pager";
    state.ReceiverTypes.Rows[0].ProtocolCode = "ILM";
    state.ReceiverTypes.Rows[1].TypeId = 2;
    state.ReceiverTypes.Rows[1].TypeName = "GSM";
    state.ReceiverTypes.Rows[1].ProtocolCode = "GSM";
    state.ReceiverTypes.Count = 2;
    for (const auto& setting : values) {
        const auto value = setting.first; // clang 14 lambdas take no structured bindings
        const bool on = setting.second;
        Start(value, value);
        EXPECT_EQ(List().ColumnCount(), on ? 7 : 6) << value; // the backup receiver's column
        int offered = -1;
        auto previous = receivers::ReceiverParametersWindow::InstallDriver([&](receivers::ReceiverParametersWindow& w) {
            offered = korvel::testing::Child<QComboBox>(w, "Combo_ReceiverType").count();
            EXPECT_EQ(korvel::testing::Child<QComboBox>(w, "Combo_BackupReceiver").isHidden(), !on) << value;
        });
        control->Command_AddReceiver_Click();
        receivers::ReceiverParametersWindow::InstallDriver(std::move(previous));
        EXPECT_EQ(offered, on ? 1 : 2) << value;
    }
}
