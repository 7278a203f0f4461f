// The receiver sub-menu of the profiles editor against the substitute server: the order
// of its entries after the receiver list (230) and after single saves (240) and removals
// (241), pinned to the byte order of the upper-cased captions, equal captions in the
// order of the receiver collection; a long random run of such messages against a whole
// rebuild from the collection; and the operator reaching every entry of a long sub-menu.
#include "controls/profiles/profilescomponent.h"
#include "tests/support/loopback.h"
#include "tests/integration/profilesmessages.h"
#include "tests/support/menuinput.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/cp1252.h"
#include "core/procedures.h"
#include "core/records/receiver.h"
#include "core/settingsstore.h"
#include "platform/dialogservice.h"
#include "platform/listview.h"
#include "platform/popuplist.h"
#include "platform/popupmenu.h"
#include "platform/qtext.h"
#include "testserver/sampledata.h"

#include <QAbstractItemView>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

using namespace korvel;
using namespace korvel::testing;
using Profiles = korvel::profiles::Component;

namespace {




class ReceiverMenuTest : public LoopbackTest<Profiles> {
protected:
    void Start(const std::vector<std::pair<int32_t, Bytes>>& receivers, const char* area = "", bool show = false) {
        dialogs->ShowRealMenus(); // the operator's keys and pointer drive the pop-up list
        data.Answers[MessageType::MsgReceiverList] = {{MessageType::MsgReceiverList, ReceiverListBody(receivers)}};
        server.SetData(data);
        MakeControl(800, 560, show);
        control->setProperty("Area", area);
        PointAtServer();
        // (Element 0 stands, empty, before the list arrives.)
        ASSERT_TRUE(WaitFor([&] { return Captions().size() == static_cast<qsizetype>(receivers.size()) &&
                                         state.Receivers.Count() == receivers.size(); }, 20000));
        ServerCaughtUp();
        ClientCaughtUp();
    }
    // The entries as the sub-menu holds them: caption and tag, in menu order.
    std::vector<std::pair<QString, QString>> Entries() const {
        std::vector<std::pair<QString, QString>> out;
        if (auto* items = control->findChild<platform::MenuItemArray*>("Menu_Profile_Receiver_Popup_Add_Item"))
            for (int i = 0; i < items->Count(); ++i) out.emplace_back(items->Caption(i), items->Tag(i));
        return out;
    }
    // The sub-menu as a whole rebuild from the receiver collection makes it: every
    // receiver by its shown name ("&" doubled), stably sorted by the upper-cased caption.
    std::vector<std::pair<QString, QString>> Rebuilt() const {
        std::vector<std::pair<std::string, std::pair<QString, QString>>> rows;
        for (const auto& e : state.Receivers) {
            Bytes shown = state.ViewAllReceiversSetting ? e.item->m_ReceiverName
                                                        : RemoveAreaFromName(state, e.item->m_ReceiverName);
            Bytes caption;
            for (char c : shown) caption += c == '&' ? std::string("&&") : std::string(1, c);
            rows.push_back({UpperCase(caption), {platform::ToQString(caption),
                                                 QStringLiteral("K%1").arg(e.item->m_DiskIdentity)}});
        }
        std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<std::pair<QString, QString>> out;
        for (auto& r : rows) out.push_back(std::move(r.second));
        return out;
    }
    // The operator's right click on the parallel list opens the receiver pop-up; the
    // keys open its Add sub-menu (the first entry). The sub-menu's list, or none.
    platform::PopupList* OpenAddSubMenu() {
        auto* list = control->findChild<platform::ListView*>("ListView_Receivers_Parallell");
        QWidget* view = list ? list->viewport() : nullptr;
        if (!view) return nullptr;
        const QPoint at(10, view->height() - 5);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, QPointF(at), QPointF(view->mapToGlobal(at)), Qt::RightButton,
                              type == QEvent::MouseButtonPress ? Qt::RightButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(type == QEvent::MouseButtonPress ? view : (QApplication::activePopupWidget()
                                                                                     ? QApplication::activePopupWidget()
                                                                                     : view),
                                    &event);
            QApplication::processEvents();
        }
        platform::PopupList* popup = OpenList();
        if (!popup) return nullptr;
        MenuKey(Qt::Key_Down);  // Add
        MenuKey(Qt::Key_Right); // its sub-menu, on the first entry
        platform::PopupList* sub = OpenList();
        return sub != popup ? sub : nullptr;
    }
    // What the open list shows, row by row.
    static QStringList Shown(const platform::PopupList& list) {
        QStringList out;
        const QAbstractItemModel* model = list.View()->model();
        for (int row = 0; row < model->rowCount(); ++row) out << model->index(row, 0).data().toString();
        return out;
    }
    QStringList Parallel() const {
        auto* list = control->findChild<platform::ListView*>("ListView_Receivers_Parallell");
        QStringList out;
        for (int i = 1; i <= list->ListCount(); ++i) out << list->Text(i);
        return out;
    }
    void SendViewAll(bool on) {
        std::vector<testserver::SampleSettingSection> sections = data.Settings;
        for (auto& section : sections)
            if (section.Name == "ActiveX")
                for (auto& item : section.Items)
                    if (item.first == "ViewAllReceivers") item.second = on ? "1" : "0";
        Handled(MessageType::MsgServerSettings, testserver::SettingsBody(sections));
    }
    QStringList Captions() const {
        QStringList out;
        if (auto* menu = control->findChild<platform::Menu*>("Menu_Profile_Receiver_Popup_Add"))
            for (int row = 0; row < menu->Count(); ++row) out << menu->Caption(row);
        return out;
    }
    // Sends the frame and waits until the control has handled it (a keep-alive sent
    // after it is answered only after it).
    void Handled(MessageType type, const Bytes& body) {
        server.ClearReceived();
        server.SendFrame(type, body);
        server.SendFrame(MessageType::MsgKeepAlive, {});
        ASSERT_TRUE(WaitFor([&] { return !server.ReceivedOfType(MessageType::MsgKeepAlive).empty(); }));
    }

    platform::ScopedScriptedDialogs dialogs;
};

QStringList Latin1(std::initializer_list<const char*> texts) {
    QStringList out;
    for (const char* t : texts) out << platform::ToQString(t);
    return out;
}

TEST_F(ReceiverMenuTest, EntriesKeepTheirOrderThroughListSavesAndRemovals) {
    Start({{1, "beta"},
           {2, "Alpha"},
           {3, "\xE4rende"},
           {4, "alpha"},
           {5, "\xC4rende"},
           {6, "a&b"},
           {7, "A&B"},
           {8, "North\\Gate"},
           {9, "\x9A" "aft"},
           {10, "\x8A" "aft"},
           {11, "\xFF"},
           {12, "_under"},
           {13, "1st"},
           {14, "Zeta"},
           {15, "ab"}},
          "North");
    const QStringList listed = Latin1({"1st", "a&&b", "A&&B", "ab", "Alpha", "alpha", "beta", "Gate", "Zeta",
                                       "_under", "\x9A" "aft", "\x8A" "aft", "\xFF", "\xE4rende", "\xC4rende"});
    EXPECT_EQ(Captions(), listed);

    // A saved receiver moves behind the equal captions (it is last in the collection
    // now); a renamed one moves to its new place; a new one finds its place.
    Handled(MessageType::MsgReceiverSave, RecordRefBody(2, "Alpha") + ReceiverForm(2, "Alpha"));
    EXPECT_EQ(Captions(), Latin1({"1st", "a&&b", "A&&B", "ab", "alpha", "Alpha", "beta", "Gate", "Zeta", "_under",
                                  "\x9A" "aft", "\x8A" "aft", "\xFF", "\xE4rende", "\xC4rende"}));
    Handled(MessageType::MsgReceiverSave, RecordRefBody(14, "Zeta") + ReceiverForm(14, "aardvark"));
    Handled(MessageType::MsgReceiverSave, RecordRefBody(-1, "North\\Beta") + ReceiverForm(40, "North\\Beta"));
    EXPECT_EQ(Captions(), Latin1({"1st", "a&&b", "A&&B", "aardvark", "ab", "alpha", "Alpha", "beta", "Beta", "Gate",
                                  "_under", "\x9A" "aft", "\x8A" "aft", "\xFF", "\xE4rende", "\xC4rende"}));
    Handled(MessageType::MsgReceiverDelete, RecordRefBody(6, "a&b"));
    Handled(MessageType::MsgReceiverDelete, RecordRefBody(3, "\xE4rende"));
    Handled(MessageType::MsgReceiverDelete, RecordRefBody(99, "nobody"));
    EXPECT_EQ(Captions(), Latin1({"1st", "A&&B", "aardvark", "ab", "alpha", "Alpha", "beta", "Beta", "Gate", "_under",
                                  "\x9A" "aft", "\x8A" "aft", "\xFF", "\xC4rende"}));
}

TEST_F(ReceiverMenuTest, RemovingTheLastReceiverLeavesItsEntryAndAListRebuildsFromScratch) {
    Start({{1, "Only"}, {2, "Other"}});
    Handled(MessageType::MsgReceiverDelete, RecordRefBody(2, "Other"));
    Handled(MessageType::MsgReceiverDelete, RecordRefBody(1, "Only"));
    EXPECT_EQ(Captions(), QStringList{"Only"}) << "with no receivers the entry stays as it was";
    Handled(MessageType::MsgReceiverSave, RecordRefBody(-1, "New") + ReceiverForm(5, "New"));
    EXPECT_EQ(Captions(), QStringList{"New"});
    Handled(MessageType::MsgReceiverList, ReceiverListBody({{7, "b"}, {8, "a"}, {9, "c"}}));
    EXPECT_EQ(Captions(), (QStringList{"a", "b", "c"}));
    Handled(MessageType::MsgReceiverList, ReceiverListBody({{7, "z"}}));
    EXPECT_EQ(Captions(), QStringList{"z"});
}

TEST_F(ReceiverMenuTest, AReceiverKeptUnderTwoKeysIsListedAsTheCollectionHoldsIt) {
    Start({{1, "beta"}, {2, "Alpha"}, {3, "alpha"}, {4, "gamma"}});
    // Found by its name, Alpha takes identity 77 and stays under its old key too.
    Handled(MessageType::MsgReceiverSave, RecordRefBody(-1, "Alpha") + ReceiverForm(77, "alpha"));
    EXPECT_EQ(Captions(), (QStringList{"alpha", "alpha", "alpha", "beta", "gamma"}));
    Handled(MessageType::MsgReceiverSave, RecordRefBody(77, "alpha") + ReceiverForm(77, "Alpha"));
    EXPECT_EQ(Captions(), (QStringList{"Alpha", "alpha", "Alpha", "beta", "gamma"}));
    Handled(MessageType::MsgReceiverDelete, RecordRefBody(77, "Alpha"));
    EXPECT_EQ(Captions(), (QStringList{"Alpha", "alpha", "beta", "gamma"}));
    // Under its old key it is found, but removed under its new one: nothing changes.
    Handled(MessageType::MsgReceiverDelete, RecordRefBody(2, "Alpha"));
    EXPECT_EQ(Captions(), (QStringList{"Alpha", "alpha", "beta", "gamma"}));
}

// The decoder puts a saved record under the key of its new identity and replaces the
// record there; the sub-menu shows what the collection then holds.
TEST_F(ReceiverMenuTest, ASaveThatDisplacesAnotherReceiverLeavesItOutOfTheMenu) {
    Start({{1, "Alpha"}, {2, "Xray"}}, "", true);
    Handled(MessageType::MsgReceiverSave, RecordRefBody(1, "") + ReceiverForm(2, "Alpha"));
    ASSERT_EQ(state.Receivers.Count(), 2u);
    const QStringList listed = Parallel();
    platform::PopupList* sub = OpenAddSubMenu();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(Shown(*sub), (QStringList{"Alpha", "Alpha"})) << "Xray no longer exists";
    MenuKey(Qt::Key_End);
    MenuKey(Qt::Key_Return);
    EXPECT_EQ(Parallel(), listed + QStringList{"Alpha"});
}

// Every 241 rebuilds the sub-menu, also one that finds no receiver: a view setting
// changed since the last build shows.
TEST_F(ReceiverMenuTest, ARemovalOfAnUnknownReceiverShowsTheChangedViewSetting) {
    Start({{1, "North\\Door"}}, "North", true);
    ASSERT_EQ(Captions(), QStringList{"Door"});
    SendViewAll(true);
    Handled(MessageType::MsgReceiverDelete, RecordRefBody(99, ""));
    platform::PopupList* sub = OpenAddSubMenu();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(Shown(*sub), QStringList{"North\\Door"});
    MenuKey(Qt::Key_Escape);
    MenuKey(Qt::Key_Escape);
    EXPECT_EQ(OpenList(), nullptr);
}

// A long random run of lists, saves (new, same, renamed, under a new identity, displacing
// another record, found by name), removals (known, unknown, by name) and view-setting
// changes with an area set: after each the sub-menu is what a whole rebuild from the
// collection gives (a settings message alone leaves it as it was).
TEST_F(ReceiverMenuTest, ARandomRunOfMessagesKeepsTheMenuAsAWholeRebuildMakesIt) {
    Start({{1, "North\\Door"}, {2, "door"}, {3, "Gate"}}, "North");
    std::mt19937 random(20240517);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const char* names[] = {"North\\Door", "north\\door", "door", "Door", "North\\Gate", "Gate", "South\\Gate",
                           "A&B", "a&b", "Zed", "\xC4rende", "\xE4rende", "North\\", "",
                           // longer than the 16 bytes the sort compares first, and bytes
                           // where Windows-1252 is not Latin-1
                           "Receiver number 0001", "receiver number 0001", "Receiver number 0002",
                           "Receiver number 000", "Receiver numbe", "\x80uro \x9Cuvre", "\x8Auvre"};
    const auto name = [&] { return Bytes(names[pick(static_cast<int>(std::size(names)))]); };
    const auto identity = [&] { return 1 + pick(12); };
    const auto known = [&]() -> std::shared_ptr<cReceiver> {
        if (state.Receivers.Empty()) return nullptr;
        int n = pick(static_cast<int>(state.Receivers.Count()));
        for (const auto& e : state.Receivers)
            if (n-- == 0) return e.item;
        return nullptr;
    };
    bool viewAll = false;
    int rebuiltChecks = 0;
    for (int step = 0; step < 400; ++step) {
        const auto before = Entries();
        const int kind = pick(100);
        std::string what;
        if (kind < 3) {
            std::vector<std::pair<int32_t, Bytes>> list;
            for (int n = pick(7), id = 1 + pick(3); n > 0; --n, id += 1 + pick(3)) list.emplace_back(id, name());
            Handled(MessageType::MsgReceiverList, ReceiverListBody(list));
            what = "230";
        } else if (kind < 8) {
            viewAll = !viewAll;
            SendViewAll(viewAll);
            EXPECT_EQ(Entries(), before) << "step " << step << ": a 106 alone changes no entry";
            continue;
        } else if (kind < 60) {
            const std::shared_ptr<cReceiver> r = known();
            const int shape = pick(6);
            if (!r || shape == 0) { // a new receiver, perhaps under a taken identity
                Handled(MessageType::MsgReceiverSave, RecordRefBody(-1, "new") + ReceiverForm(identity(), name()));
                what = "240 new";
            } else if (shape == 1) { // saved as it is
                Handled(MessageType::MsgReceiverSave,
                        RecordRefBody(r->m_DiskIdentity, "") + ReceiverForm(r->m_DiskIdentity, r->m_ReceiverName));
                what = "240 save";
            } else if (shape == 2) { // renamed
                Handled(MessageType::MsgReceiverSave,
                        RecordRefBody(r->m_DiskIdentity, "") + ReceiverForm(r->m_DiskIdentity, name()));
                what = "240 rename";
            } else if (shape == 3) { // found by name
                Handled(MessageType::MsgReceiverSave,
                        RecordRefBody(-1, r->m_ReceiverName) + ReceiverForm(r->m_DiskIdentity, name()));
                what = "240 by name";
            } else { // a new identity: free (kept under two keys) or another's (displaced)
                Handled(MessageType::MsgReceiverSave,
                        RecordRefBody(r->m_DiskIdentity, "") + ReceiverForm(identity(), r->m_ReceiverName));
                what = "240 new identity";
            }
        } else {
            const std::shared_ptr<cReceiver> r = known();
            const int shape = pick(4);
            if (!r || shape == 0) Handled(MessageType::MsgReceiverDelete, RecordRefBody(50 + pick(5), ""));
            else if (shape == 1) Handled(MessageType::MsgReceiverDelete, RecordRefBody(-1, r->m_ReceiverName));
            else Handled(MessageType::MsgReceiverDelete, RecordRefBody(r->m_DiskIdentity, ""));
            what = "241";
        }
        if (state.Receivers.Empty()) {
            EXPECT_EQ(Entries(), before) << "step " << step << " (" << what << "): with no receivers the entries stay";
            continue;
        }
        ASSERT_EQ(Entries(), Rebuilt()) << "step " << step << " (" << what << ")";
        ++rebuiltChecks;
    }
    EXPECT_GT(rebuiltChecks, 300);
}

// The operator reaches the last of 20,000 receivers with the keyboard, by End and by
// Page Down, and each time it is added to the profile's list.
TEST_F(ReceiverMenuTest, TheKeyboardReachesTheLastOfTwentyThousandReceivers) {
    std::vector<std::pair<int32_t, Bytes>> receivers;
    for (int i = 1; i <= 20000; ++i) receivers.emplace_back(i, "Receiver " + std::to_string(100000 + i));
    Start(receivers, "", true);
    const QString last = QStringLiteral("Receiver 120000");
    const QStringList listed = Parallel();
    platform::PopupList* sub = OpenAddSubMenu();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->CurrentRow(), 0);
    MenuKey(Qt::Key_End);
    EXPECT_EQ(sub->CurrentRow(), 19999);
    MenuKey(Qt::Key_Return);
    EXPECT_EQ(OpenList(), nullptr);
    EXPECT_EQ(Parallel(), listed + QStringList{last});

    sub = OpenAddSubMenu();
    ASSERT_NE(sub, nullptr);
    int presses = 0;
    for (int previous = -1; sub->CurrentRow() != previous && presses < 20000; ++presses) {
        previous = sub->CurrentRow();
        MenuKey(Qt::Key_PageDown);
    }
    EXPECT_EQ(sub->CurrentRow(), 19999);
    EXPECT_LT(presses, 2000) << "a page at a time";
    EXPECT_TRUE(sub->Rows()->rect().contains(sub->RowRect(19999)));
    MenuKey(Qt::Key_Return);
    EXPECT_EQ(Parallel(), listed + (QStringList{last, last}));
}

} // namespace
