// The text message control against the substitute server over loopback: start-up
// requests to the byte, the receiver list and its ticks, the message sent to the byte,
// the server's answers, the last message kept on the server or in the per-user store,
// and the list following 240 and 241.
#include "controls/textmessage/statusbar.h"
#include "tests/support/children.h"
#include "controls/textmessage/textmessagecomponent.h"
#include "tests/support/composer.h"
#include "tests/support/loopback.h"

#include "core/clientstate.h"
#include "core/decoder.h"
#include "core/records/receiver.h"
#include "core/settingsstore.h"
#include "platform/dialogservice.h"
#include "platform/listview.h"
#include "platform/qtext.h"
#include "platform/statuslabel.h"
#include "testserver/frameio.h"
#include "testserver/sampledata.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::testing;
using korvel::testserver::Server;
using TextMessage = korvel::textmessage::Component;

namespace {

constexpr const char* kApp = "Korvel ActiveX TextMessage Client";

Bytes Int32Body(int32_t value) {
    Bytes b;
    AppendLong(b, value);
    return b;
}

// A MsgReceiverSave for a receiver: RecordRef, then its network form.
Bytes ReceiverSaveBody(int16_t identity, std::string_view name, int16_t type) {
    ClientState types; // type rows do not travel; the client looks the type up itself
    cReceiver r;
    r.m_DiskIdentity = identity;
    r.m_ReceiverName = name;
    r.SetReceiverTypeId(types, type);
    Bytes b;
    AppendLong(b, identity);
    AppendString(b, name);
    r.AppendNetworkBytes(b);
    return b;
}

Bytes ReceiverDeleteBody(int32_t identity, std::string_view name) {
    Bytes b;
    AppendLong(b, identity);
    AppendString(b, name);
    return b;
}

class TextMessageLoopback : public LoopbackTest<TextMessage> {
protected:
    TextMessage& Make(const char* area = "", const char* password = "") {
        MakeControl(500, 450);
        control->setProperty("Area", area);
        control->setProperty("Password", password);
        return *control;
    }
    // Connects and waits for the answers to 131 and 132 of the connection; `startup`
    // holds what the control sent until then.
    void Start(int connection = 0) {
        ASSERT_TRUE(ConnectAndWait([&] {
            return !server.ReceivedOfType(MessageType::MsgLastMessageText, connection).empty() && server.AllSent();
        }));
        startup = ServerCaughtUp(connection);
    }
    void Reconnect(int connection) {
        LoopbackTest::Reconnect();
        ASSERT_TRUE(WaitFor([&] {
            return control->IsConnected() && server.ConnectionCount() > connection &&
                   !server.ReceivedOfType(MessageType::MsgLastMessageText, connection).empty() && server.AllSent();
        }));
        ClientCaughtUp(connection);
    }
    std::vector<testserver::ReceivedFrame> startup;
    platform::ListView& List() const { return korvel::testing::Child<platform::ListView>(*control, "ListView_Receivers"); }
    QStringList Rows() const {
        QStringList out;
        for (int i = 1; i <= List().ListCount(); ++i) out << List().Key(i) + "=" + List().Text(i);
        return out;
    }
    void Tick(int id, bool on = true) {
        ASSERT_GT(List().FindKey(QString("K%1").arg(id)), 0) << id;
        TickReceiver(*control, id, on);
    }
    bool SendEnabled() const { return korvel::testing::Child<textmessage::StatusBar>(*control, "StatusBar").PanelEnabled(TextMessage::kSendPanel); }
    QString Panel(int n) const { return korvel::testing::Child<textmessage::StatusBar>(*control, "StatusBar").PanelText(n); }
    void Type(const QString& text) { korvel::testing::Child<QPlainTextEdit>(*control, "Text_FreeText").setPlainText(text); }
    void ClickSend() { ClickPanel(*control, TextMessage::kSendPanel); }
};

} // namespace

TEST_F(TextMessageLoopback, StartUpRequestsToTheByteThenTheLastMessage) {
    struct Case {
        const char* area;
        const char* password;
        std::vector<std::pair<MessageType, Bytes>> expected;
    };
    using enum MessageType;
    const Case cases[] = {
        {"", "",
         {{MsgTextTable, ""}, {MsgServerSettings, ""}, {MsgReceiverTypeList, ""}, {MsgReceiverList, ""},
          {MsgLastMessageReceivers, ""}, {MsgLastMessageText, ""}}},
        {"North", "pw",
         {{MsgTextTable, ""}, {MsgServerSettings, ""}, {MsgArea, Bytes("\x00\x05North", 7)}, {MsgReceiverTypeList, ""},
          {MsgReceiverList, ""}, {MsgPassword, Bytes("\x00\x02pw", 4)}, {MsgLastMessageReceivers, ""},
          {MsgLastMessageText, ""}}},
    };
    int connection = 0;
    for (const Case& c : cases) {
        Make(c.area, c.password);
        Start(connection);
        std::vector<std::pair<MessageType, Bytes>> got;
        for (const auto& f : startup) got.emplace_back(f.Type, f.Body);
        EXPECT_EQ(got, c.expected) << c.area;
        control.reset();
        ++connection;
    }
    // The password is the control's own: the shared state never holds it.
    EXPECT_TRUE(state.Password.empty());
}

TEST_F(TextMessageLoopback, ShowsTheAreasReceiversSortedAndTheComposer) {
    Make("north");
    Start();
    EXPECT_EQ(Rows(), (QStringList{"K4=Gatehouse screen", "K5=Site manager"}));
    EXPECT_FALSE(korvel::testing::Child<QGroupBox>(*control, "Frame").isHidden());
    EXPECT_FALSE(korvel::testing::Child<QPlainTextEdit>(*control, "Text_FreeText").isHidden());
    EXPECT_FALSE(korvel::testing::Child<textmessage::StatusBar>(*control, "StatusBar").isHidden());
    EXPECT_TRUE(korvel::testing::Child<platform::StatusLabel>(*control, "Label_Disconnected").isHidden());
    EXPECT_EQ(korvel::testing::Child<QGroupBox>(*control, "Frame").title(), "Receivers (north)");
    EXPECT_EQ(Panel(TextMessage::kSendPanel), "Send");
    EXPECT_EQ(store.Get(kApp, "Parameters", "LastMessageText", "-"), "-") << "the server keeps the last message";
    EXPECT_EQ(store.Get(kApp, "Texts", "IsLoadedOnce", ""), "1");

    control.reset();
    Make("");
    Start(1);
    EXPECT_EQ(Rows(), (QStringList{"K2=Control room pager", "K1=Duty engineer", "K3=Maintenance e-mail",
                                   "K4=North\\Gatehouse screen", "K5=North\\Site manager",
                                   "K6=South\\Pump station phone"}));
}

TEST_F(TextMessageLoopback, SendsTheMessageToTheByteAndShowsTheServersIdentity) {
    Make("");
    Start();
    Tick(1); // GSM, 160
    Tick(2); // pager, 80
    EXPECT_EQ(ShownLimit(*control), 80);
    Type("Pump 3\ntripped");
    ASSERT_TRUE(SendEnabled());
    ClickSend();
    EXPECT_EQ(korvel::testing::Child<textmessage::StatusBar>(*control, "StatusBar").PanelBevel(TextMessage::kSendPanel), textmessage::StatusBar::Inset);
    EXPECT_EQ(Panel(TextMessage::kInfoPanel), "Message sent"); // for 15 s (unit tests count the ticks)
    ASSERT_TRUE(WaitFor([&] { return server.ReceivedOfType(MessageType::MsgTextMessage).size() == 1; }));
    Bytes expected;
    AppendString(expected, "Pump 3\r\ntripped");
    AppendInteger(expected, 2);
    AppendLong(expected, 0);
    AppendLong(expected, 2); // rows in list order: "Control room pager" first
    AppendLong(expected, 1);
    AppendString(expected, "");
    AppendString(expected, "");
    EXPECT_EQ(server.ReceivedOfType(MessageType::MsgTextMessage)[0].Body, expected);

    ASSERT_TRUE(WaitFor([&] { return Panel(TextMessage::kInfoPanel) == "Message sent (id: 0x001A)"; }));
    ASSERT_TRUE(WaitFor([&] { return Panel(TextMessage::kServerPanel) == "Message 26 queued for 2 receiver(s)"; }));
    EXPECT_TRUE(WaitFor([&] {
        return korvel::testing::Child<textmessage::StatusBar>(*control, "StatusBar").PanelBevel(TextMessage::kSendPanel) == textmessage::StatusBar::Raised;
    })) << "the pressed look lasts until the next timer tick";
    // Text and ticks stay; the server keeps the message, nothing is kept locally.
    EXPECT_EQ(ComposerText(*control).toPlainText(), "Pump 3\ntripped");
    EXPECT_EQ(TickedList(*control), "2\xFF" "1\xFF");
    EXPECT_EQ(store.Get(kApp, "Parameters", "LastMessageText", "-"), "-");
    EXPECT_EQ(store.Get(kApp, "Parameters", "LastMessageReceivers", "-"), "-");

    // The information panel empties when its countdown runs out.
    for (int i = 0; i < 150 && !Panel(TextMessage::kInfoPanel).isEmpty(); ++i) control->Timer_Connect_Timer();
    EXPECT_EQ(Panel(TextMessage::kInfoPanel), "");

    // A new connection brings the last message back from the server.
    Type("");
    Tick(1, false);
    Tick(2, false);
    Reconnect(1);
    EXPECT_EQ(TickedList(*control), "2\xFF" "1\xFF");
    EXPECT_EQ(ComposerText(*control).toPlainText(), "Pump 3\ntripped");
    EXPECT_EQ(ShownLimit(*control), 80);
    EXPECT_TRUE(SendEnabled());
}

TEST_F(TextMessageLoopback, IdentityShowsItsLowFourHexDigits) {
    Make("");
    Start();
    const std::pair<int32_t, const char*> cases[] = {
        {26, "0x001A"}, {0, "0x0000"}, {0xFFFF, "0xFFFF"}, {65536, "0x0000"}, {0x1234ABCD, "0xABCD"}, {-1, "0xFFFF"},
    };
    for (const auto& [identity, digits] : cases) {
        server.SendFrame(MessageType::MsgTextMessage, Int32Body(identity));
        const QString shown = QString("Message sent (id: %1)").arg(digits); // clang 14 lambdas take no bindings
        ASSERT_TRUE(WaitFor([&] { return Panel(TextMessage::kInfoPanel) == shown; })) << identity;
    }
}

TEST_F(TextMessageLoopback, WithoutServerStorageTheLastMessageLivesInTheUserStore) {
    for (auto& section : server.Data().Settings)
        for (auto& item : section.Items)
            if (item.first == "StoreActiveXMessagesByServer") item.second = "0";
    store.Save(kApp, "Parameters", "LastMessageReceivers", "3\xFF" "2\xFF");
    store.Save(kApp, "Parameters", "LastMessageText", "from\r\nbefore");
    Make("");
    Start();
    // Not kept by the server: the last message comes from the user's store.
    EXPECT_EQ(TickedList(*control), "2\xFF" "3\xFF");
    EXPECT_EQ(ComposerText(*control).toPlainText(), "from\nbefore");

    Tick(3, false);
    Type("Next shift starts at 6");
    ASSERT_TRUE(SendEnabled());
    ClickSend();
    EXPECT_EQ(store.Get(kApp, "Parameters", "LastMessageReceivers", ""), "2\xFF");
    EXPECT_EQ(store.Get(kApp, "Parameters", "LastMessageText", ""), "Next shift starts at 6");
    ASSERT_TRUE(WaitFor([&] { return server.ReceivedOfType(MessageType::MsgTextMessage).size() == 1; }));

    // The server's own answers to 131/132 are not read: the store wins.
    Reconnect(1);
    EXPECT_EQ(TickedList(*control), "2\xFF");
    EXPECT_EQ(ComposerText(*control).toPlainText(), "Next shift starts at 6");
}

TEST_F(TextMessageLoopback, WithoutTheRightNothingIsSent) {
    server.Data().UserRights = 0xFF & ~RightSendTextMessages;
    Make("");
    Start();
    Tick(1);
    Type("hello");
    EXPECT_FALSE(SendEnabled());
    ClickSend();
    ClickPanel(*control, TextMessage::kInfoPanel);
    ClickPanel(*control, TextMessage::kServerPanel);
    ServerCaughtUp();
    EXPECT_TRUE(server.ReceivedOfType(MessageType::MsgTextMessage).empty());
    EXPECT_EQ(Panel(TextMessage::kInfoPanel), "");
}

TEST_F(TextMessageLoopback, ListFollowsSavedAndDeletedReceiversKeepingTicks) {
    Make("North");
    Start();
    Tick(5); // "Site manager", GSM 160
    Type(QString(100, 'x'));
    ASSERT_TRUE(SendEnabled());

    // 240 renames a ticked receiver: the list re-sorts, the tick stays.
    server.SendFrame(MessageType::MsgReceiverSave, ReceiverSaveBody(5, "North\\Area manager", 2));
    ASSERT_TRUE(WaitFor([&] { return List().Text(1) == "Area manager"; }));
    EXPECT_EQ(Rows(), (QStringList{"K5=Area manager", "K4=Gatehouse screen"}));
    EXPECT_EQ(TickedList(*control), "5\xFF");

    // 240 changes its type to the pager (80): the limit follows, Send is refused.
    server.SendFrame(MessageType::MsgReceiverSave, ReceiverSaveBody(5, "North\\Area manager", 3));
    ASSERT_TRUE(WaitFor([&] { return ShownLimit(*control) == 80; }));
    EXPECT_FALSE(SendEnabled());

    // 240 for a new receiver in the area adds it; one outside the area is ignored, and a
    // receiver moved out of the area keeps its row.
    server.SendFrame(MessageType::MsgReceiverSave, ReceiverSaveBody(8, "NORTH\\Boiler room", 2));
    server.SendFrame(MessageType::MsgReceiverSave, ReceiverSaveBody(9, "South\\Dock", 2));
    server.SendFrame(MessageType::MsgReceiverSave, ReceiverSaveBody(4, "South\\Gatehouse screen", 5));
    ASSERT_TRUE(WaitFor([&] { return List().ListCount() == 3; }));
    ClientCaughtUp();
    EXPECT_EQ(Rows(), (QStringList{"K5=Area manager", "K8=Boiler room", "K4=Gatehouse screen"}));

    // 241 of the ticked receiver: its row goes, and so does its limit.
    server.SendFrame(MessageType::MsgReceiverDelete, ReceiverDeleteBody(5, "North\\Area manager"));
    ASSERT_TRUE(WaitFor([&] { return List().ListCount() == 2; }));
    EXPECT_EQ(ShownLimit(*control), 8192);
    EXPECT_FALSE(SendEnabled()) << "no receiver ticked";
    Tick(8);
    EXPECT_TRUE(SendEnabled());

    // 230 rebuilds the list and clears every tick.
    server.SendFrame(MessageType::MsgReceiverList, server.Data().Answers[MessageType::MsgReceiverList].front().Body);
    ASSERT_TRUE(WaitFor([&] { return List().ListCount() == 2 && !(List().CheckedCount() > 0); }));
    EXPECT_EQ(Rows(), (QStringList{"K4=Gatehouse screen", "K5=Site manager"}));
    EXPECT_FALSE(SendEnabled());
    EXPECT_TRUE(control->IsConnected());
}

TEST_F(TextMessageLoopback, PasswordGoesOutOnceWhenItChanges) {
    Make("", "first");
    Start();
    ASSERT_EQ(server.ReceivedOfType(MessageType::MsgPassword).size(), 1u);
    control->setProperty("Password", "first");
    control->setProperty("Password", "second");
    control->setProperty("Password", "second");
    ASSERT_TRUE(WaitFor([&] { return server.ReceivedOfType(MessageType::MsgPassword).size() == 2; }));
    ServerCaughtUp();
    ASSERT_EQ(server.ReceivedOfType(MessageType::MsgPassword).size(), 2u);
    EXPECT_EQ(server.ReceivedOfType(MessageType::MsgPassword)[1].Body, Bytes("\x00\x06second", 8));
    EXPECT_EQ(control->property("Password").toString(), "");
}

TEST_F(TextMessageLoopback, LostConnectionHidesTheComposerAndKeepsItsContents) {
    Make("");
    Start();
    Tick(1);
    Type("draft");
    server.CloseConnection();
    ASSERT_TRUE(WaitFor([&] { return !control->IsConnected() && korvel::testing::Child<QGroupBox>(*control, "Frame").isHidden(); }));
    EXPECT_TRUE(korvel::testing::Child<QPlainTextEdit>(*control, "Text_FreeText").isHidden());
    EXPECT_TRUE(korvel::testing::Child<textmessage::StatusBar>(*control, "StatusBar").isHidden());
    EXPECT_FALSE(korvel::testing::Child<platform::StatusLabel>(*control, "Label_Disconnected").isHidden());
    EXPECT_EQ(ComposerText(*control).toPlainText(), "draft");
    EXPECT_EQ(TickedList(*control), "1\xFF");
    ClickSend(); // Send stays enabled in the hidden bar, but nothing goes out or is reported
    EXPECT_EQ(Panel(TextMessage::kInfoPanel), "");
}

TEST_F(TextMessageLoopback, ProtocolVersionConflictShowsTheControlsTitle) {
    platform::ScopedScriptedDialogs dialogs;
    server.Data().ProtocolVersion = 22;
    Make("");
    control->setProperty("ServerPort", server.Port());
    control->setProperty("ServerAddress", "127.0.0.1");
    ASSERT_TRUE(WaitFor([&] { return dialogs->Messages().size() == 1; }));
    EXPECT_EQ(dialogs->Messages()[0].text, "Protocol version conflict (server: 22, client: 21)!");
    EXPECT_EQ(dialogs->Messages()[0].title, kApp);
    ASSERT_TRUE(WaitFor([&] { return !control->IsConnected() && korvel::testing::Child<QGroupBox>(*control, "Frame").isHidden(); }));
}

// The order after the server's 240s, pinned with names equal but for case: a renamed
// receiver goes where a sort of the whole list puts it (among equal names by where it
// stood), a new one after the names equal to it; every tick stays on its receiver.
TEST_F(TextMessageLoopback, SavedRenamedAndNewReceiversTakeTheirSortedPlaceWithTheirTicks) {
    Make();
    Start();
    ASSERT_EQ(List().ListCount(), 6);
    Tick(3);
    Tick(6);
    auto announce = [&](int16_t id, const char* name, const QString& expected) {
        server.SendFrame(MessageType::MsgReceiverSave, ReceiverSaveBody(id, name, 2));
        return WaitFor([&] { return Rows().contains(expected); });
    };
    ASSERT_TRUE(announce(3, "DUTY ENGINEER", "K3=DUTY ENGINEER"));
    ASSERT_TRUE(announce(20, "duty engineer", "K20=duty engineer"));
    ASSERT_TRUE(announce(1, "Control Room Pager", "K1=Control Room Pager"));
    ASSERT_TRUE(announce(6, "control room pager", "K6=control room pager"));
    ASSERT_TRUE(announce(2, "Duty Engineer", "K2=Duty Engineer"));
    EXPECT_EQ(Rows(), (QStringList{"K1=Control Room Pager", "K6=control room pager", "K2=Duty Engineer",
                                   "K3=DUTY ENGINEER", "K20=duty engineer", "K4=North\\Gatehouse screen",
                                   "K5=North\\Site manager"}));
    EXPECT_EQ(TickedList(*control), "6\xFF" "3\xFF");
}

// A long random stream of the server's 240 (saves, renames, new receivers by name, a new
// receiver under an identity listed before), 241, 221 and 230, with the operator ticking
// and clicking rows in between. After every message the list is what the rules make of
// the list before it (a saved receiver's row renamed or added and the list sorted again,
// stable; a removed one's row gone; 230 rebuilt with nothing ticked), holds the rows a
// rebuild from the collection gives, in its order but among equal names, keeps the ticks
// on their rows and the selection where the view puts it; the limit is that of the ticked
// receivers' types.
TEST_F(TextMessageLoopback, AfterEveryMessageOfARandomStreamTheListIsWhatARebuildGives) {
    Make();
    Start();
    ASSERT_EQ(List().ListCount(), 6);
    std::mt19937 random(20261210);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const std::vector<Bytes> names = {"Alpha", "alpha", "ALPHA", "Beta", "beta", "\xC9mile", "\xE9mile", "emile",
                                      "\x8A" "ark", "\x9A" "ark", "Zulu", "zulu 2"};
    using Row = std::pair<QString, QString>; // key, text
    auto sorted = [](std::vector<Row> rows) {
        std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
            return QString::compare(a.second, b.second, Qt::CaseInsensitive) < 0;
        });
        return rows;
    };
    auto rebuilt = [&] {
        std::vector<Row> rows;
        QSet<QString> keys;
        for (const auto& entry : state.Receivers) {
            const QString key = QString("K%1").arg(entry.item->m_DiskIdentity);
            if (keys.contains(key)) continue;
            keys.insert(key);
            rows.emplace_back(key, platform::ToQString(entry.item->m_ReceiverName));
        }
        return sorted(rows);
    };
    // Rows of equal names in the order of their keys.
    auto canonical = [](std::vector<Row> rows) {
        std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
            const int c = QString::compare(a.second, b.second, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a.first < b.first;
        });
        return rows;
    };
    auto shown = [&] {
        std::vector<Row> rows;
        for (int i = 1; i <= List().ListCount(); ++i) rows.emplace_back(List().Key(i), List().Text(i));
        return rows;
    };
    std::vector<Row> expected = shown();
    QSet<QString> ticked;
    QString selected;
    std::size_t barriers = server.ReceivedOfType(MessageType::MsgKeepAlive).size();
    auto position = [&](const QString& key) {
        for (std::size_t i = 0; i < expected.size(); ++i)
            if (expected[i].first == key) return static_cast<int>(i);
        return -1;
    };
    auto deliver = [&](MessageType type, const Bytes& body) {
        server.SendFrame(type, body);
        server.SendFrame(MessageType::MsgKeepAlive, "");
        ++barriers;
        return WaitFor([&] { return server.ReceivedOfType(MessageType::MsgKeepAlive).size() >= barriers; });
    };
    auto form = [](int32_t ref, int16_t identity, const Bytes& name, int16_t type) {
        Bytes body = ReceiverSaveBody(identity, name, type);
        Bytes withRef = ReceiverDeleteBody(ref, name);
        return withRef + body.substr(6 + name.size());
    };
    auto limit = [&] {
        std::optional<int> smallest;
        for (const QString& key : ticked) {
            const auto r = state.Receivers.Find(platform::FromQString(key));
            if (!r || r->m_ReceiverTypeIndex < 0 || r->m_ReceiverTypeIndex >= state.ReceiverTypes.SearchBound()) continue;
            const int value = state.ReceiverTypes.Rows[static_cast<std::size_t>(r->m_ReceiverTypeIndex)].MaxTextLength;
            smallest = std::min(smallest.value_or(value), value);
        }
        return smallest.value_or(TextMessage::kNoLimit);
    };
    int nextIdentity = 100;
    for (int step = 0; step < 400; ++step) {
        const int what = pick(100);
        SCOPED_TRACE(::testing::Message() << "step " << step << ", kind " << what);
        const int listed = static_cast<int>(expected.size());
        const QString someKey = listed ? expected[static_cast<std::size_t>(pick(listed))].first : QString("K1");
        const int some = someKey.mid(1).toInt();
        const Bytes name = names[static_cast<std::size_t>(pick(static_cast<int>(names.size())))];
        const int16_t type = static_cast<int16_t>(1 + pick(3));
        auto saved = [&](int identity) {
            const QString key = QString("K%1").arg(identity);
            const QString text = platform::ToQString(state.Receivers.Find(platform::FromQString(key))->m_ReceiverName);
            const int at = position(key);
            if (at < 0)
                expected.emplace_back(key, text);
            else
                expected[static_cast<std::size_t>(at)].second = text;
            expected = sorted(expected);
        };
        if (what < 30 && listed) {
            const Bytes kept = platform::FromQString(expected[static_cast<std::size_t>(position(someKey))].second);
            ASSERT_TRUE(deliver(MessageType::MsgReceiverSave,
                                form(some, static_cast<int16_t>(some), pick(2) ? name : kept, type)));
            saved(some);
        } else if (what < 50) {
            int identity = nextIdentity;
            if (const auto known = GetReceiverByName(state, name))
                identity = known->m_DiskIdentity;
            else if (pick(4) == 0 && listed && someKey != selected)
                identity = some;
            else
                ++nextIdentity;
            ASSERT_TRUE(deliver(MessageType::MsgReceiverSave, form(-1, static_cast<int16_t>(identity), name, type)));
            saved(identity);
        } else if (what < 62) {
            const int identity = pick(5) ? some : 999;
            const QString key = QString("K%1").arg(identity);
            const int at = position(key);
            ASSERT_TRUE(deliver(MessageType::MsgReceiverDelete, ReceiverDeleteBody(identity, "")));
            if (at >= 0) {
                expected.erase(expected.begin() + at);
                ticked.remove(key);
                const int left = static_cast<int>(expected.size());
                // The view selects the row now in its place, or the one before.
                if (key == selected)
                    selected = left ? expected[static_cast<std::size_t>(at < left ? at : left - 1)].first : QString();
            }
        } else if (what < 70 && listed) {
            Bytes body = ReceiverDeleteBody(some, "");
            AppendInteger(body, pick(2) ? -1 : 0);
            ASSERT_TRUE(deliver(MessageType::MsgReceiverEnableOrDisable, body)); // the decoder's alone: the list stays
        } else if (what < 74) {
            Bytes body;
            AppendLong(body, static_cast<int32_t>(state.Receivers.Count()));
            for (const auto& entry : state.Receivers) {
                AppendLong(body, entry.item->m_DiskIdentity);
                AppendString(body, entry.item->m_ReceiverName);
                entry.item->AppendNetworkBytes(body);
            }
            ASSERT_TRUE(deliver(MessageType::MsgReceiverList, body));
            expected = rebuilt();
            ticked.clear();
            selected.clear();
        } else if (what < 90 && listed) {
            // The operator ticks or unticks a row (a click on it, then Space).
            const int row = 1 + pick(listed);
            const QString key = expected[static_cast<std::size_t>(row - 1)].first;
            const bool on = !ticked.contains(key);
            SetTick(List(), row, on);
            if (on)
                ticked.insert(key);
            else
                ticked.remove(key);
            selected = key;
        } else if (listed) {
            const int row = 1 + pick(listed);
            ClickRow(List(), row);
            selected = expected[static_cast<std::size_t>(row - 1)].first;
        }
        ASSERT_EQ(shown(), expected);
        ASSERT_EQ(canonical(shown()), canonical(rebuilt()));
        QStringList keys = List().CheckedKeys();
        keys.sort();
        QStringList expectedKeys = ticked.values();
        expectedKeys.sort();
        ASSERT_EQ(keys, expectedKeys);
        for (int i = 1; i <= List().ListCount(); ++i) {
            ASSERT_EQ(List().Checked(i), ticked.contains(List().Key(i))) << i;
        }
        ASSERT_EQ(List().Key(List().SelectedPosition()), selected);
        if (step % 5 == 0) {
            ASSERT_EQ(ShownLimit(*control), limit());
        }
    }
}
