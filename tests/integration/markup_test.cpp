// Every control against a server whose every text is markup: a full text table, receiver
// names and type layouts, holiday labels, system names, the status text, profile names,
// calendar day types, alarm texts and log lines, each naming a FIFO, /dev/zero or a
// picture. Every widget, tool tip, item and window of every control, and every window it
// opens, shows the text as it stands; nothing blocks and nothing is read from disk. The
// texts the controls cached do the same at the next start.
#include "controls/activeprofiles/activeprofilescomponent.h"
#include "controls/events/eventscomponent.h"
#include "controls/events/eventtree.h"
#include "controls/profiles/profilescomponent.h"
#include "tests/controls/profiles/profileswidgets.h"
#include "controls/receivers/receiverscomponent.h"
#include "controls/syslog/syslogcomponent.h"
#include "controls/textmessage/statusbar.h"
#include "controls/textmessage/textmessagecomponent.h"
#include "tests/integration/harness.h"
#include "tests/support/children.h"
#include "tests/support/widgetwalk.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"
#include "core/records/timeschedule.h"
#include "core/settingsstore.h"
#include "platform/listbox.h"
#include "platform/listview.h"
#include "platform/paintsurface.h"
#include "platform/plaintext.h"
#include "platform/tabstrip.h"
#include "platform/treeview.h"
#include "testserver/sampledata.h"

#include <QDate>
#include <QKeyEvent>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace korvel;
using namespace korvel::testing;
using namespace korvel::profiles::testparts;
using korvel::testserver::Server;

namespace {

constexpr char kFieldSeparator = '\xFE';

Bytes B(const QString& text) { return text.toStdString(); }

void AppendRecordRef(Bytes& out, int32_t identity, std::string_view name) {
    AppendLong(out, identity);
    AppendString(out, name);
}

// Markup without "=" (a type layout cuts its values at the second "=").
QString Bold(int i) { return QStringLiteral("<b>%1</b>").arg(i); }

class MarkupData {
public:
    explicit MarkupData(const MarkupTraps& traps) : m_Traps(traps) {}

    QString M(int i) const { return m_Traps.Markup(i); }

    testserver::SampleData Make() const {
        testserver::SampleData d;
        testserver::MakeSampleData("default", d);
        d.UserRights = 0xFF;
        // The whole table the controls read from: every entry markup.
        d.Texts.clear();
        for (int32_t n = 100; n < 1000; ++n) d.Texts[n] = B(M(n));
        for (int32_t n = 1500; n <= 1540; ++n) d.Texts[n] = B(M(n));
        d.Settings.push_back({"General",
                              {{"AllowChildProfiles", "1"}, {"MaxDaysToStoreAlarm", "5"}, {"AllowBackupReceiver", "1"}}});
        for (std::size_t i = 0; i < d.ReceiverTypes.size(); ++i) {
            auto& t = d.ReceiverTypes[i];
            const int n = static_cast<int>(i);
            t.Name = B(M(n));
            using namespace std::string_literals;
            t.ParameterLayout = "L0="s + B(Bold(n)) + "\0T0=\0L1="s + B(Bold(n + 1)) + "\0C1="s + B(Bold(1)) + ";" +
                                B(Bold(2)) + "\0L2="s + B(Bold(n + 2)) + "\0T2=\0"s;
        }
        for (auto& [number, name] : d.Systems) name = B(M(number));
        const int today = static_cast<int>(QDate(2000, 1, 1).daysTo(QDate::currentDate()));
        d.Holidays.clear();
        for (int i = 0; i < 4; ++i) d.Holidays.push_back({today + i, static_cast<int16_t>(8 + i), -1, B(M(i))});
        d.LogLines = {B(M(0)), B(M(1)), B(M(2)), B(M(3))};
        d.NewLogLines = {};
        d.Answers[MessageType::MsgReceiverList] = {{MessageType::MsgReceiverList, Receivers(d)}};
        d.Answers[MessageType::MsgProfileList] = {{MessageType::MsgProfileList, Profiles()}};
        d.Answers[MessageType::MsgCalendar] = {{MessageType::MsgCalendar, Calendar()}};
        d.Answers[MessageType::MsgAlarmEventList] = {{MessageType::MsgAlarmEventList, Alarms()}};
        d.Answers[MessageType::MsgLastMessageReceivers] = {{MessageType::MsgLastMessageReceivers, StringOnly(Bytes())}};
        d.Answers[MessageType::MsgLastMessageText] = {{MessageType::MsgLastMessageText, StringOnly(B(M(1)))}};
        return d;
    }

    // "[*]" too: a window title shows it as it stands.
    QString ReceiverName(int i) const { return M(i) + QStringLiteral(" [*] r%1").arg(i); }

private:
    static Bytes StringOnly(const Bytes& text) {
        Bytes b;
        AppendString(b, text);
        return b;
    }

    Bytes Receivers(const testserver::SampleData& d) const {
        ClientState types;
        types.ReceiverTypes.Count = static_cast<int16_t>(d.ReceiverTypes.size());
        for (std::size_t i = 0; i < d.ReceiverTypes.size(); ++i) {
            types.ReceiverTypes.Rows[i].TypeId = d.ReceiverTypes[i].TypeId;
            types.ReceiverTypes.Rows[i].TypeName = d.ReceiverTypes[i].Name;
        }
        Bytes body;
        AppendLong(body, 4);
        for (int i = 1; i <= 4; ++i) {
            cReceiver r;
            r.m_DiskIdentity = static_cast<int16_t>(i);
            r.m_ReceiverName = B(ReceiverName(i));
            r.m_Enabled = -1;
            r.m_BackupReceiver = B(ReceiverName(i % 4 + 1));
            r.SetReceiverTypeId(types, static_cast<int16_t>(i));
            r.SaveSetting(0, Variant(B(M(i + 1))));
            r.SaveSetting(2, Variant(B(Bold(i))));
            AppendRecordRef(body, i, r.m_ReceiverName);
            r.AppendNetworkBytes(body);
        }
        return body;
    }

    Bytes Profiles() const {
        ClientState state;
        state.ChildProfilesAllowed = true;
        Bytes body;
        AppendLong(body, 4);
        for (int i = 1; i <= 4; ++i) {
            // A parent and a child below it, so both levels of the tree hold markup.
            const QString name = i == 2 ? M(1) + QStringLiteral(" p1@") + M(2) : M(i) + QStringLiteral(" p%1").arg(i);
            cProfile p;
            p.m_DiskIdentity = static_cast<int16_t>(i);
            p.m_Enabled = i % 2 ? -1 : 0;
            p.SetName(state, B(name));
            p.m_ParallellReceivers = B(ReceiverName(1)) + '\0' + B(M(3)) + '\0';
            p.m_SequentialReceivers = B(ReceiverName(2)) + '\1' + "-1" + '\0';
            for (int c = 0; c < kProfileConditionCount; ++c) p.SetCondition(c, Variant(B(M(c))));
            p.m_ExternalTagName = B(M(0));
            p.m_ExternalFileName = B(M(1));
            p.m_ExternalFileText = B(M(2));
            p.m_TimeSchedule = std::make_shared<cTimeSchedule>();
            p.m_TimeSchedule->SetDefaultPeriod();
            p.m_TimeSchedule->m_UseCalendar = -1;
            int16_t row = 0;
            for (int d = 0; d < kDayTypeCount; ++d) {
                p.m_TimeSchedule->m_AxisIndex[d] = row;
                if (p.m_TimeSchedule->m_Active[d] != 0) ++row;
            }
            p.m_UseTimeSchedule = -1;
            AppendRecordRef(body, i, p.GetName());
            p.AppendNetworkBytes(body);
        }
        return body;
    }

    Bytes Calendar() const {
        cCalendar calendar;
        for (int t = 7; t < 23; ++t) calendar.SetDayTypeFullName(static_cast<int16_t>(t), B(M(t)));
        return calendar.CompressToNetworkBytes();
    }

    Bytes Alarms() const {
        Bytes body;
        AppendLong(body, 4);
        for (int i = 0; i < 4; ++i) {
            Bytes record;
            for (int f = 0; f <= 17; ++f) {
                if (f) record += kFieldSeparator;
                if (f == 0) record += std::to_string(i);
                else if (f == 1) record += "10";
                else if (f == 2 || f == 3) record += "2025-03-04 07:15:02";
                else if (f == 5) record += "0";
                else if (f >= 12) record += B(M(f)) + " [*]";
            }
            AppendLong(body, 1000 + i);
            AppendString(body, record);
            AppendString(body, B(M(i)));
            AppendInteger(body, static_cast<int16_t>(i));
            AppendInteger(body, static_cast<int16_t>(2));
            for (int line = 0; line < 2; ++line) {
                AppendInteger(body, static_cast<int16_t>(3 + line));
                AppendString(body, B(M(i + line + 1)));
            }
        }
        return body;
    }

    const MarkupTraps& m_Traps;
};

void Click(QWidget* w, QPoint pos, bool twice = false) {
    const QPointF local(pos);
    const QPointF global(w->mapToGlobal(pos));
    auto send = [&](QEvent::Type type) {
        QMouseEvent e(type, local, global, Qt::LeftButton, type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonRelease);
    if (twice) {
        send(QEvent::MouseButtonDblClick);
        send(QEvent::MouseButtonRelease);
    }
}

void PressKey(QWidget* w, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(w, &press);
}

class MarkupEverywhere : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(traps.Ready());
        ASSERT_TRUE(platform::PlainTextRuleActive());
        ASSERT_TRUE(server.Listen());
        server.SetData(data.Make());
        state.SettingsStore = &store;
    }
    void TearDown() override {
        EXPECT_FALSE(traps.FileOpened()) << "a widget opened a file named in a text";
    }

    // Shows the control, connects it and waits until ready() holds.
    template <class Control>
    Control& Start(std::unique_ptr<Control>& control, const std::function<bool()>& ready) {
        control = std::make_unique<Control>(state);
        control->resize(900, 640);
        control->show();
        control->setProperty("ServerPort", server.Port());
        control->setProperty("ServerAddress", "127.0.0.1");
        EXPECT_TRUE(WaitFor([&] { return control->IsConnected() && server.AllSent() && ready(); }, 10000));
        ServerCaughtUp(server);
        ClientCaughtUp(server);
        return *control;
    }

    // Walks the control; every place shows literal text, and at least `atLeast` texts
    // that look like markup reached it.
    void Walk(QWidget& control, int atLeast) {
        WalkWidgets(&control, report);
        EXPECT_TRUE(report.problems.isEmpty()) << report.problems.join(QLatin1Char('\n')).toStdString();
        EXPECT_GE(report.literalMarkup, atLeast);
    }

    // A control made anew with this store: its captions come from the text cache before
    // any connection.
    template <class Control>
    void WalkCachedStart(int atLeast) {
        ClientState fresh;
        fresh.SettingsStore = &store;
        Control again(fresh);
        again.resize(900, 640);
        again.show();
        QApplication::processEvents();
        WalkReport cached;
        WalkWidgets(&again, cached);
        EXPECT_TRUE(cached.problems.isEmpty()) << cached.problems.join(QLatin1Char('\n')).toStdString();
        EXPECT_GE(cached.literalMarkup, atLeast);
    }

    MarkupTraps traps;
    MarkupData data{traps};
    Server server;
    MemorySettingsStore store;
    ClientState state;
    WalkReport report;
};

} // namespace

TEST_F(MarkupEverywhere, ProfilesEditorItsPagesMenusToolTipsAndBoxes) {
    std::unique_ptr<profiles::Component> control;
    auto& p = Start(control, [&] { return TreeView_Profiles(*control).NodeCount() >= 4; });
    // The tree's tip (text 437) comes with the pointer over the tree.
    MovePointer(TreeView_Profiles(p).viewport(), QPoint(5, 5));
    // Every page in turn, the calendar with the pointer resting on today (labelled).
    for (int tab = 0; tab < 4; ++tab) {
        auto* bar = SSTab_Profile(p).findChild<QTabBar*>();
        if (!bar) bar = qobject_cast<QTabBar*>(&SSTab_Profile(p));
        ASSERT_NE(bar, nullptr);
        Click(bar, bar->tabRect(tab).center());
        QApplication::processEvents();
        EXPECT_EQ(SSTab_Profile(p).SelectedIndex(), tab);
        WalkWidgets(&p, report);
    }
    auto* calendar = p.findChild<platform::PaintSurfaceWidget*>(QStringLiteral("Picture_Calendar"));
    ASSERT_NE(calendar, nullptr);
    const QDate today = QDate::currentDate();
    const int cell = QDate(today.year(), today.month(), 1).dayOfWeek() - 1 + today.day() - 1;
    MovePointer(calendar, QPoint(30 + 50 * (cell % 7) + 25, 25 + 32 * (cell / 7) + 16));
    EXPECT_FALSE(calendar->toolTip().isEmpty());
    {
        ModalWalker boxes(report);
        Command_AddProfile(p).click();                                 // input box for the name
        p.findChild<QPushButton*>(QStringLiteral("Command_Calendar_ImportSpecialDays"))->click(); // question
    }
    EXPECT_GE(report.windows.size(), 2) << report.windows.join(QLatin1Char('|')).toStdString();
    Walk(p, 80);
    EXPECT_GT(report.toolTipsShown, 1);
    control.reset();
    WalkCachedStart<profiles::Component>(30);
}

TEST_F(MarkupEverywhere, ReceiversEditorItsParametersWindowAndRemoveQuestion) {
    std::unique_ptr<receivers::Component> control;
    auto& r = Start(control, [&] { return korvel::testing::Child<platform::ListView>(*control, "ListView_Receivers").ListCount() >= 4 && korvel::testing::Child<QPushButton>(*control, "Command_RemoveReceiver").isEnabled(); });
    MovePointer(korvel::testing::Child<platform::ListView>(r, "ListView_Receivers").viewport(), QPoint(5, 5));
    {
        ModalWalker windows(report);
        PressKey(&r, Qt::Key_Return);              // edit: the type's layout with its labels
        korvel::testing::Child<QPushButton>(r, "Command_AddReceiver").click();           // add
        korvel::testing::Child<QPushButton>(r, "Command_RemoveReceiver").click();        // question naming the receiver
    }
    EXPECT_EQ(report.windows.size(), 3) << report.windows.join(QLatin1Char('|')).toStdString();
    Walk(r, 30);
    control.reset();
    WalkCachedStart<receivers::Component>(3);
}

TEST_F(MarkupEverywhere, AlarmEventTreeAndItsDetailsWindow) {
    std::unique_ptr<events::Component> control;
    auto tree_of = [&] { return control->findChild<events::EventTree*>("TreeView_Event"); };
    auto& e = Start(control, [&] { return tree_of()->AlarmCount() >= 4; });
    events::EventTree& tree = *tree_of();
    {
        ModalWalker windows(report);
        Click(tree.viewport(), tree.visualRect(tree.AlarmAt(0)).center(), true);
    }
    EXPECT_EQ(report.windows.size(), 1);
    Walk(e, 40);
}

TEST_F(MarkupEverywhere, TextMessageStatusPanelsAndReceiverList) {
    std::unique_ptr<textmessage::Component> control;
    auto& t = Start(control, [&] { return korvel::testing::Child<platform::ListView>(*control, "ListView_Receivers").ListCount() >= 4; });
    server.SendFrame(MessageType::MsgStatusText, StringBody(B(traps.AllMarkup(QStringLiteral("status")))));
    ASSERT_TRUE(WaitFor([&] { return korvel::testing::Child<textmessage::StatusBar>(t, "StatusBar").PanelText(3).contains(QStringLiteral("status")); }))
        << korvel::testing::Child<textmessage::StatusBar>(t, "StatusBar").PanelText(3).toStdString() << " open " << server.IsOpen() << t.IsConnected();
    Walk(t, 8);
    control.reset();
    WalkCachedStart<textmessage::Component>(2);
}

TEST_F(MarkupEverywhere, ActiveProfilesTreeAndItsToolTip) {
    std::unique_ptr<activeprofiles::Component> control;
    auto& a = Start(control, [&] { return korvel::testing::Child<platform::TreeView>(*control, "TreeView_Profiles").NodeCount() >= 4; });
    MovePointer(korvel::testing::Child<platform::TreeView>(a, "TreeView_Profiles").viewport(), QPoint(5, 5));
    Walk(a, 5);
    EXPECT_EQ(report.toolTipsShown, 4) << "one for each of the four profiles' nodes";
}

TEST_F(MarkupEverywhere, SystemLogLines) {
    std::unique_ptr<syslog::Component> control;
    auto& s = Start(control, [&] { return control->findChild<platform::ListBox*>("List_SysLog")->ListCount() >= 4; });
    Walk(s, 4);
}
