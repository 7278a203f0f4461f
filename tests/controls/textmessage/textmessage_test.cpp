// The text message control's rules that need no server: the limit of the ticked
// receivers' types, the length message, when Send is enabled, the receiver list string,
// the text's line breaks, captions and the status bar.
#include "controls/textmessage/statusbar.h"
#include "tests/support/children.h"
#include "controls/textmessage/textmessagecomponent.h"

#include "core/clientstate.h"
#include "core/records/receiver.h"
#include "core/settingsstore.h"
#include "platform/listview.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace korvel;
using TextMessage = korvel::textmessage::Component;
using korvel::textmessage::StatusBar;

namespace {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "korvel_textmessage_tests";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance()) return;
    qputenv("KORVEL_SYSTEM_CONFIG", "/nonexistent/korvel-test-client.conf");
    new QApplication(argc, argv);
}

class TextMessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        state.SettingsStore = &store;
        // Texts as cached from an earlier run.
        store.Save("Korvel ActiveX Client", "Texts", "160", "Too long: at most");
        store.Save("Korvel ActiveX Client", "Texts", "161", "characters");
        store.Save("Korvel ActiveX Client", "Texts", "411", "&Send");
        store.Save("Korvel ActiveX Client", "Texts", "412", "Receivers");
        // Types: row 0 allows 160, row 1 allows 640, row 2 allows 80.
        const int16_t limits[] = {160, 640, 80};
        for (int16_t i = 0; i < 3; ++i) {
            state.ReceiverTypes.Rows[i].TypeId = static_cast<int16_t>(10 + i);
            state.ReceiverTypes.Rows[i].MaxTextLength = limits[i];
        }
        state.ReceiverTypes.Count = 3;
        state.UserRights = RightSendTextMessages;
        AddReceiver(12, "Bravo", 10);
        AddReceiver(15, "Alpha", 11);
        AddReceiver(17, "Charlie", 12);
        AddReceiver(20, "Delta", 99); // a type the server does not list
    }

    TextMessage& Make() {
        control = std::make_unique<TextMessage>(state);
        control->resize(600, 500);
        for (const auto& entry : state.Receivers) control->ShowReceiverInList(*entry.item);
        return *control;
    }
    void AddReceiver(int16_t id, const char* name, int16_t type) {
        auto r = std::make_shared<cReceiver>();
        r->m_DiskIdentity = id;
        r->m_ReceiverName = name;
        r->SetReceiverTypeId(state, type);
        state.Receivers.Add(RecordKey(id), r);
    }
    // Ticks the rows of these identities as a click on each would.
    void Tick(std::initializer_list<int> ids, bool on = true) {
        platform::ListView& list = korvel::testing::Child<platform::ListView>(*control, "ListView_Receivers");
        for (int id : ids) {
            const int position = list.FindKey(QString("K%1").arg(id));
            ASSERT_GT(position, 0) << id;
            list.SetChecked(position, on);
            control->ListView_Receivers_ItemClick(position);
        }
    }
    bool SendEnabled() const { return korvel::testing::Child<textmessage::StatusBar>(*control, "StatusBar").PanelEnabled(TextMessage::kSendPanel); }
    QString Info() const { return korvel::testing::Child<textmessage::StatusBar>(*control, "StatusBar").PanelText(TextMessage::kInfoPanel); }
    void Type(const QString& text) { korvel::testing::Child<QPlainTextEdit>(*control, "Text_FreeText").setPlainText(text); }

    MemorySettingsStore store;
    ClientState state;
    std::unique_ptr<TextMessage> control;
};

} // namespace

TEST_F(TextMessageTest, LimitIsTheSmallestOfTheTickedTypesAndGuardsSend) {
    Make();
    Type(QString(161, 'x'));
    EXPECT_FALSE(SendEnabled()) << "no receiver ticked";
    EXPECT_EQ(control->MaxTextLength(), 8192);

    Tick({15}); // 640
    EXPECT_EQ(control->MaxTextLength(), 640);
    EXPECT_TRUE(SendEnabled());
    EXPECT_EQ(Info(), "");

    Tick({12}); // 160 and 640
    EXPECT_EQ(control->MaxTextLength(), 160);
    EXPECT_FALSE(SendEnabled());
    EXPECT_EQ(Info(), "Too long: at most 160 characters (161)");

    Type(QString(160, 'x'));
    EXPECT_TRUE(SendEnabled());
    EXPECT_EQ(Info(), "");

    Tick({20}); // unknown type: skipped
    EXPECT_EQ(control->MaxTextLength(), 160);
    Tick({12, 15}, false);
    EXPECT_EQ(control->MaxTextLength(), 8192) << "only a row without a type is ticked";
    EXPECT_TRUE(SendEnabled());

    Type("");
    EXPECT_FALSE(SendEnabled()) << "an empty text is not sent";
}

TEST_F(TextMessageTest, WithoutTheRightSendIsNeverEnabled) {
    state.UserRights = 0xFF & ~RightSendTextMessages;
    Make();
    Tick({15});
    Type("hello");
    EXPECT_FALSE(SendEnabled());
    control->UpdateSendButton();
    EXPECT_FALSE(SendEnabled());
}

TEST_F(TextMessageTest, ReceiverListStringTicksUpToTheFirstEmptyField) {
    Make();
    struct Case {
        std::string list;
        std::string ticked; // GetCheckedReceiversList afterwards (list order)
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
        control->CheckReceiversFromList(c.list);
        EXPECT_EQ(control->GetCheckedReceiversList(), c.ticked);
        EXPECT_EQ(control->IsAnyReceiverChecked(), !c.ticked.empty());
    }
}

TEST_F(TextMessageTest, TextTravelsWithCrLfLineBreaksAndCountsThem) {
    Make();
    Type("ab\ncd");
    EXPECT_EQ(control->MessageText(), "ab\r\ncd");
    control->SetMessageText("x\r\ny\rz\n\xE9");
    EXPECT_EQ(korvel::testing::Child<QPlainTextEdit>(*control, "Text_FreeText").toPlainText(), QString::fromUtf8("x\ny\nz\n\u00E9"));
    EXPECT_EQ(control->MessageText(), "x\r\ny\r\nz\r\n\xE9");

    // The limit counts a line break as two characters.
    Tick({17}); // 80
    Type(QString(39, 'a') + '\n' + QString(39, 'b'));
    EXPECT_EQ(control->MessageText().size(), 80u);
    EXPECT_TRUE(SendEnabled());
    Type(QString(39, 'a') + '\n' + QString(40, 'b'));
    EXPECT_FALSE(SendEnabled());
    EXPECT_EQ(Info(), "Too long: at most 80 characters (81)");
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
    control->setProperty("Area", "North");
    control->ApplyTexts(true);
    EXPECT_EQ(korvel::testing::Child<QGroupBox>(*control, "Frame").title(), "Receivers (North)");
}

TEST_F(TextMessageTest, ClickOnSendWhileNotConnectedReportsNothing) {
    Make();
    Tick({15});
    Type("hello");
    ASSERT_TRUE(SendEnabled());
    control->StatusBar_PanelClick(TextMessage::kSendPanel);
    EXPECT_EQ(Info(), "");
    EXPECT_EQ(control->InfoCountdown(), 0);
    EXPECT_EQ(store.Get("Korvel ActiveX TextMessage Client", "Parameters", "LastMessageText", "-"), "-");
}

TEST_F(TextMessageTest, StatusBarReportsClicksOnAnyPanelAndKeysOnTheButtonPanel) {
    EnsureApplication();
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

TEST_F(TextMessageTest, MessagesStayOnTheServerUnlessTheSettingIsExactlyZero) {
    Make();
    struct Case {
        const char* section; // "" = no settings at all
        const char* body;    // the section's items, zero-separated
        bool storedByServer;
    };
    const Case cases[] = {
        {"", "", true},
        {"ActiveX", "StoreActiveXMessagesByServer=0", false},
        {"activex", "storeactivexmessagesbyserver=0", false}, // names ignore case
        {"ActiveX", "StoreActiveXMessagesByServer=1", true},
        {"ActiveX", "StoreActiveXMessagesByServer=00", true},
        {"ActiveX", "StoreActiveXMessagesByServer= 0", true},
        {"ActiveX", "StoreActiveXMessagesByServer=", true},
        {"ActiveX", "StoreActiveXMessagesByServer=no", true},
        {"ActiveX", "XStoreActiveXMessagesByServer=0", true}, // a whole key only
        {"General", "StoreActiveXMessagesByServer=0", true},
    };
    for (const Case& c : cases) {
        state.SettingSections = {};
        if (*c.section) {
            state.SettingSections.Count = 1;
            state.SettingSections.Names = {c.section};
            state.SettingSections.Bodies = {std::string(1, '\0') + c.body + std::string(1, '\0')};
        }
        control->HandleSettingsMessage();
        EXPECT_EQ(control->StoredByServer(), c.storedByServer) << c.section << " / " << c.body;
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
    control->ApplyTexts(true);
    const QRect list = korvel::testing::Child<platform::ListView>(*control, "ListView_Receivers").geometry();
    EXPECT_EQ(list.bottom(), QRect(3, 13, 573, 306).bottom());
    EXPECT_EQ(list.top(), std::max(13, korvel::testing::Child<QGroupBox>(*control, "Frame").contentsRect().top()));
    EXPECT_GT(korvel::testing::Child<QGroupBox>(*control, "Frame").contentsRect().top(), 13) << "the caption needs more room here";
    // The server's status panel, empty until the first 108, is not a sliver.
    EXPECT_GE(korvel::testing::Child<textmessage::StatusBar>(*control, "StatusBar").findChildren<QWidget*>()[2]->width(), 96);
}
