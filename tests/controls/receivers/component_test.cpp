// The receivers editor's list rules, driven as the operator drives them: the server (the
// substitute one, over loopback) sends the settings, rights and receivers each test sets
// up, and the test clicks, double-clicks, moves the pointer and presses keys on the list
// and the buttons.
#include "controls/receivers/receiverscomponent.h"
#include "controls/receivers/parameterswindow.h"
#include "tests/support/children.h"
#include "tests/support/listinput.h"
#include "tests/support/loopback.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/records/receiver.h"
#include "core/settingsstore.h"
#include "platform/dialogservice.h"
#include "platform/listview.h"
#include "testserver/sampledata.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

using namespace korvel;
using namespace korvel::testing;
using Receivers = korvel::receivers::Component;
using korvel::receivers::ReceiverParametersWindow;

namespace {

constexpr const char* kApp = "Korvel ActiveX Receiver Client";

class ComponentTest : public LoopbackTest<Receivers> {
protected:
    // A control connected to a server that sends these settings and the receivers added so
    // far; returns when the list shows them.
    void Start(bool allowBackup) { Start(allowBackup ? "1" : "0", "0"); }
    void Start(const char* allowBackup, const char* collection) {
        Make();
        Connect(allowBackup, collection);
    }
    void Make() { MakeControl(600, 400); }
    // rows: what the list shows of the receivers added (-1: all of them).
    void Connect(const char* allowBackup = "0", const char* collection = "0", int rows = -1) {
        data.Settings = {{"General", {{"AllowBackupReceiver", allowBackup}, {"RunAsCollectionClient", collection}}}};
        data.Answers[MessageType::MsgReceiverList] = {testserver::OutFrame{MessageType::MsgReceiverList, ListBody()}};
        server.SetData(data);
        const int connection = server.ConnectionCount();
        ASSERT_TRUE(ConnectAndWait([&] {
            return !server.ReceivedOfType(MessageType::MsgReceiverList, connection).empty() && server.AllSent() &&
                   !Child<QGroupBox>(*control, "Frame").isHidden() && List().ListCount() == Rows(rows);
        }));
        Sync();
    }
    // Returns when everything the server sent so far has been handled: two rights
    // messages after it, the second the data set's own, are seen arriving.
    void Sync() {
        SendRights(0x7F00);
        SendRights(data.UserRights);
    }
    void Add(int16_t id, const char* name, bool enabled = true) {
        cReceiver r;
        r.m_DiskIdentity = id;
        r.m_ReceiverName = name;
        r.m_Enabled = enabled ? -1 : 0;
        m_Receivers.push_back(r);
    }
    // The server sends its whole list again (230) with the receivers added so far.
    void SendList(int rows = -1) {
        server.SendFrame(MessageType::MsgReceiverList, ListBody());
        Sync();
        ASSERT_EQ(List().ListCount(), Rows(rows));
    }
    // The server sends the operator's rights (102).
    void SendRights(int32_t rights) {
        server.SendFrame(MessageType::MsgUserRights, LongToNetworkBytes(rights));
        ASSERT_TRUE(WaitFor([&] { return state.UserRights == rights; }));
    }
    platform::ListView& List() const { return Child<platform::ListView>(*control, "ListView_Receivers"); }
    QPushButton& Button(const char* name) const { return Child<QPushButton>(*control, name); }
    QStringList Texts() const {
        QStringList out;
        for (int i = 1; i <= List().ListCount(); ++i) out << List().Text(i);
        return out;
    }
    // The receiver the control works on (the row last clicked) as the operator sees it:
    // the name in the window that Enter opens to edit it; "" when Enter opens nothing.
    QString CurrentName() {
        const int before = dialogs->Shown<ReceiverParametersWindow>();
        PressKey(List(), Qt::Key_Return);
        if (dialogs->Shown<ReceiverParametersWindow>() == before) return {};
        return dialogs->Windows().back().title.section(QStringLiteral(" - "), 1);
    }

    platform::ScopedScriptedDialogs dialogs;

private:
    int Listed() const { return static_cast<int>(m_Receivers.size()); }
    int Rows(int rows) const { return rows < 0 ? Listed() : rows; }
    Bytes ListBody() const {
        Bytes body;
        AppendLong(body, Listed());
        for (const cReceiver& r : m_Receivers) {
            AppendLong(body, r.m_DiskIdentity);
            AppendString(body, r.m_ReceiverName);
            r.AppendNetworkBytes(body);
        }
        return body;
    }
    std::vector<cReceiver> m_Receivers;
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
    Add(1, "beta");
    Add(2, "Alpha");
    Add(3, "gamma");
    Start(false);
    EXPECT_EQ(Texts(), (QStringList{"Alpha", "beta", "gamma"}));
    ClickHeader(List(), 1);
    EXPECT_EQ(Texts(), (QStringList{"gamma", "beta", "Alpha"}));
    EXPECT_EQ(List().ColumnIcon(1), 1);
    ClickHeader(List(), 1);
    EXPECT_EQ(Texts(), (QStringList{"Alpha", "beta", "gamma"}));
    EXPECT_EQ(List().ColumnIcon(1), 2);
    ClickHeader(List(), 3);
    EXPECT_EQ(List().SortKey(), 2);
    EXPECT_EQ(List().SortOrder(), 0);
    EXPECT_EQ(List().ColumnIcon(1), 0);
    EXPECT_EQ(List().ColumnIcon(3), 2);

    ClickRow(List(), List().FindKey("K3"));
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
    MakeControl(600, 400);
    control.reset();
    EXPECT_EQ(store.Get(kApp, "Parameters", "LastReceiverSortKey", ""), "3");
    EXPECT_EQ(store.Get(kApp, "Parameters", "ReceiverListColWidth1", ""), "2222");
}

TEST_F(ComponentTest, RightsDecideTheButtons) {
    Add(1, "one");
    Make();
    EXPECT_FALSE(Button("Command_AddReceiver").isEnabled()) << "no rights before message 102";
    EXPECT_FALSE(Button("Command_RemoveReceiver").isEnabled());
    Connect();
    struct Case {
        int32_t rights;
        bool may;
    };
    for (Case c : {Case{0, false}, Case{0x20, true}, Case{0xDF, false}, Case{-1, true}}) {
        SendRights(c.rights);
        EXPECT_EQ(Button("Command_AddReceiver").isEnabled(), c.may) << c.rights;
        // A row click offers Remove and Copy whatever the rights; 102 decides again.
        ClickRow(List(), 1);
        EXPECT_TRUE(Button("Command_RemoveReceiver").isEnabled()) << c.rights;
        EXPECT_TRUE(Button("Command_CopyReceiver").isEnabled()) << c.rights;
        SendRights(0x7F00); // a value between, so the next 102 is seen arriving
        SendRights(c.rights);
        EXPECT_EQ(Button("Command_RemoveReceiver").isEnabled(), c.may) << c.rights;
        EXPECT_EQ(Button("Command_CopyReceiver").isEnabled(), c.may) << c.rights;
    }
}

TEST_F(ComponentTest, SelectLastReceiverAndEnterWithoutAMousePress) {
    Add(1, "North\\A");
    Add(2, "North\\B");
    Add(3, "South\\C");
    Make();
    control->setProperty("Area", "North");
    Connect("0", "0", 2);
    EXPECT_EQ(Texts(), (QStringList{"A", "B"}));

    // Nothing remembered: row 1. Remembered full name or row text: that row.
    EXPECT_EQ(CurrentName(), "A");
    for (const char* remembered : {"North\\B", "B"}) {
        store.Save(kApp, "Parameters", "LastSelectedReceiver", remembered);
        SendList(2);
        EXPECT_EQ(CurrentName(), "B") << remembered;
    }
}

TEST_F(ComponentTest, DoubleClickEditsOrTogglesByKeysAndPlace) {
    Add(1, "one");
    Start(false);
    ClickRow(List(), 1);
    const auto opened = [&] { return dialogs->Shown<ReceiverParametersWindow>(); };
    const auto edit = [](ReceiverParametersWindow& w) {
        EXPECT_EQ(w.windowTitle().endsWith("one"), true);
        // Edit: the name of a stored receiver cannot be changed.
        EXPECT_FALSE(korvel::testing::Child<QLineEdit>(w, "Text_ReceiverName").isEnabled());
    };
    struct Case {
        bool ignoreCtrl;
        Qt::KeyboardModifiers keys;
        int xPixels; // 15 twips a pixel
        bool edits;
    };
    const Case cases[] = {
        {false, Qt::ControlModifier, 200, false},                   // Ctrl alone toggles
        {false, Qt::ControlModifier | Qt::ShiftModifier, 200, true}, // Ctrl+Shift edits
        {false, Qt::NoModifier, 7, true},
        {true, Qt::NoModifier, 16, false}, // 240 twips: left of 250
        {true, Qt::NoModifier, 17, true},  // 255 twips
    };
    for (const Case& c : cases) {
        state.IgnoreCtrlWhenEnablingOrDisabling = c.ignoreCtrl;
        const int before = opened();
        if (c.edits) dialogs->OnWindow<ReceiverParametersWindow>(edit);
        DoubleClickRow(List(), 1, c.xPixels, c.keys);
        EXPECT_EQ(opened() - before, c.edits ? 1 : 0) << c.keys.toInt() << " " << c.xPixels;
    }
    // Enter before any press on a fresh control (its row clicked by the list's arrival):
    // the kept x is 0, so it toggles.
    control.reset();
    state.IgnoreCtrlWhenEnablingOrDisabling = false;
    Start(false);
    const std::size_t toggles = server.ReceivedOfType(MessageType::MsgReceiverEnableOrDisable).size();
    state.IgnoreCtrlWhenEnablingOrDisabling = true;
    const int before = opened();
    PressKey(List(), Qt::Key_Return);
    EXPECT_EQ(opened(), before);
    EXPECT_TRUE(
        WaitFor([&] { return server.ReceivedOfType(MessageType::MsgReceiverEnableOrDisable).size() == toggles + 1; }));
}

TEST_F(ComponentTest, NameColumnToolTipFollowsThePointer) {
    Add(1, "one");
    Start(false);
    auto setText = [&](const char* t) {
        state.TextTable.Rows.clear();
        state.TextTable.Blob = t;
        state.TextTable.Rows.push_back(TextRow{437, 1, static_cast<int32_t>(std::strlen(t))});
    };
    struct Case {
        const char* text437;
        const char* before; // nullptr: as the previous step left it
        int xPixels;        // 15 twips a pixel; column 1 is 1440 twips (96 pixels) wide
        const char* after;
    };
    const Case cases[] = {
        {"Tip", "", 7, "Tip"},      {"Tip", nullptr, 96, ""},   {"Tip", nullptr, 95, "Tip"},
        {"Tip", "Other", 1, "Other"}, // a tool tip already shown stays
        {"", "", 1, ""},              // no text 437: nothing
    };
    for (const Case& c : cases) {
        setText(c.text437);
        if (c.before) List().SetToolTipText(c.before);
        MovePointer(List(), c.xPixels);
        EXPECT_EQ(List().ToolTipText(), c.after) << c.xPixels;
    }
}

TEST_F(ComponentTest, NothingIsClickedWhenNoRowMatchesOrTheListIsEmpty) {
    data.UserRights = 0x20;
    // Empty list, nothing remembered.
    Start(false);
    EXPECT_EQ(CurrentName(), "");
    EXPECT_TRUE(Button("Command_AddReceiver").isEnabled());
    EXPECT_FALSE(Button("Command_RemoveReceiver").isEnabled());
    EXPECT_FALSE(Button("Command_CopyReceiver").isEnabled());
    // Rows, but the remembered name matches none of them.
    Add(1, "one");
    store.Save(kApp, "Parameters", "LastSelectedReceiver", "ONE");
    SendList();
    EXPECT_EQ(CurrentName(), "");
    EXPECT_EQ(List().SelectedPosition(), 0);
    EXPECT_FALSE(Button("Command_RemoveReceiver").isEnabled());
}

TEST_F(ComponentTest, SettingsCountByTheirNumericValue) {
    const std::pair<const char*, bool> values[] = {{"0", false},  {"1", true},   {"abc", false},
                                                   {"&h1", true}, {"-1", true},  {"0.0", false},
                                                   {"", false},   {"2x", true}};
    // A collection client is offered only the types of the three protocols.
    data.ReceiverTypes = {testserver::SampleReceiverType{1, "Pager", "ILM", 160, "", ""},
                          testserver::SampleReceiverType{2, "GSM", "GSM", 160, "", ""}};
    for (const auto& setting : values) {
        const auto value = setting.first; // clang 14 lambdas take no structured bindings
        const bool on = setting.second;
        Start(value, value);
        EXPECT_EQ(List().ColumnCount(), on ? 7 : 6) << value; // the backup receiver's column
        int offered = -1;
        dialogs->OnWindow<ReceiverParametersWindow>([&](ReceiverParametersWindow& w) {
            offered = korvel::testing::Child<QComboBox>(w, "Combo_ReceiverType").count();
            EXPECT_EQ(korvel::testing::Child<QComboBox>(w, "Combo_BackupReceiver").isHidden(), !on) << value;
        });
        Button("Command_AddReceiver").click();
        EXPECT_EQ(offered, on ? 1 : 2) << value;
    }
}
