// The receivers editor against the substitute server over loopback: its start-up
// requests, the list from 230, the server's 240, 241 and 221, and the commands it sends.
#include "controls/receivers/parameterswindow.h"
#include "tests/support/children.h"
#include "controls/receivers/receiverscomponent.h"
#include "tests/support/listinput.h"
#include "tests/support/loopback.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/decoder.h"
#include "core/records/receiver.h"
#include "core/settingsstore.h"
#include "platform/dialogservice.h"
#include "platform/listview.h"
#include "platform/qtext.h"
#include "testserver/sampledata.h"

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>

using namespace korvel;
using namespace korvel::testing;
using korvel::receivers::ReceiverParametersWindow;
using korvel::testserver::Server;
using Receivers = korvel::receivers::Component;

namespace {

constexpr const char* kApp = "Korvel ActiveX Receiver Client";

Bytes Ref(int32_t identity, std::string_view name) {
    Bytes b;
    AppendLong(b, identity);
    AppendString(b, name);
    return b;
}

// A receiver's network form written field by field, independently of cReceiver.
Bytes Form(std::string_view name, int16_t enabled, int16_t identity, int16_t type, std::string_view backup,
           std::initializer_list<std::string_view> settings) {
    Bytes b;
    AppendString(b, name);
    AppendInteger(b, enabled);
    AppendInteger(b, identity);
    AppendInteger(b, type);
    AppendString(b, backup);
    AppendDate(b, DateTime::Zero());
    AppendLong(b, 0);
    int n = 0;
    for (std::string_view s : settings) {
        AppendString(b, s);
        ++n;
    }
    for (; n < 4; ++n) AppendString(b, "");
    return b;
}

class ReceiversTest : public LoopbackTest<Receivers> {
protected:
    void Start(const char* area = "", const char* password = "") {
        MakeControl(700, 400);
        control->setProperty("Area", area);
        if (*password) control->setProperty("Password", password);
        PointAtServer();
    }
    bool ListHas(int rows) {
        return WaitFor([&] { return !korvel::testing::Child<QGroupBox>(*control, "Frame").isHidden() && List().ListCount() == rows; });
    }
    platform::ListView& List() const { return korvel::testing::Child<platform::ListView>(*control, "ListView_Receivers"); }
    int Row(int identity) const { return List().FindKey(QString("K%1").arg(identity)); }
    // The key of the receiver the control works on (the row last clicked), as the
    // operator sees it with every right: its row selected and Remove offered; "" for none.
    QString Current() const {
        if (!Child<QPushButton>(*control, "Command_RemoveReceiver").isEnabled()) return {};
        return List().Key(List().SelectedPosition());
    }
};

} // namespace

TEST_F(ReceiversTest, StartUpRequestsWithAndWithoutAreaAndPassword) {
    struct Case {
        const char* area;
        const char* password;
        std::vector<MessageType> types;
        QString caption;
    };
    using enum MessageType;
    const Case cases[] = {
        {"", "", {MsgTextTable, MsgServerSettings, MsgReceiverTypeList, MsgReceiverList}, "R&eceivers"},
        {"North", "secret",
         {MsgTextTable, MsgServerSettings, MsgArea, MsgReceiverTypeList, MsgReceiverList, MsgPassword},
         "R&eceivers (North)"},
    };
    for (const Case& c : cases) {
        state = ClientState{};
        state.SettingsStore = &store;
        server.ClearReceived();
        const int connection = server.ConnectionCount();
        Start(c.area, c.password);
        ASSERT_TRUE(WaitFor([&] { return server.ReceivedOn(connection).size() >= c.types.size(); }));
        const auto frames = ServerCaughtUp(connection);
        ASSERT_EQ(Types(frames), c.types) << c.area;
        for (const auto& f : frames) {
            if (f.Type == MsgArea) EXPECT_EQ(f.Body, StringBody(c.area));
            else if (f.Type == MsgPassword) EXPECT_EQ(f.Body, StringBody(c.password));
            else EXPECT_EQ(f.Body, "");
        }
        ASSERT_TRUE(WaitFor([&] { return korvel::testing::Child<QGroupBox>(*control, "Frame").title() == c.caption; })) << korvel::testing::Child<QGroupBox>(*control, "Frame").title().toStdString();
        control.reset();
    }
}

TEST_F(ReceiversTest, ListFromTheServerWithColumnsIconsAndRights) {
    Start();
    ASSERT_TRUE(ListHas(6));
    platform::ListView& list = List();
    ASSERT_EQ(list.ColumnCount(), 7); // the sample server allows backup receivers
    EXPECT_EQ(list.ColumnHeader(1), "Name");
    EXPECT_EQ(list.ColumnHeader(3), "Setting #1");
    EXPECT_EQ(list.ColumnHeader(6), "Setting #4");
    EXPECT_EQ(list.ColumnHeader(7), "Backup receiver");
    const int duty = Row(1);
    ASSERT_NE(duty, 0);
    EXPECT_EQ(list.Text(duty), "Duty engineer");
    EXPECT_EQ(list.SubItem(duty, 2), "Text message (GSM)");
    EXPECT_EQ(list.SubItem(duty, 3), "+46701234567");
    EXPECT_EQ(list.SubItem(duty, 7), "Control room pager");
    EXPECT_EQ(list.SmallIcon(duty), 1);
    EXPECT_EQ(list.SmallIcon(Row(5)), 2); // disabled
    // Sorted by name, ascending: the first row is clicked when nothing was remembered.
    EXPECT_EQ(list.Text(1), "Control room pager");
    EXPECT_EQ(Current(), "K2");
    EXPECT_TRUE(korvel::testing::Child<QPushButton>(*control, "Command_AddReceiver").isEnabled());
    EXPECT_TRUE(korvel::testing::Child<QPushButton>(*control, "Command_RemoveReceiver").isEnabled());
    EXPECT_EQ(store.Get(kApp, "Parameters", "LastSelectedReceiver", ""), "Control room pager");

    // Rights without 0x20 take all three away.
    server.SendFrame(MessageType::MsgUserRights, LongToNetworkBytes(0x02));
    ASSERT_TRUE(WaitFor([&] { return !korvel::testing::Child<QPushButton>(*control, "Command_AddReceiver").isEnabled(); }));
    EXPECT_FALSE(korvel::testing::Child<QPushButton>(*control, "Command_RemoveReceiver").isEnabled());
    EXPECT_FALSE(korvel::testing::Child<QPushButton>(*control, "Command_CopyReceiver").isEnabled());
}

TEST_F(ReceiversTest, AreaShowsItsReceiversWithoutThePrefix) {
    store.Save(kApp, "Parameters", "LastSelectedReceiver", "North\\Site manager");
    Start("North");
    ASSERT_TRUE(ListHas(2));
    const int manager = Row(5);
    EXPECT_EQ(List().Text(manager), "Site manager");
    EXPECT_EQ(List().SubItem(manager, 7), "Duty engineer"); // another area: full name
    // The remembered full name finds its row.
    EXPECT_EQ(Current(), "K5");

    // A receiver of another area announced by the server adds no row.
    server.SendFrame(MessageType::MsgReceiverSave,
                     Ref(40, "South\\Tank alarm") + Form("South\\Tank alarm", -1, 40, 1, "", {"a@b"}));
    server.SendFrame(MessageType::MsgReceiverSave,
                     Ref(41, "North\\Gate 2") + Form("North\\Gate 2", -1, 41, 1, "", {"g@b"}));
    ASSERT_TRUE(ListHas(3));
    EXPECT_EQ(Row(40), 0);
    EXPECT_EQ(List().Text(Row(41)), "Gate 2");
}

TEST_F(ReceiversTest, ServerAnnouncementsUpdateRemoveAndReIcon) {
    Start();
    ASSERT_TRUE(ListHas(6));
    // 240 of a known receiver refreshes its row (also a new name) and it moves to its place.
    server.SendFrame(MessageType::MsgReceiverSave,
                     Ref(3, "Maintenance e-mail") + Form("A maintenance list", -1, 3, 1, "", {"list@example.org"}));
    ASSERT_TRUE(WaitFor([&] { return List().SubItem(Row(3), 3) == "list@example.org"; }));
    EXPECT_EQ(Row(3), 1);
    EXPECT_EQ(List().Text(1), "A maintenance list");

    // 221 changes the icon only.
    const int selected = List().SelectedPosition();
    Bytes enable = Ref(5, "North\\Site manager");
    AppendInteger(enable, -1);
    server.SendFrame(MessageType::MsgReceiverEnableOrDisable, enable);
    ASSERT_TRUE(WaitFor([&] { return List().SmallIcon(Row(5)) == 1; }));
    EXPECT_EQ(List().SelectedPosition(), selected);

    // 241 of the current receiver: the row now at its place is clicked.
    {
        const int position = Row(1);
        ClickRow(List(), position);
        const QString next = List().Text(position + 1);
        server.SendFrame(MessageType::MsgReceiverDelete, Ref(1, "Duty engineer"));
        ASSERT_TRUE(ListHas(5));
        ASSERT_NE(Current(), "");
        EXPECT_EQ(List().Text(List().SelectedPosition()), next);
    }
    // 241 of another receiver leaves the current one.
    const QString current = Current();
    server.SendFrame(MessageType::MsgReceiverDelete, Ref(6, "South\\Pump station phone"));
    ASSERT_TRUE(ListHas(4));
    EXPECT_EQ(Current(), current);
    // 241 of an unknown receiver changes nothing.
    server.SendFrame(MessageType::MsgReceiverDelete, Ref(99, "nobody"));
    ClientCaughtUp();
    EXPECT_EQ(List().ListCount(), 4);
}

TEST_F(ReceiversTest, CtrlDoubleClickTogglesThroughTheServer) {
    Start();
    ASSERT_TRUE(ListHas(6));
    DoubleClickRow(List(), Row(5), 200, Qt::ControlModifier); // Ctrl alone
    ASSERT_TRUE(WaitFor([&] { return !server.ReceivedOfType(MessageType::MsgReceiverEnableOrDisable).empty(); }));
    Bytes expected = Ref(5, "North\\Site manager");
    AppendInteger(expected, -1); // disabled now: enable
    EXPECT_EQ(server.ReceivedOfType(MessageType::MsgReceiverEnableOrDisable).front().Body, expected);
    EXPECT_EQ(expected.substr(0, 6), std::string("\0\0\0\x05\0\x12", 6));
    ASSERT_TRUE(WaitFor([&] { return List().SmallIcon(Row(5)) == 1; }));
}

TEST_F(ReceiversTest, OkSendsTheNewReceiverToTheByteAndTheServersAnswerAddsIt) {
    Start();
    ASSERT_TRUE(ListHas(6));
    platform::ScopedScriptedDialogs dialogs;
    dialogs->OnWindow<ReceiverParametersWindow>([](ReceiverParametersWindow& w) {
        Child<QLineEdit>(w, "Text_ReceiverName").setText("  Night desk ");
        const int gsm = Child<QComboBox>(w, "Combo_ReceiverType").findText("Text message (GSM)");
        ASSERT_GE(gsm, 0);
        ChooseEntry(Child<QComboBox>(w, "Combo_ReceiverType"), gsm);
        Child<QLineEdit>(w, "Text_Setting", 0).setText("+4670555");
        Child<QComboBox>(w, "Combo_Setting", 1).setCurrentIndex(2);
        Child<QComboBox>(w, "Combo_BackupReceiver").setCurrentIndex(Child<QComboBox>(w, "Combo_BackupReceiver").findText("Duty engineer"));
        Child<QPushButton>(w, "Command_Ok").click();
    });
    Child<QPushButton>(*control, "Command_AddReceiver").click();
    ASSERT_TRUE(WaitFor([&] { return !server.ReceivedOfType(MessageType::MsgReceiverSave).empty(); }));
    const Bytes expected =
        Ref(-1, "Night desk") + Form("Night desk", -1, -1, 2, "Duty engineer", {"+4670555", "2", "", ""});
    EXPECT_EQ(server.ReceivedOfType(MessageType::MsgReceiverSave).front().Body, expected);
    ASSERT_TRUE(ListHas(7));
    EXPECT_EQ(List().Text(Row(7)), "Night desk");
    EXPECT_EQ(store.Get(kApp, "Parameters", "LastSelectedReceiver", ""), "Night desk");
}

TEST_F(ReceiversTest, EditSendsTheChangeAndTheListFollowsTheServer) {
    Start();
    ASSERT_TRUE(ListHas(6));
    ClickRow(List(), Row(3));
    const auto listed = state.Receivers.Find("K3");
    platform::ScopedScriptedDialogs dialogs;
    dialogs->OnWindow<ReceiverParametersWindow>([](ReceiverParametersWindow& w) {
        EXPECT_FALSE(Child<QLineEdit>(w, "Text_ReceiverName").isEnabled());
        EXPECT_EQ(w.windowTitle(), "Edit Receivers - Maintenance e-mail");
        EXPECT_EQ(Child<QLineEdit>(w, "Text_Setting", 0).text(), "maintenance@example.org");
        Child<QLineEdit>(w, "Text_Setting", 1).setText("[ALARM]");
        Child<QPushButton>(w, "Command_Ok").click();
    });
    DoubleClickRow(List(), Row(3), 200);
    ASSERT_TRUE(WaitFor([&] { return !server.ReceivedOfType(MessageType::MsgReceiverSave).empty(); }));
    EXPECT_EQ(server.ReceivedOfType(MessageType::MsgReceiverSave).front().Body,
              Ref(3, "Maintenance e-mail") +
                  Form("Maintenance e-mail", -1, 3, 1, "", {"maintenance@example.org", "[ALARM]", "", ""}));
    ASSERT_TRUE(WaitFor([&] { return List().SubItem(Row(3), 4) == "[ALARM]"; }));
    EXPECT_EQ(Current(), "K3");
    EXPECT_EQ(state.Receivers.Find("K3"), listed); // updated in place by the server's answer
}

TEST_F(ReceiversTest, RemoveAsksAndTheServersAnswerTakesTheRow) {
    Start();
    ASSERT_TRUE(ListHas(6));
    platform::ScopedScriptedDialogs dialogs;
    ClickRow(List(), Row(2));
    dialogs->QueueAnswer(platform::MessageResult::No);
    Child<QPushButton>(*control, "Command_RemoveReceiver").click();
    ASSERT_EQ(dialogs->Messages().size(), 1u);
    EXPECT_EQ(dialogs->Messages()[0].text,
              "Do you want to remove the receiver 'Control room pager' permanently?\r\n\r\n"
              "A removed item cannot be restored.");
    EXPECT_EQ(dialogs->Messages()[0].icon, platform::MessageIcon::Question);
    ServerCaughtUp();
    EXPECT_TRUE(server.ReceivedOfType(MessageType::MsgReceiverDelete).empty());

    dialogs->QueueAnswer(platform::MessageResult::Yes);
    Child<QPushButton>(*control, "Command_RemoveReceiver").click();
    ASSERT_TRUE(WaitFor([&] { return !server.ReceivedOfType(MessageType::MsgReceiverDelete).empty(); }));
    EXPECT_EQ(server.ReceivedOfType(MessageType::MsgReceiverDelete).front().Body, Ref(2, "Control room pager"));
    ASSERT_TRUE(ListHas(5));
    EXPECT_EQ(Row(2), 0);
}

TEST_F(ReceiversTest, RealDoubleClicksToggleOrEditByKeysAndPlace) {
    Start();
    ASSERT_TRUE(ListHas(6));
    platform::ScopedScriptedDialogs dialogs;
    const auto opened = [&] { return dialogs->Shown<ReceiverParametersWindow>(); };
    struct Case {
        const char* what;
        bool ignoreCtrl;
        Qt::KeyboardModifiers keys;
        int xPixels;  // 15 twips a pixel: 16 px is 240 twips, 17 px is 255
        bool toggles;
    };
    const Case cases[] = {
        {"Ctrl alone toggles", false, Qt::ControlModifier, 60, true},
        {"Ctrl+Shift edits", false, Qt::ControlModifier | Qt::ShiftModifier, 60, false},
        {"no keys edit", false, Qt::NoModifier, 16, false},
        {"left of 250 twips toggles without Ctrl", true, Qt::NoModifier, 16, true},
        {"at 255 twips edits", true, Qt::NoModifier, 17, false},
    };
    const int duty = Row(1); // enabled: a toggle asks to disable it
    for (const Case& c : cases) {
        state.IgnoreCtrlWhenEnablingOrDisabling = c.ignoreCtrl;
        const std::size_t toggles = server.ReceivedOfType(MessageType::MsgReceiverEnableOrDisable).size();
        const int edits = opened();
        DoubleClickRow(List(), duty, c.xPixels, c.keys);
        EXPECT_EQ(Current(), "K1") << c.what;
        EXPECT_EQ(List().SelectedPosition(), duty) << c.what;
        EXPECT_EQ(opened() - edits, c.toggles ? 0 : 1) << c.what;
        if (c.toggles) {
            ASSERT_TRUE(WaitFor([&] {
                return server.ReceivedOfType(MessageType::MsgReceiverEnableOrDisable).size() == toggles + 1;
            })) << c.what;
            Bytes expected = Ref(1, "Duty engineer");
            AppendInteger(expected, 0);
            EXPECT_EQ(server.ReceivedOfType(MessageType::MsgReceiverEnableOrDisable).back().Body, expected) << c.what;
            // Back to enabled through the server before the next case.
            Bytes enable = Ref(1, "Duty engineer");
            AppendInteger(enable, -1);
            ASSERT_TRUE(WaitFor([&] { return List().SmallIcon(duty) == 2; })) << c.what;
            server.SendFrame(MessageType::MsgReceiverEnableOrDisable, enable);
            ASSERT_TRUE(WaitFor([&] { return List().SmallIcon(duty) == 1; })) << c.what;
        }
    }
}

TEST_F(ReceiversTest, RemovingTheCurrentRowClicksTheRowNowInItsPlaceOrRowOne) {
    Start();
    ASSERT_TRUE(ListHas(6));
    for (int id : {4, 5}) server.SendFrame(MessageType::MsgReceiverDelete, Ref(id, ""));
    ASSERT_TRUE(ListHas(4));
    struct Case {
        int position; // of the current row when it goes
        int rowsLeft;
        int selected; // the row clicked afterwards
    };
    for (Case c : {Case{2, 3, 2}, Case{3, 2, 1}, Case{1, 1, 1}, Case{1, 0, 0}}) {
        ClickRow(List(), c.position);
        const QString key = List().Key(c.position);
        const QString expected = c.selected ? List().Key(c.position < List().ListCount() ? c.position + 1 : 1) : "";
        server.SendFrame(MessageType::MsgReceiverDelete, Ref(key.mid(1).toInt(), ""));
        ASSERT_TRUE(ListHas(c.rowsLeft)) << c.position;
        EXPECT_EQ(List().Key(List().SelectedPosition()), expected) << c.position;
        EXPECT_EQ(Current() != "", c.selected != 0) << c.position;
        EXPECT_EQ(korvel::testing::Child<QPushButton>(*control, "Command_RemoveReceiver").isEnabled(), c.selected != 0) << c.position;
        EXPECT_EQ(korvel::testing::Child<QPushButton>(*control, "Command_CopyReceiver").isEnabled(), c.selected != 0) << c.position;
    }
}

TEST_F(ReceiversTest, AreaAndPasswordWhileConnected) {
    Start("North", "secret");
    ASSERT_TRUE(ListHas(2));
    const int connection = server.ConnectionCount() - 1;
    ServerCaughtUp(connection);
    const std::size_t before = server.ReceivedOn(connection).size();
    // A new area is only stored: nothing goes out and the caption stays.
    control->setProperty("Area", "South");
    EXPECT_EQ(state.Area, "South");
    // The same password sends nothing; a new one goes out at once.
    control->setProperty("Password", "secret");
    control->setProperty("Password", "other");
    ASSERT_TRUE(WaitFor([&] { return server.ReceivedOn(connection).size() == before + 1; }));
    const auto frames = ServerCaughtUp(connection);
    ASSERT_EQ(frames.size(), before + 1);
    EXPECT_EQ(frames.back().Type, MessageType::MsgPassword);
    EXPECT_EQ(frames.back().Body, StringBody("other"));
    EXPECT_EQ(korvel::testing::Child<QGroupBox>(*control, "Frame").title(), "R&eceivers (North)");
    EXPECT_EQ(List().ListCount(), 2);
}

// The connection drops while the operator fills in the window: Ok sends nothing, says so,
// and keeps the window open with the entries; the listed receiver and the remembered
// selection stay as they were. Driven through the buttons as the operator presses them.
TEST_F(ReceiversTest, OkWithoutAConnectionKeepsTheWindowAndSaysItWasNotSent) {
    Start();
    ASSERT_TRUE(ListHas(6));
    auto* list = control->findChild<platform::ListView*>("ListView_Receivers");
    ASSERT_NE(list, nullptr);
    const int connection = server.ConnectionCount() - 1;
    platform::ScopedScriptedDialogs dialogs;

    struct Seen {
        bool ranScript = false;
        bool acceptedAfterOk = true;
        QString nameAfterOk, settingAfterOk;
    };
    auto offline = [&](ReceiverParametersWindow& w, Seen& seen, const char* setting) {
        seen.ranScript = true;
        auto* name = w.findChild<QLineEdit*>("Text_ReceiverName");
        auto* setting0 = w.findChild<QLineEdit*>("Text_Setting0");
        auto* ok = w.findChild<QPushButton*>("Command_Ok");
        ASSERT_TRUE(name && setting0 && ok);
        if (name->isEnabled()) name->setText("Night desk");
        setting0->setText(setting);
        server.CloseConnection(connection);
        ASSERT_TRUE(WaitFor([&] { return !control->IsConnected(); }));
        ok->click();
        seen.acceptedAfterOk = w.result() == QDialog::Accepted;
        seen.nameAfterOk = name->text();
        seen.settingAfterOk = setting0->text();
        w.findChild<QPushButton*>("Command_Cancel")->click();
    };

    // Edit: the current receiver, opened by Enter on the list.
    ClickRow(*list, Row(3));
    store.Save(kApp, "Parameters", "LastSelectedReceiver", "remembered");
    const auto listed = state.Receivers.Find("K3");
    const Bytes before = listed->CompressToNetworkBytes();
    Seen edit;
    {
        dialogs->OnWindow<ReceiverParametersWindow>([&](ReceiverParametersWindow& w) { offline(w, edit, "changed@example.org"); });
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(list, &enter);
    }
    ASSERT_TRUE(edit.ranScript);
    EXPECT_FALSE(edit.acceptedAfterOk) << "the window stays open";
    EXPECT_EQ(edit.settingAfterOk, "changed@example.org") << "the entry is kept";
    ASSERT_EQ(dialogs->Messages().size(), 1u);
    EXPECT_EQ(dialogs->Messages()[0].text, receivers::kNotSentText);
    EXPECT_EQ(dialogs->Messages()[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_EQ(listed->CompressToNetworkBytes(), before);
    EXPECT_EQ(store.Get(kApp, "Parameters", "LastSelectedReceiver", ""), "remembered");
    EXPECT_TRUE(server.ReceivedOfType(MessageType::MsgReceiverSave).empty());
}

// Add with the connection gone: the same answer, and a later Cancel sends nothing either.
TEST_F(ReceiversTest, AddWithoutAConnectionSendsNothingAndReportsIt) {
    Start();
    ASSERT_TRUE(ListHas(6));
    const int connection = server.ConnectionCount() - 1;
    platform::ScopedScriptedDialogs dialogs;
    bool accepted = true;
    QString kept;
    {
        dialogs->OnWindow<ReceiverParametersWindow>([&](ReceiverParametersWindow& w) {
            w.findChild<QLineEdit*>("Text_ReceiverName")->setText("Night desk");
            auto* type = w.findChild<QComboBox*>("Combo_ReceiverType");
            ChooseEntry(*type, type->findText("Text message (GSM)"));
            server.CloseConnection(connection);
            ASSERT_TRUE(WaitFor([&] { return !control->IsConnected(); }));
            w.findChild<QPushButton*>("Command_Ok")->click();
            accepted = w.result() == QDialog::Accepted;
            kept = w.findChild<QLineEdit*>("Text_ReceiverName")->text();
            w.findChild<QPushButton*>("Command_Cancel")->click();
        });
        control->findChild<QPushButton*>("Command_AddReceiver")->click();
    }
    EXPECT_FALSE(accepted);
    EXPECT_EQ(kept, "Night desk");
    ASSERT_EQ(dialogs->Messages().size(), 1u);
    EXPECT_EQ(dialogs->Messages()[0].text, receivers::kNotSentText);
    // (The connection was closed before Ok: nothing sent later could reach the server.)
    EXPECT_TRUE(server.ReceivedOfType(MessageType::MsgReceiverSave).empty());
    EXPECT_NE(store.Get(kApp, "Parameters", "LastSelectedReceiver", ""), "Night desk");
}

// The order the list shows after the server's 240s, pinned with names that are equal but
// for case: a renamed receiver goes to the place a sort of the whole list gives it (among
// equal names by where it stood), a new one after the names equal to it, in both
// directions; the selected row stays selected.
TEST_F(ReceiversTest, SavedRenamedAndNewReceiversTakeTheirSortedPlace) {
    Start();
    ASSERT_TRUE(ListHas(6));
    auto texts = [&] {
        QStringList out;
        for (int i = 1; i <= List().ListCount(); ++i) out << List().Key(i) + "=" + List().Text(i);
        return out;
    };
    auto announce = [&](int16_t id, const char* name, const QString& expectedKeyText) {
        server.SendFrame(MessageType::MsgReceiverSave, Ref(id, name) + Form(name, -1, id, 1, "", {}));
        return WaitFor([&] { return texts().contains(expectedKeyText); });
    };
    ClickRow(List(), Row(4));
    const QString selectedKey = "K4";

    ASSERT_TRUE(announce(3, "DUTY ENGINEER", "K3=DUTY ENGINEER"));
    ASSERT_TRUE(announce(20, "duty engineer", "K20=duty engineer"));
    ASSERT_TRUE(announce(1, "Control Room Pager", "K1=Control Room Pager"));
    ASSERT_TRUE(announce(6, "control room pager", "K6=control room pager"));
    EXPECT_EQ(texts(), (QStringList{"K2=Control room pager", "K1=Control Room Pager", "K6=control room pager",
                                    "K3=DUTY ENGINEER", "K20=duty engineer", "K4=North\\Gatehouse screen",
                                    "K5=North\\Site manager"}));
    EXPECT_EQ(List().Key(List().SelectedPosition()), selectedKey);

    // Descending: the header of the sorted column clicked again.
    ClickHeader(List(), 1);
    ASSERT_TRUE(announce(2, "Duty Engineer", "K2=Duty Engineer"));
    ASSERT_TRUE(announce(21, "DUTY engineer", "K21=DUTY engineer"));
    ASSERT_TRUE(announce(20, "Aardvark", "K20=Aardvark"));
    EXPECT_EQ(texts(), (QStringList{"K5=North\\Site manager", "K4=North\\Gatehouse screen", "K3=DUTY ENGINEER",
                                    "K2=Duty Engineer", "K21=DUTY engineer", "K1=Control Room Pager",
                                    "K6=control room pager", "K20=Aardvark"}));
    EXPECT_EQ(List().Key(List().SelectedPosition()), selectedKey);
}

namespace {

// What the list should show of a receiver (the area is empty here).
struct ShownRow {
    QString key;
    QStringList texts;
    int icon = 0;
    bool operator==(const ShownRow&) const = default;
};

ShownRow RowOf(const cReceiver& r) {
    ShownRow row{QString("K%1").arg(r.m_DiskIdentity), {}, r.m_Enabled ? 1 : 2};
    row.texts << platform::ToQString(r.m_ReceiverName) << platform::ToQString(r.m_ReceiverTypeName);
    for (int i = 0; i < 4; ++i) row.texts << platform::ToQString(r.GetSetting(i).ToText());
    row.texts << platform::ToQString(r.m_BackupReceiver);
    return row;
}

// A stable sort by the sort column, as switching sorting off and on gives.
void SortRows(std::vector<ShownRow>& rows, int column, int order) {
    std::stable_sort(rows.begin(), rows.end(), [&](const ShownRow& a, const ShownRow& b) {
        const int c = QString::compare(a.texts[column], b.texts[column], Qt::CaseInsensitive);
        return order == 0 ? c < 0 : c > 0;
    });
}

// The rows a rebuild from the collection gives: collection order, one row a key, sorted.
std::vector<ShownRow> Rebuilt(const ClientState& state, int column, int order) {
    std::vector<ShownRow> rows;
    QSet<QString> keys;
    for (const auto& entry : state.Receivers) {
        ShownRow row = RowOf(*entry.item);
        if (keys.contains(row.key.toUpper())) continue;
        keys.insert(row.key.toUpper());
        rows.push_back(std::move(row));
    }
    SortRows(rows, column, order);
    return rows;
}

// The same rows with those of an equal sort text put in the order of their keys: two
// lists compare equal so when they differ at most in the order among equal texts.
std::vector<ShownRow> Canonical(std::vector<ShownRow> rows, int column) {
    std::stable_sort(rows.begin(), rows.end(), [&](const ShownRow& a, const ShownRow& b) {
        const int c = QString::compare(a.texts[column], b.texts[column], Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.key < b.key;
    });
    return rows;
}

} // namespace

// A long random stream of the server's 240 (saves, renames, new receivers by name, a new
// receiver under an identity listed before), 241, 221 and 230, with the operator sorting
// by other columns and clicking rows in between. After every message the list is exactly
// what the rules make of the list before it (a saved receiver's row refreshed or added and
// the list sorted again, stable; a removed one's row gone; an icon changed; a 230 rebuilt),
// holds the rows a rebuild from the collection gives (texts and icons), in the same order
// but among rows of an equal sort text (those keep the order they stood in), and the
// selected row is where the rules put it.
TEST_F(ReceiversTest, AfterEveryMessageOfARandomStreamTheListIsWhatARebuildGives) {
    Start();
    ASSERT_TRUE(ListHas(6));
    std::mt19937 random(20261209);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    // Names equal but for case, accents (Windows-1252) and one beyond Latin-1 (0x8A, S with
    // caron): ties are common and rows are kept both ways.
    const std::vector<Bytes> names = {"Alpha",    "alpha",   "ALPHA", "Beta", "beta",  "\xC9mile", "\xE9mile",
                                      "emile",    "\x8A" "ark", "\x9A" "ark", "Zulu", "zulu 2", "Pager 10", "pager 9"};
    std::vector<ShownRow> expected = Rebuilt(state, List().SortKey(), List().SortOrder());
    // The row the control works on (last clicked) and the selected row.
    QString current = Current();
    QString selected = List().Key(List().SelectedPosition());
    int nextIdentity = 100;
    std::size_t barriers = server.ReceivedOfType(MessageType::MsgKeepAlive).size();
    auto shown = [&] {
        std::vector<ShownRow> rows;
        for (int i = 1; i <= List().ListCount(); ++i) {
            ShownRow row{List().Key(i), {}, List().SmallIcon(i)};
            for (int c = 1; c <= 7; ++c) row.texts << List().SubItem(i, c);
            rows.push_back(row);
        }
        return rows;
    };
    auto position = [&](const QString& key) {
        for (std::size_t i = 0; i < expected.size(); ++i)
            if (expected[i].key == key) return static_cast<int>(i);
        return -1;
    };
    // Sends the frame, then a keep-alive whose answer says the frame was handled.
    auto deliver = [&](MessageType type, const Bytes& body) {
        server.SendFrame(type, body);
        server.SendFrame(MessageType::MsgKeepAlive, "");
        ++barriers;
        return WaitFor([&] { return server.ReceivedOfType(MessageType::MsgKeepAlive).size() >= barriers; });
    };
    auto resort = [&] { SortRows(expected, List().SortKey(), List().SortOrder()); };
    auto saved = [&](int identity) {
        const auto record = state.Receivers.Find(RecordKey(identity));
        ASSERT_NE(record, nullptr);
        const int at = position(QString("K%1").arg(identity));
        if (at < 0)
            expected.push_back(RowOf(*record));
        else
            expected[static_cast<std::size_t>(at)] = RowOf(*record);
        resort();
    };

    for (int step = 0; step < 400; ++step) {
        const int what = pick(100);
        SCOPED_TRACE(::testing::Message() << "step " << step << ", kind " << what);
        const int listed = static_cast<int>(expected.size());
        const int some = listed ? expected[static_cast<std::size_t>(pick(listed))].key.mid(1).toInt() : 1;
        const Bytes name = names[static_cast<std::size_t>(pick(static_cast<int>(names.size())))];
        const int16_t enabled = pick(2) ? -1 : 0;
        const int16_t type = static_cast<int16_t>(1 + pick(3));
        const Bytes setting = "s" + std::to_string(pick(4));
        const Bytes backup = pick(2) ? names[static_cast<std::size_t>(pick(4))] : Bytes();
        if (what < 30 && listed) {
            // A save of a listed receiver: a setting, the name, or both changed.
            const Bytes kept = platform::FromQString(expected[static_cast<std::size_t>(position(QString("K%1").arg(some)))].texts[0]);
            const Bytes newName = pick(2) ? name : kept;
            ASSERT_TRUE(
                deliver(MessageType::MsgReceiverSave,
                        Ref(some, kept) + Form(newName, enabled, static_cast<int16_t>(some), type, backup, {setting})));
            saved(some);
        } else if (what < 50) {
            // A receiver sent by name (-1): a known name is saved under its identity; an
            // unknown one is new, now and then under an identity listed before (the
            // server gave the row's key to another receiver), but never the selected row's.
            int identity = nextIdentity;
            if (const auto known = GetReceiverByName(state, name)) {
                identity = known->m_DiskIdentity;
            } else if (pick(4) == 0 && listed && QString("K%1").arg(some) != selected &&
                       QString("K%1").arg(some) != current) {
                identity = some;
            } else {
                ++nextIdentity;
            }
            ASSERT_TRUE(
                deliver(MessageType::MsgReceiverSave,
                        Ref(-1, name) + Form(name, enabled, static_cast<int16_t>(identity), type, backup, {setting})));
            saved(identity);
        } else if (what < 65) {
            // A removal, of a listed receiver or of one nobody knows.
            const int identity = pick(5) ? some : 999;
            const QString key = QString("K%1").arg(identity);
            const int at = position(key);
            ASSERT_TRUE(deliver(MessageType::MsgReceiverDelete, Ref(identity, "")));
            if (at >= 0) {
                expected.erase(expected.begin() + at);
                const int left = static_cast<int>(expected.size());
                if (key == current) {
                    // The row now in its place is clicked, or row 1 after the last one.
                    current = selected = left ? expected[static_cast<std::size_t>(at < left ? at : 0)].key : QString();
                } else if (key == selected) {
                    // The view selects the row now in its place, or the one before.
                    selected = left ? expected[static_cast<std::size_t>(at < left ? at : left - 1)].key : QString();
                }
            }
        } else if (what < 80 && listed) {
            Bytes body = Ref(some, "");
            AppendInteger(body, enabled);
            ASSERT_TRUE(deliver(MessageType::MsgReceiverEnableOrDisable, body));
            expected[static_cast<std::size_t>(position(QString("K%1").arg(some)))].icon = enabled ? 1 : 2;
        } else if (what < 84) {
            // The whole list again, as the collection holds it.
            Bytes body;
            AppendLong(body, static_cast<int32_t>(state.Receivers.Count()));
            for (const auto& entry : state.Receivers) {
                AppendLong(body, entry.item->m_DiskIdentity);
                AppendString(body, entry.item->m_ReceiverName);
                entry.item->AppendNetworkBytes(body);
            }
            const int before = position(selected);
            const QString remembered = before >= 0 ? expected[static_cast<std::size_t>(before)].texts[0] : QString();
            ASSERT_TRUE(deliver(MessageType::MsgReceiverList, body));
            expected = Rebuilt(state, List().SortKey(), List().SortOrder());
            // The row of the text selected before, then the remembered receiver clicked.
            auto firstWithText = [&](const QString& text) {
                for (const ShownRow& row : expected)
                    if (row.texts[0] == text) return row.key;
                return QString();
            };
            selected = remembered.isEmpty() ? QString() : firstWithText(remembered);
            current.clear();
            const QString stored = platform::ToQString(store.Get(kApp, "Parameters", "LastSelectedReceiver", ""));
            if (stored.isEmpty()) {
                if (!expected.empty()) current = selected = expected.front().key;
            } else if (const QString key = firstWithText(stored); !key.isEmpty()) {
                current = selected = key;
            }
        } else if (what < 92) {
            ClickHeader(List(), 1 + pick(7));
            resort();
        } else if (listed) {
            const int row = 1 + pick(listed);
            ClickRow(List(), row);
            current = selected = expected[static_cast<std::size_t>(row - 1)].key;
        }
        ASSERT_EQ(shown(), expected);
        const int column = List().SortKey();
        ASSERT_EQ(Canonical(shown(), column), Canonical(Rebuilt(state, column, List().SortOrder()), column));
        ASSERT_EQ(List().Key(List().SelectedPosition()), selected);
        ASSERT_EQ(Current(), current);
        for (const ShownRow& row : expected) ASSERT_EQ(List().Key(List().FindKey(row.key)), row.key);
    }
}

// The demo's captions are not cut: every setting caption of the sample receiver types,
// and every caption of the window, fits its label at the window's own font.
TEST_F(ReceiversTest, SampleCaptionsFitTheLabelsOfTheParametersWindow) {
    Start();
    ASSERT_TRUE(ListHas(6));
    std::vector<std::string> cut;
    int checked = 0;
    platform::ScopedScriptedDialogs dialogs;
    dialogs->OnWindow<ReceiverParametersWindow>([&](ReceiverParametersWindow& w) {
        auto fits = [&](const QLabel& label, const QString& caption) {
            ++checked;
            if (QFontMetrics(label.font()).horizontalAdvance(caption) > label.contentsRect().width())
                cut.push_back(caption.toStdString());
        };
        for (const char* name : {"Label_Name", "Label_ReceiverType", "Label_BackupReceiver"}) {
            const QLabel& label = Child<QLabel>(w, name);
            fits(label, label.text());
        }
        const QLabel& setting = Child<QLabel>(w, "Label_Setting", 0);
        for (const auto& type : data.ReceiverTypes)
            for (const auto& field : receivers::ParseParameterLayout(type.ParameterLayout))
                if (field.Label) fits(setting, platform::ToQString(*field.Label + ":"));
        Child<QPushButton>(w, "Command_Cancel").click();
    });
    Child<QPushButton>(*control, "Command_AddReceiver").click();
    EXPECT_GT(checked, 10);
    EXPECT_EQ(cut, std::vector<std::string>{});
}
