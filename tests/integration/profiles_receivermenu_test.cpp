// The receiver sub-menu of the profiles editor against the substitute server: the order
// of its entries after the receiver list (230) and after single saves (240) and removals
// (241), pinned to the byte order of the upper-cased captions, equal captions in the
// order of the receiver collection.
#include "controls/profiles/profilescomponent.h"
#include "tests/support/loopback.h"
#include "tests/integration/profilesmessages.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/records/receiver.h"
#include "core/settingsstore.h"
#include "platform/dialogservice.h"
#include "platform/popupmenu.h"
#include "platform/qtext.h"
#include "testserver/sampledata.h"


#include <gtest/gtest.h>

#include <memory>

using namespace korvel;
using namespace korvel::testing;
using Profiles = korvel::profiles::Component;

namespace {




class ReceiverMenuTest : public LoopbackTest<Profiles> {
protected:
    void Start(const std::vector<std::pair<int32_t, Bytes>>& receivers, const char* area = "") {
        data.Answers[230] = {{230, ReceiverListBody(receivers)}};
        server.SetData(data);
        MakeControl(800, 560, false);
        control->setProperty("Area", area);
        PointAtServer();
        ASSERT_TRUE(WaitFor([&] { return Captions().size() == static_cast<qsizetype>(receivers.size()); }));
        Spin(50);
    }
    QStringList Captions() const {
        QStringList out;
        if (auto* menu = control->findChild<platform::Menu*>("Menu_Profile_Receiver_Popup_Add"))
            for (int row = 0; row < menu->Count(); ++row) out << menu->Caption(row);
        return out;
    }
    // Sends the frame and waits until the control has handled it (a keep-alive sent
    // after it is answered only after it).
    void Handled(int type, const Bytes& body) {
        server.ClearReceived();
        server.SendFrame(type, body);
        server.SendFrame(0, {});
        ASSERT_TRUE(WaitFor([&] { return !server.ReceivedOfType(0).empty(); }));
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
    Handled(240, RecordRefBody(2, "Alpha") + ReceiverForm(2, "Alpha"));
    EXPECT_EQ(Captions(), Latin1({"1st", "a&&b", "A&&B", "ab", "alpha", "Alpha", "beta", "Gate", "Zeta", "_under",
                                  "\x9A" "aft", "\x8A" "aft", "\xFF", "\xE4rende", "\xC4rende"}));
    Handled(240, RecordRefBody(14, "Zeta") + ReceiverForm(14, "aardvark"));
    Handled(240, RecordRefBody(-1, "North\\Beta") + ReceiverForm(40, "North\\Beta"));
    EXPECT_EQ(Captions(), Latin1({"1st", "a&&b", "A&&B", "aardvark", "ab", "alpha", "Alpha", "beta", "Beta", "Gate",
                                  "_under", "\x9A" "aft", "\x8A" "aft", "\xFF", "\xE4rende", "\xC4rende"}));
    Handled(241, RecordRefBody(6, "a&b"));
    Handled(241, RecordRefBody(3, "\xE4rende"));
    Handled(241, RecordRefBody(99, "nobody"));
    EXPECT_EQ(Captions(), Latin1({"1st", "A&&B", "aardvark", "ab", "alpha", "Alpha", "beta", "Beta", "Gate", "_under",
                                  "\x9A" "aft", "\x8A" "aft", "\xFF", "\xC4rende"}));
}

TEST_F(ReceiverMenuTest, RemovingTheLastReceiverLeavesItsEntryAndAListRebuildsFromScratch) {
    Start({{1, "Only"}, {2, "Other"}});
    Handled(241, RecordRefBody(2, "Other"));
    Handled(241, RecordRefBody(1, "Only"));
    EXPECT_EQ(Captions(), QStringList{"Only"}) << "with no receivers the entry stays as it was";
    Handled(240, RecordRefBody(-1, "New") + ReceiverForm(5, "New"));
    EXPECT_EQ(Captions(), QStringList{"New"});
    Handled(230, ReceiverListBody({{7, "b"}, {8, "a"}, {9, "c"}}));
    EXPECT_EQ(Captions(), (QStringList{"a", "b", "c"}));
    Handled(230, ReceiverListBody({{7, "z"}}));
    EXPECT_EQ(Captions(), QStringList{"z"});
}

TEST_F(ReceiverMenuTest, AReceiverKeptUnderTwoKeysIsListedAsTheCollectionHoldsIt) {
    Start({{1, "beta"}, {2, "Alpha"}, {3, "alpha"}, {4, "gamma"}});
    // Found by its name, Alpha takes identity 77 and stays under its old key too.
    Handled(240, RecordRefBody(-1, "Alpha") + ReceiverForm(77, "alpha"));
    EXPECT_EQ(Captions(), (QStringList{"alpha", "alpha", "alpha", "beta", "gamma"}));
    Handled(240, RecordRefBody(77, "alpha") + ReceiverForm(77, "Alpha"));
    EXPECT_EQ(Captions(), (QStringList{"Alpha", "alpha", "Alpha", "beta", "gamma"}));
    Handled(241, RecordRefBody(77, "Alpha"));
    EXPECT_EQ(Captions(), (QStringList{"Alpha", "alpha", "beta", "gamma"}));
    // Under its old key it is found, but removed under its new one: nothing changes.
    Handled(241, RecordRefBody(2, "Alpha"));
    EXPECT_EQ(Captions(), (QStringList{"Alpha", "alpha", "beta", "gamma"}));
}

} // namespace
