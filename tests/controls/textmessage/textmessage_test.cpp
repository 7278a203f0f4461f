// The text message control's rules, driven as the operator drives them: the server (the
// substitute one, over loopback) sends the receiver types, receivers, rights, settings and
// last message each test sets up; the test ticks rows, types, and clicks the Send panel,
// and reads the panels, the ticks and what reaches the server. Also the layout, the
// captions from cached texts and the status bar on its own.
#include "controls/textmessage/statusbar.h"
#include "controls/textmessage/textmessagecomponent.h"
#include "tests/support/children.h"
#include "tests/support/composer.h"
#include "tests/support/loopback.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/records/receiver.h"
#include "core/settingsstore.h"
#include "platform/listview.h"
#include "testserver/sampledata.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::testing;
using TextMessage = korvel::textmessage::Component;
using korvel::textmessage::StatusBar;

namespace {

constexpr const char* kApp = "Korvel ActiveX TextMessage Client";

class TextMessageTest : public LoopbackTest<TextMessage> {
protected:
    void SetUp() override {
        LoopbackTest::SetUp();
        // Texts as cached from an earlier run, and as the server sends them.
        const std::pair<int32_t, const char*> texts[] = {
            {160, "Too long: at most"}, {161, "characters"}, {411, "&Send"}, {412, "Receivers"}};
        for (auto [number, text] : texts) {
            store.Save("Korvel ActiveX Client", "Texts", std::to_string(number), text);
            data.Texts[number] = text;
        }
        // Types 10, 11, 12 allow 160, 640 and 80 characters.
        data.ReceiverTypes = {testserver::SampleReceiverType{10, "Pager", "ILM", 160, "", ""},
                              testserver::SampleReceiverType{11, "E-mail", "SMTP", 640, "", ""},
                              testserver::SampleReceiverType{12, "Short", "GSM", 80, "", ""}};
        data.UserRights = RightSendTextMessages;
        data.Settings.clear();
        AddReceiver(12, "Bravo", 10);
        AddReceiver(15, "Alpha", 11);
        AddReceiver(17, "Charlie", 12);
        AddReceiver(20, "Delta", 99); // a type the server does not list
        // The last message as the server keeps it: none.
        data.Answers[MessageType::MsgLastMessageReceivers] = {
            testserver::OutFrame{MessageType::MsgLastMessageReceivers, StringBody("")}};
        data.Answers[MessageType::MsgLastMessageText] = {
            testserver::OutFrame{MessageType::MsgLastMessageText, StringBody("")}};
    }

    // A control that has not connected.
    TextMessage& Make() { return MakeControl(600, 500, false); }
    // A control connected to the server, its list, settings and last message handled.
    TextMessage& Start() {
        Bytes list;
        AppendLong(list, static_cast<int32_t>(m_Receivers.size()));
        for (const cReceiver& r : m_Receivers) {
            AppendLong(list, r.m_DiskIdentity);
            AppendString(list, r.m_ReceiverName);
            r.AppendNetworkBytes(list);
        }
        data.Answers[MessageType::MsgReceiverList] = {testserver::OutFrame{MessageType::MsgReceiverList, list}};
        server.SetData(data);
        MakeControl(600, 500);
        const int connection = server.ConnectionCount();
        EXPECT_TRUE(ConnectAndWait([&] {
            return !server.ReceivedOfType(MessageType::MsgLastMessageText, connection).empty() && server.AllSent();
        }));
        Sync();
        return *control;
    }
    // Returns when everything the server sent so far has been handled: a status text
    // sent after it is seen in the server's panel.
    void Sync() {
        static int marks = 0;
        const QString mark = QStringLiteral("mark %1").arg(++marks);
        server.SendFrame(MessageType::MsgStatusText, StringBody(mark.toStdString()));
        ASSERT_TRUE(WaitFor([&] { return ComposerBar(*control).PanelText(TextMessage::kServerPanel) == mark; }));
    }
    void AddReceiver(int16_t id, const char* name, int16_t type) {
        static ClientState noTypes;
        cReceiver r;
        r.m_DiskIdentity = id;
        r.m_ReceiverName = name;
        r.SetReceiverTypeId(noTypes, type);
        m_Receivers.push_back(r);
    }
    // Ticks or unticks the rows of these identities as the operator does.
    void Tick(std::initializer_list<int> ids, bool on = true) {
        for (int id : ids) {
            ASSERT_GT(ComposerList(*control).FindKey(QString("K%1").arg(id)), 0) << id;
            TickReceiver(*control, id, on);
        }
    }
    bool SendEnabled() const { return ComposerBar(*control).PanelEnabled(TextMessage::kSendPanel); }
    QString Info() const { return ComposerBar(*control).PanelText(TextMessage::kInfoPanel); }
    void Type(const QString& text) { ComposerText(*control).setPlainText(text); }
    // Sends what is composed; returns the text of the message as the server got it.
    Bytes SendAndReadText() {
        const std::size_t before = server.ReceivedOfType(MessageType::MsgTextMessage).size();
        ClickPanel(*control, TextMessage::kSendPanel);
        const auto sent = [&] { return server.ReceivedOfType(MessageType::MsgTextMessage).size() == before + 1; };
        if (!WaitFor(sent)) return "(not sent)";
        const Bytes body = server.ReceivedOfType(MessageType::MsgTextMessage).back().Body;
        int32_t position = 0;
        return GetStringFromNetworkBytes(body, position);
    }

    std::vector<cReceiver> m_Receivers;
};

} // namespace

TEST_F(TextMessageTest, LimitIsTheSmallestOfTheTickedTypesAndGuardsSend) {
    Start();
    Type(QString(161, 'x'));
    EXPECT_FALSE(SendEnabled()) << "no receiver ticked";
    EXPECT_EQ(ShownLimit(*control), 8192);

    Tick({15}); // 640
    EXPECT_EQ(ShownLimit(*control), 640);
    EXPECT_TRUE(SendEnabled());
    EXPECT_EQ(Info(), "");

    Tick({12}); // 160 and 640
    EXPECT_EQ(ShownLimit(*control), 160);
    EXPECT_FALSE(SendEnabled());
    EXPECT_EQ(Info(), "Too long: at most 160 characters (161)");

    Type(QString(160, 'x'));
    EXPECT_TRUE(SendEnabled());
    EXPECT_EQ(Info(), "");

    Tick({20}); // unknown type: skipped
    EXPECT_EQ(ShownLimit(*control), 160);
    Tick({12, 15}, false);
    EXPECT_EQ(ShownLimit(*control), 8192) << "only a row without a type is ticked";
    EXPECT_TRUE(SendEnabled());

    Type("");
    EXPECT_FALSE(SendEnabled()) << "an empty text is not sent";
}

TEST_F(TextMessageTest, WithoutTheRightSendIsNeverEnabled) {
    data.UserRights = 0xFF & ~RightSendTextMessages;
    Start();
    Tick({15});
    Type("hello");
    EXPECT_FALSE(SendEnabled());
    Tick({17}); // every tick weighs Send again
    EXPECT_FALSE(SendEnabled());
}

TEST_F(TextMessageTest, ReceiverListStringTicksUpToTheFirstEmptyField) {
    Start();
    struct Case {
        std::string list;
        std::string ticked; // the ticked rows afterwards (list order)
    };
    const Case cases[] = {
        {"12\xFF\xFF" "15\xFF", "12\xFF"},           // the empty field ends the list
        {"15\xFF" "12\xFF", "15\xFF" "12\xFF"},      // list order, not the string's
        {"12\xFF" "99\xFF" "17\xFF", "12\xFF" "17\xFF"}, // unknown rows skipped
        {"k17\xFF", ""},                              // not an identity
        {"17", "17\xFF"},                             // last field without separator
        {"20\xFF" "12", "12\xFF" "20\xFF"},              // ... also after others
        {"\xFF" "12\xFF", ""},                         // an empty first field
        {"", ""},
    };
    for (const Case& c : cases) {
        Tick({12, 15, 17, 20}); // ticks are cleared first
        server.SendFrame(MessageType::MsgLastMessageReceivers, StringBody(c.list)); // the last message's receivers
        Sync();
        EXPECT_EQ(TickedList(*control), c.ticked);
        EXPECT_EQ(ComposerList(*control).CheckedCount() > 0, !c.ticked.empty());
    }
}

TEST_F(TextMessageTest, TextTravelsWithCrLfLineBreaksAndCountsThem) {
    Start();
    Tick({15});
    Type("ab\ncd");
    EXPECT_EQ(SendAndReadText(), "ab\r\ncd");
    server.SendFrame(MessageType::MsgLastMessageText, StringBody("x\r\ny\rz\n\xE9")); // the last message's text
    Sync();
    EXPECT_EQ(korvel::testing::Child<QPlainTextEdit>(*control, "Text_FreeText").toPlainText(), QString::fromUtf8("x\ny\nz\n\u00E9"));
    EXPECT_EQ(SendAndReadText(), "x\r\ny\r\nz\r\n\xE9");

    // The limit counts a line break as two characters.
    Tick({15}, false);
    Tick({17}); // 80
    Type(QString(39, 'a') + '\n' + QString(39, 'b'));
    EXPECT_TRUE(SendEnabled());
    EXPECT_EQ(SendAndReadText().size(), 80u);
    Type(QString(39, 'a') + '\n' + QString(40, 'b'));
    EXPECT_FALSE(SendEnabled());
    EXPECT_EQ(Info(), "Too long: at most 80 characters (81)");
}

// Panel 2 says "sent" for 15 seconds: 150 ticks of the 100 ms timer (run here by hand,
// before the event loop lets the server's answer in).
TEST_F(TextMessageTest, InformationShowsFifteenSecondsAfterASend) {
    Start();
    Tick({15});
    Type("hello");
    ClickPanel(*control, TextMessage::kSendPanel);
    EXPECT_EQ(Info(), "Message sent");
    EXPECT_EQ(ComposerBar(*control).PanelBevel(TextMessage::kSendPanel), StatusBar::Inset);
    for (int i = 0; i < 149; ++i) control->Timer_Connect_Timer();
    EXPECT_EQ(Info(), "Message sent");
    EXPECT_EQ(ComposerBar(*control).PanelBevel(TextMessage::kSendPanel), StatusBar::Raised);
    control->Timer_Connect_Timer();
    EXPECT_EQ(Info(), "");
}

TEST_F(TextMessageTest, CaptionsFromCachedTextsOnceLoadedAndTheAreaInTheFrame) {
    // Never loaded: no captions at start.
    Make();
    EXPECT_EQ(korvel::testing::Child<textmessage::StatusBar>(*control, "StatusBar").PanelText(TextMessage::kSendPanel), "");
    control.reset();
    store.Save("Korvel ActiveX TextMessage Client", "Texts", "IsLoadedOnce", "1");
    Make();
    EXPECT_EQ(korvel::testing::Child<textmessage::StatusBar>(*control, "StatusBar").PanelText(TextMessage::kSendPanel), "Send");
    EXPECT_EQ(korvel::testing::Child<QGroupBox>(*control, "Frame").title(), "Receivers");
    // The texts apply again, with the area, when the server's settings arrive.
    control->setProperty("Area", "North");
    server.SetData(data);
    PointAtServer();
    EXPECT_TRUE(WaitFor([&] { return korvel::testing::Child<QGroupBox>(*control, "Frame").title() == "Receivers (North)"; }))
        << korvel::testing::Child<QGroupBox>(*control, "Frame").title().toStdString();
}

// The connection goes while Send is enabled; a click that still reaches the panel (the
// composer is hidden by then) is not reported as a send.
TEST_F(TextMessageTest, ClickOnSendWhileNotConnectedReportsNothing) {
    Start();
    Tick({15});
    Type("hello");
    ASSERT_TRUE(SendEnabled());
    server.CloseConnection();
    ASSERT_TRUE(WaitFor([&] { return !control->IsConnected(); }));
    ClickPanel(*control, TextMessage::kSendPanel);
    EXPECT_EQ(Info(), "");
    EXPECT_NE(ComposerBar(*control).PanelBevel(TextMessage::kSendPanel), StatusBar::Inset) << "not pressed";
    EXPECT_EQ(store.Get("Korvel ActiveX TextMessage Client", "Parameters", "LastMessageText", "-"), "-");
    EXPECT_TRUE(server.ReceivedOfType(MessageType::MsgTextMessage).empty());
}

TEST_F(TextMessageTest, StatusBarReportsClicksOnAnyPanelAndKeysOnTheButtonPanel) {
    StatusBar bar(3);
    bar.SetButtonPanel(1);
    std::vector<int> clicks;
    QObject::connect(&bar, &StatusBar::PanelClick, [&](int panel) { clicks.push_back(panel); });
    bar.SetPanelEnabled(1, false);
    bar.SetPanelText(1, "Send");
    bar.SetPanelBevel(1, StatusBar::Raised);
    EXPECT_EQ(bar.PanelBevel(1), StatusBar::Raised);
    EXPECT_FALSE(bar.PanelEnabled(1));
    EXPECT_EQ(bar.PanelText(9), "");
    bar.SetPanelText(0, "ignored");
    EXPECT_TRUE(clicks.empty()) << "nothing the program does raises an event";

    bar.resize(300, bar.height());
    bar.show();
    for (int i = 0; i < 3; ++i) {
        QWidget* panel = bar.findChildren<QWidget*>()[i];
        const QPointF at(panel->width() / 2.0, panel->height() / 2.0);
        QMouseEvent press(QEvent::MouseButtonPress, at, panel->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(panel, &press);
    }
    QWidget* first = bar.findChildren<QWidget*>()[0];
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(first, &space);
    EXPECT_EQ(clicks, (std::vector<int>{1, 2, 3, 1})) << "a disabled panel still reports; the control decides";
}

// Whether the server keeps the last message shows in where the last text comes from
// after the settings: the server's answer to 132, or the user's own store.
TEST_F(TextMessageTest, MessagesStayOnTheServerUnlessTheSettingIsExactlyZero) {
    store.Save(kApp, "Parameters", "LastMessageText", "kept here");
    data.Answers[MessageType::MsgLastMessageText] = {
        testserver::OutFrame{MessageType::MsgLastMessageText, StringBody("kept by the server")}};
    Start();
    struct Case {
        const char* section; // "" = no settings at all
        const char* key;
        const char* value;
        bool storedByServer;
    };
    const Case cases[] = {
        {"", "", "", true},
        {"ActiveX", "StoreActiveXMessagesByServer", "0", false},
        {"activex", "storeactivexmessagesbyserver", "0", false}, // names ignore case
        {"ActiveX", "StoreActiveXMessagesByServer", "1", true},
        {"ActiveX", "StoreActiveXMessagesByServer", "00", true},
        {"ActiveX", "StoreActiveXMessagesByServer", " 0", true},
        {"ActiveX", "StoreActiveXMessagesByServer", "", true},
        {"ActiveX", "StoreActiveXMessagesByServer", "no", true},
        {"ActiveX", "XStoreActiveXMessagesByServer", "0", true}, // a whole key only
        {"General", "StoreActiveXMessagesByServer", "0", true},
    };
    for (const Case& c : cases) {
        std::vector<testserver::SampleSettingSection> sections;
        if (*c.section) sections.push_back({c.section, {{c.key, c.value}}});
        Type("");
        const std::size_t asked = server.ReceivedOfType(MessageType::MsgLastMessageText).size();
        server.SendFrame(MessageType::MsgServerSettings, testserver::SettingsBody(sections));
        ASSERT_TRUE(WaitFor([&] {
            return server.ReceivedOfType(MessageType::MsgLastMessageText).size() == asked + 1 && server.AllSent();
        }));
        Sync();
        EXPECT_EQ(ComposerText(*control).toPlainText(), c.storedByServer ? "kept by the server" : "kept here")
            << c.section << " / " << c.key << "=" << c.value;
    }
}

// Sizes in twips, 15 to the pixel: frame at 100, 100, as wide as the control less 200 and
// as high less 2500 when the control is higher than 4000 (else 1200); the text 100 below
// it down to 200 above the status bar; the list 50 in and 200 down in the frame, 100
// narrower and 400 lower than the frame. A size that would come out negative leaves
// that widget as it was.
TEST_F(TextMessageTest, LayoutFollowsTheTwipsRules) {
    Make();
    control->show();
    const int bar = korvel::testing::Child<textmessage::StatusBar>(*control, "StatusBar").height();
    struct Case {
        QSize control;
        QRect frame, list, text; // list in the frame's coordinates; text: height + bar
    };
    const Case cases[] = {
        {{600, 500}, {6, 6, 586, 333}, {3, 13, 573, 306}, {6, 346, 586, 146}},
        {{300, 250}, {6, 6, 286, 80}, {3, 13, 273, 53}, {6, 93, 286, 150}},
        {{300, 266}, {6, 6, 286, 80}, {3, 13, 273, 53}, {6, 93, 286, 166}},  // 3990: not above 4000
        {{300, 267}, {6, 6, 286, 100}, {3, 13, 273, 73}, {6, 113, 286, 146}}, // 4005: above
        {{100, 60}, {6, 6, 86, 80}, {3, 13, 73, 53}, {6, 113, 286, 146}},     // text as it was
    };
    for (const Case& c : cases) {
        control->resize(c.control);
        EXPECT_EQ(korvel::testing::Child<QGroupBox>(*control, "Frame").geometry(), c.frame) << c.control.width() << "x" << c.control.height();
        EXPECT_EQ(korvel::testing::Child<platform::ListView>(*control, "ListView_Receivers").geometry(), c.list) << c.control.height();
        EXPECT_EQ(korvel::testing::Child<QPlainTextEdit>(*control, "Text_FreeText").geometry(), c.text.adjusted(0, 0, 0, -bar)) << c.control.height();
        EXPECT_EQ(korvel::testing::Child<textmessage::StatusBar>(*control, "StatusBar").geometry(), QRect(0, c.control.height() - bar, c.control.width(), bar));
    }
    // A caption taller than the list's 200 twips from the frame's top (it sits above the
    // frame's line on this platform) pushes the list's top below it; its bottom stays.
    control->resize(600, 500);
    server.SetData(data);
    PointAtServer(); // the server's settings apply the texts
    ASSERT_TRUE(WaitFor([&] { return korvel::testing::Child<QGroupBox>(*control, "Frame").title() == "Receivers"; }));
    const QRect list = korvel::testing::Child<platform::ListView>(*control, "ListView_Receivers").geometry();
    EXPECT_EQ(list.bottom(), QRect(3, 13, 573, 306).bottom());
    EXPECT_EQ(list.top(), std::max(13, korvel::testing::Child<QGroupBox>(*control, "Frame").contentsRect().top()));
    EXPECT_GT(korvel::testing::Child<QGroupBox>(*control, "Frame").contentsRect().top(), 13) << "the caption needs more room here";
    // The server's status panel, empty until the first 108, is not a sliver.
    EXPECT_GE(korvel::testing::Child<textmessage::StatusBar>(*control, "StatusBar").findChildren<QWidget*>()[2]->width(), 96);
}
