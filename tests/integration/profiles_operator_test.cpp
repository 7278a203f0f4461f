// The profiles editor driven as an operator drives it (mouse on the grid and the lists,
// the pop-up menus' entries chosen, keys typed, buttons pressed) against the substitute
// server, checking what Save puts on the wire.
#include "controls/profiles/profilescomponent.h"
#include "tests/integration/profilesmessages.h"
#include "tests/support/loopback.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"
#include "core/records/timeschedule.h"
#include "core/serversettings.h"
#include "core/settingsstore.h"
#include "platform/dialogservice.h"
#include "platform/paintsurface.h"
#include "platform/popupmenu.h"
#include "platform/qtext.h"
#include "testserver/sampledata.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

using namespace korvel;
using namespace korvel::testing;
using Profiles = korvel::profiles::Component;

namespace {


struct SampleProfile {
    int16_t id;
    const char* name;
    Bytes parallel;
    std::vector<int> grouped; // day types in the group; Monday 07:00-16:00 either way
};

cProfile MakeProfile(const ClientState& state, const SampleProfile& s) {
    cProfile p;
    p.m_DiskIdentity = s.id;
    p.m_Enabled = -1;
    p.SetName(state, s.name);
    p.m_ParallellReceivers = s.parallel;
    for (int c = 0; c < kProfileConditionCount; ++c) p.SetCondition(c, Variant("*"));
    p.m_UseTimeSchedule = -1;
    p.m_TimeSchedule = std::make_shared<cTimeSchedule>();
    cTimeSchedule& t = *p.m_TimeSchedule;
    t.m_Periods[0].push_back(std::make_shared<cTimeSchedulePeriod>(cTimeSchedulePeriod{420, 960}));
    for (int d : s.grouped) t.m_Grouped[static_cast<std::size_t>(d)] = -1;
    int16_t row = 0;
    for (int d = 0; d < kDayTypeCount; ++d) {
        t.m_AxisIndex[static_cast<std::size_t>(d)] = row;
        if (t.m_Active[static_cast<std::size_t>(d)] != 0) ++row;
    }
    return p;
}

Bytes ProfileList(const std::vector<SampleProfile>& profiles) {
    ClientState state;
    Bytes body;
    AppendLong(body, static_cast<int32_t>(profiles.size()));
    for (const SampleProfile& s : profiles) {
        body += RecordRefBody(s.id, s.name);
        MakeProfile(state, s).AppendNetworkBytes(body);
    }
    return body;
}

// The profile a 210 carries (after its RecordRef).
struct SentProfile {
    int32_t refIdentity = 0;
    Bytes refName;
    cProfile profile;
};

SentProfile ReadSave(const ClientState& state, const Bytes& body) {
    SentProfile out;
    int32_t position = 0;
    out.refIdentity = GetLongFromNetworkBytes(body, position);
    out.refName = GetStringFromNetworkBytes(body, position);
    out.profile.UncompressFromNetworkBytes(state, body, position);
    return out;
}

// The grouped field of each day type, as the period string carries it.
std::vector<Bytes> GroupedFields(const cTimeSchedule& schedule) {
    const Bytes periods = schedule.ComposePeriodArray();
    std::vector<Bytes> out;
    std::size_t at = 0;
    for (int d = 0; d < kDayTypeCount; ++d) {
        out.push_back(periods.substr(at + 2, 2));
        const int n = (static_cast<unsigned char>(periods[at + 4]) << 8) | static_cast<unsigned char>(periods[at + 5]);
        at += 8 + 4 * static_cast<std::size_t>(n);
    }
    return out;
}

void Mouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, QPoint at) {
    QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

void Click(QWidget* target, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    Mouse(target, QEvent::MouseButtonPress, button, at);
    Mouse(target, QEvent::MouseButtonRelease, button, at);
}

void Type(QWidget* target, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(target, &press);
    }
}

// The row of the menu entry with that caption, or -1.
int RowNamed(const platform::Menu* menu, const QString& text) {
    for (int row = 0; row < menu->Count(); ++row)
        if (!menu->IsSeparator(row) && menu->Caption(row) == text) return row;
    return -1;
}

// A dialog service that runs an action while its name box is open, as the operator's
// wait at the box lets the server's events run.
class BoxWithAction final : public platform::IDialogService {
public:
    std::function<void()> whileNameBoxOpen;
    QString answer;
    std::vector<platform::MessageRequest> messages;

    platform::MessageResult Message(const platform::MessageRequest& request, QWidget*) override {
        messages.push_back(request);
        return platform::MessageResult::Ok;
    }
    std::optional<QString> Input(const platform::InputRequest&, QWidget*) override {
        if (whileNameBoxOpen) whileNameBoxOpen();
        return answer;
    }
    int Run(QDialog&) override { return 0; } // no window opens here: closed (Rejected)
    void Popup(platform::Menu&, const QPoint&) override {}
};

class ProfilesOperatorTest : public LoopbackTest<Profiles> {
protected:
    void Start(const std::vector<SampleProfile>& profiles, bool childProfiles = false, const char* area = "") {
        if (childProfiles) data.Settings[0].Items.push_back({"AllowChildProfiles", "1"});
        data.Answers[MessageType::MsgProfileList] = {{MessageType::MsgProfileList, ProfileList(profiles)}};
        server.SetData(data);
        MakeControl(800, 560);
        control->setProperty("Area", area);
        PointAtServer();
        ASSERT_TRUE(WaitFor([&] { return Tree()->model()->rowCount() > 0; }));
        ServerCaughtUp();
        ClientCaughtUp();
    }
    template <class W>
    W* Find(const char* name) const {
        W* w = control->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QTreeView* Tree() const { return Find<QTreeView>("TreeView_Profiles"); }
    void ClickNode(const QString& text) {
        QAbstractItemModel* model = Tree()->model();
        const QModelIndexList items =
            model->match(model->index(0, 0), Qt::DisplayRole, text, -1, Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(items.size(), 1) << text.toStdString();
        Tree()->scrollTo(items[0]);
        Click(Tree()->viewport(), Tree()->visualRect(items[0]).center());
    }
    void PressSave() {
        server.ClearReceived();
        Find<QPushButton>("Command_Save")->click();
    }
    std::vector<SentProfile> SavesAfter(std::size_t count) {
        EXPECT_TRUE(WaitFor([&] { return server.ReceivedOfType(MessageType::MsgProfileSave).size() >= count; }));
        ServerCaughtUp();
        std::vector<SentProfile> out;
        for (const auto& f : server.ReceivedOfType(MessageType::MsgProfileSave)) out.push_back(ReadSave(state, f.Body));
        return out;
    }
    // Right press and release on the grid's row of Monday, then the menu entry chosen.
    void ChooseOnMondayRow(const QString& entry) {
        auto* picture = Find<platform::PaintSurfaceWidget>("Picture_TimeSchedule");
        bool chosen = false;
        dialogs->OnMenu([&](platform::Menu& menu) {
            if (const int row = RowNamed(&menu, entry); row >= 0) {
                menu.Trigger(row);
                chosen = true;
            }
        });
        Click(picture, QPoint(30 + 600 / 5, 10), Qt::RightButton);
        EXPECT_TRUE(chosen) << entry.toStdString();
    }

    platform::ScopedScriptedDialogs dialogs;
};

// --- Group Monday-Friday --------------------------------------------------------------------

TEST_F(ProfilesOperatorTest, GroupMondayToFridayDoesWhatItsCheckMarkPromises) {
    Start({{1, "Office hours", "", {0, 1, 2, 3, 4}},
           {2, "Loose days", "", {}},
           {3, "With Saturday", "", {0, 1, 2, 3, 4, 5}}});
    const QString entry = platform::ToQString(GetText(state, 645));
    const Bytes on("\xFF\xFF", 2);
    const Bytes off("\x00\x00", 2);
    struct Case {
        const char* profile;
        bool groupedAfter; // Monday to Friday
    };
    // Checked (exactly Monday-Friday grouped): ungroups all. Unchecked (none, or more than
    // Monday-Friday): groups Monday-Friday only and spreads Monday's periods.
    for (const Case& k : {Case{"Office hours", false}, Case{"Loose days", true}, Case{"With Saturday", true}}) {
        SCOPED_TRACE(k.profile);
        ClickNode(k.profile);
        ChooseOnMondayRow(entry);
        PressSave();
        const std::vector<SentProfile> saves = SavesAfter(1);
        ASSERT_EQ(saves.size(), 1u);
        EXPECT_EQ(saves[0].refName, k.profile);
        const cTimeSchedule& sent = *saves[0].profile.m_TimeSchedule;
        const std::vector<Bytes> grouped = GroupedFields(sent);
        for (int d = 0; d < kDayTypeCount; ++d) EXPECT_EQ(grouped[d], d < 5 && k.groupedAfter ? on : off) << d;
        for (int d = 1; d < 5 && k.groupedAfter; ++d) {
            ASSERT_EQ(sent.m_Periods[d].size(), 1u) << d;
            EXPECT_EQ(sent.m_Periods[d][0]->m_StartMinute, 420);
            EXPECT_EQ(sent.m_Periods[d][0]->m_StopMinute, 960);
        }
    }
}

TEST_F(ProfilesOperatorTest, GroupedTogglesTheDayUnderThePointerOnceWhateverItsMark) {
    Start({{1, "Loose days", "", {}}, {2, "Office hours", "", {0, 1, 2, 3, 4}}});
    const QString entry = platform::ToQString(GetText(state, 644));
    const Bytes on("\xFF\xFF", 2);
    const Bytes off("\x00\x00", 2);
    struct Case {
        const char* profile;
        std::vector<int> groupedAfter;
    };
    // Monday joins the group (unchecked entry) or leaves it (checked entry).
    for (const Case& k : {Case{"Loose days", {0}}, Case{"Office hours", {1, 2, 3, 4}}}) {
        SCOPED_TRACE(k.profile);
        ClickNode(k.profile);
        ChooseOnMondayRow(entry);
        PressSave();
        const std::vector<SentProfile> saves = SavesAfter(1);
        ASSERT_EQ(saves.size(), 1u);
        const std::vector<Bytes> grouped = GroupedFields(*saves[0].profile.m_TimeSchedule);
        for (int d = 0; d < kDayTypeCount; ++d) {
            const bool in = std::find(k.groupedAfter.begin(), k.groupedAfter.end(), d) != k.groupedAfter.end();
            EXPECT_EQ(grouped[d], in ? on : off) << d;
        }
    }
}

// --- Condition editor and new profiles --------------------------------------------------------

TEST_F(ProfilesOperatorTest, OpenConditionEditorStaysWithItsProfileAndANewProfileGetsStars) {
    Start({{1, "Alpha", "", {}}});
    ClickNode("Alpha");
    auto* field = Find<QLineEdit>("Text_Condition_2");
    Mouse(field, QEvent::MouseButtonDblClick, Qt::LeftButton, QPoint(5, 5));
    auto* editor = Find<QPlainTextEdit>("Text_Condition_Edit");
    ASSERT_TRUE(editor->isVisible());
    editor->selectAll();
    Type(editor, "secret");

    dialogs->QueueText("Beta");
    Find<QPushButton>("Command_AddProfile")->click();
    EXPECT_FALSE(editor->isVisible()) << "the cleared page has no open editor";
    EXPECT_EQ(field->text(), "*");

    PressSave();
    const std::vector<SentProfile> saves = SavesAfter(2);
    ASSERT_EQ(saves.size(), 2u);
    for (const SentProfile& s : saves) {
        SCOPED_TRACE(s.refName);
        EXPECT_EQ(s.profile.GetCondition(2), s.refName == "Alpha" ? "secret" : "*");
    }
    EXPECT_EQ(saves[1].refIdentity, -1);
    EXPECT_EQ(saves[1].refName, "Beta");
}

// --- Receiver names in an area ------------------------------------------------------------------

TEST_F(ProfilesOperatorTest, AReceiverNamedWithoutTheAreaKeepsItsNameAndAddedOnesGetThePrefix) {
    using namespace std::string_literals;
    Start({{1, "North\\Watch", "Shared\0"s, {}}, {2, "North\\Other", "", {}}}, false, "North");
    cReceiver shared;
    shared.m_DiskIdentity = 90;
    shared.m_ReceiverName = "Shared";
    shared.m_Enabled = -1;
    Bytes body = RecordRefBody(90, "Shared");
    shared.AppendNetworkBytes(body);
    server.SendFrame(MessageType::MsgReceiverSave, body);
    ASSERT_TRUE(WaitFor([&] { return state.Receivers.Find("K90") != nullptr; }));
    ClientCaughtUp();
    ClickNode("Other"); // the list is shown again with the receiver known
    ClickNode("Watch");

    // Viewing and saving changes nothing.
    PressSave();
    ServerCaughtUp();
    EXPECT_TRUE(server.ReceivedOfType(MessageType::MsgProfileSave).empty());

    // A receiver of the area chosen from the sub-menu is stored with the prefix.
    auto* list = Find<QWidget>("ListView_Receivers_Parallell");
    auto* view = list->findChild<QWidget*>(QStringLiteral("qt_scrollarea_viewport"));
    ASSERT_NE(view, nullptr);
    bool chosen = false;
    dialogs->OnMenu([&](platform::Menu& menu) {
        for (int row = 0; row < menu.Count(); ++row)
            if (platform::Menu* sub = menu.SubMenu(row))
                if (const int item = RowNamed(sub, "Gatehouse screen"); item >= 0) {
                    sub->Trigger(item);
                    chosen = true;
                }
    });
    Click(view, QPoint(10, view->height() - 5), Qt::RightButton);
    ASSERT_TRUE(WaitFor([&] { return chosen; }));

    PressSave();
    const std::vector<SentProfile> saves = SavesAfter(1);
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_EQ(saves[0].profile.m_ParallellReceivers, "Shared\0North\\Gatehouse screen\0"s);
}

// --- Another operator's profile of the same name ------------------------------------------------

TEST_F(ProfilesOperatorTest, AnotherOperatorsSaveOfTheSameNameLeavesTheUnsavedProfileAndItsEdits) {
    Start({{1, "Alpha", "", {}}});
    dialogs->QueueText("New");
    Find<QPushButton>("Command_AddProfile")->click();
    ASSERT_EQ(state.Profiles.Find("K-1")->GetName(), "New");
    auto* tag = Find<QLineEdit>("Text_Condition_0");
    tag->selectAll();
    Type(tag, "LOCAL*");

    ClientState other;
    cProfile theirs = MakeProfile(other, {50, "new", "", {}});
    theirs.SetCondition(0, Variant("THEIRS"));
    server.SendFrame(MessageType::MsgProfileSave, RecordRefBody(50, "new") + theirs.CompressToNetworkBytes());
    ASSERT_TRUE(WaitFor([&] { return state.Profiles.Find("K50") != nullptr; }));
    ClientCaughtUp();
    ASSERT_NE(state.Profiles.Find("K-1"), nullptr) << "the unsaved profile stays";
    EXPECT_EQ(tag->text(), "LOCAL*") << "and the page keeps its edit";
    EXPECT_EQ(Tree()->currentIndex().data().toString(), "New");

    // The next Save sends it as new; the server's answer then replaces the local record.
    PressSave();
    std::vector<SentProfile> saves = SavesAfter(1);
    ASSERT_FALSE(saves.empty());
    EXPECT_EQ(saves.back().refIdentity, -1);
    EXPECT_EQ(saves.back().refName, "New");
    EXPECT_EQ(saves.back().profile.GetCondition(0), "LOCAL*");
    ASSERT_TRUE(WaitFor([&] { return state.Profiles.Find("K-1") == nullptr; }));
    for (const auto& entry : state.Profiles) EXPECT_GE(entry.item->m_DiskIdentity, 0) << entry.key;
}

// --- Nothing sent, nothing reported as sent ------------------------------------------------------

TEST_F(ProfilesOperatorTest, SaveWithoutAConnectionKeepsEveryEditAndSaysSo) {
    Start({{1, "Alpha", "", {}}, {2, "Beta", "", {}}});
    ClickNode("Beta");
    dialogs->QueueAnswer(platform::MessageResult::Yes);
    Find<QPushButton>("Command_RemoveProfile")->click();
    ClickNode("Alpha");
    auto* tag = Find<QLineEdit>("Text_Condition_0");
    tag->selectAll();
    Type(tag, "KEPT");

    server.CloseConnection();
    ASSERT_TRUE(WaitFor([&] { return control->property("IsConnectedToServer").toInt() == 0; }));
    auto* save = Find<QPushButton>("Command_Save");
    const QString caption = save->text();
    dialogs->Clear();
    save->click();
    ASSERT_EQ(dialogs->Messages().size(), 1u);
    EXPECT_EQ(dialogs->Messages()[0].text, Profiles::kNotSavedText);
    EXPECT_EQ(save->text(), caption) << "no \"saved\" caption";

    // Connected again, Save sends the removal and the edit that were kept.
    server.ClearReceived();
    control->setProperty("ServerAddress", "localhost");
    ASSERT_TRUE(WaitFor([&] { return control->property("IsConnectedToServer").toInt() == 1; }));
    ASSERT_TRUE(WaitFor([&] { return !server.ReceivedOfType(MessageType::MsgProfileList).empty(); }));
    ServerCaughtUp();
    ClientCaughtUp();
    // The new profile list rebuilt the tree; the edit lives in the record.
    PressSave();
    ASSERT_TRUE(WaitFor([&] { return !server.ReceivedOfType(MessageType::MsgProfileDelete).empty(); }));
    EXPECT_EQ(server.ReceivedOfType(MessageType::MsgProfileDelete)[0].Body, RecordRefBody(2, "Beta"));
}

TEST_F(ProfilesOperatorTest, SaveCaptionTurnsBackAtTheFirstTickAtOrAfterTwoSeconds) {
    Start({{1, "Alpha", "", {}}});
    auto* save = Find<QPushButton>("Command_Save");
    save->click();
    EXPECT_EQ(save->text(), platform::ToQString(GetText(state, 884)));
    for (int tick = 1; tick < 20; ++tick) control->Timer_Connect_Timer();
    EXPECT_EQ(save->text(), platform::ToQString(GetText(state, 884)));
    control->Timer_Connect_Timer();
    EXPECT_EQ(save->text(), platform::ToQString(GetText(state, 874)));
}

// The host asks by name (as KorvelContainer calls a control's operations).
int AskEnabled(QObject& control, const char* name) {
    int result = 99;
    EXPECT_TRUE(QMetaObject::invokeMethod(&control, "IsProfileEnabled", Q_RETURN_ARG(int, result),
                                          Q_ARG(QString, QString::fromLatin1(name))));
    return result;
}

TEST_F(ProfilesOperatorTest, AHostFindsAProfileByTheNameItWasJustGivenHere) {
    Start({{1, "Alpha", "", {}}, {2, "Beta", "", {}}});
    EXPECT_EQ(AskEnabled(*control, "alpha"), -1);
    ClickNode("Alpha");
    dialogs->QueueText("Omega");
    Find<QPushButton>("Command_RenameProfile")->click();
    EXPECT_EQ(AskEnabled(*control, "OMEGA"), -1) << "renamed here, not yet saved";
    EXPECT_EQ(AskEnabled(*control, "Alpha"), 0);
    dialogs->QueueText("Gamma");
    Find<QPushButton>("Command_AddProfile")->click();
    EXPECT_EQ(AskEnabled(*control, "gamma"), -1);
    EXPECT_EQ(AskEnabled(*control, "Beta"), -1);
}

TEST_F(ProfilesOperatorTest, RenameWithChildrenWhileTheConnectionGoesRenamesNothingAndSaysSo) {
    Start({{1, "Alpha", "", {}}}, true);
    ClickNode("Alpha");
    auto service = std::make_unique<BoxWithAction>();
    BoxWithAction* box = service.get();
    box->answer = "Omega";
    box->whileNameBoxOpen = [&] {
        server.CloseConnection();
        WaitFor([&] { return control->property("IsConnectedToServer").toInt() == 0; });
    };
    std::unique_ptr<platform::IDialogService> previous = platform::InstallDialogService(std::move(service));
    server.ClearReceived();
    Find<QPushButton>("Command_RenameProfile")->click();
    ASSERT_EQ(box->messages.size(), 1u);
    EXPECT_EQ(box->messages[0].text, Profiles::kNotRenamedText);
    platform::InstallDialogService(std::move(previous));
    EXPECT_EQ(state.Profiles.Find("K1")->GetName(), "Alpha");
    EXPECT_TRUE(server.ReceivedOfType(MessageType::MsgProfileSave).empty());
}

} // namespace
