// The saved network forms of the receivers a list brings: the form of each receiver is kept
// as it came only when writing the receiver again gives the same bytes, forms kept from one
// list outlive the message and the list, and a receiver stored again gets a form of its own
// while the others of its list keep theirs.
#include "core/decoder.h"
#include "core/errors.h"
#include "core/records/receiver.h"
#include "core/statedump.h"
#include "tests/core/recordbuilders.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

using namespace korvel;
using korvel::testing::ListBody;
using korvel::testing::ReceiverForm;
using korvel::testing::RecordRefBytes;

namespace {

// A receiver form with its Date written part by part as given, carried or not.
Bytes FormWithDate(int16_t identity, std::array<int, 6> date, int16_t enabled = -1) {
    Bytes out = StringToNetworkBytes("Area\\Receiver with a long name " + std::to_string(identity)) +
                IntegerToNetworkBytes(enabled) + IntegerToNetworkBytes(identity) + IntegerToNetworkBytes(1) +
                StringToNetworkBytes("backup");
    for (int part : date) out += IntegerToNetworkBytes(part);
    out += LongToNetworkBytes(300);
    for (const char* setting : {"0", "5", "+4612345678", ""}) out += StringToNetworkBytes(setting);
    return out;
}

void Decode(ClientState& state, MessageType type, std::string_view body) { HandleServerMessage(state, type, body); }

// Every receiver of the state remembers exactly the form it would write now.
void ExpectAllUnchanged(const ClientState& state) {
    for (const auto& entry : state.Receivers) {
        EXPECT_EQ(entry.item->SavedNetworkBytes(), entry.item->CompressToNetworkBytes()) << entry.key;
        EXPECT_FALSE(entry.item->HasChangedSinceLastLoadFromDisk()) << entry.key;
    }
}

} // namespace

TEST(DecoderSavedForms, ListKeepsAFormAsItCameOnlyWhenItIsWrittenBackTheSame) {
    struct Case {
        std::array<int, 6> date;
        int16_t enabled;
        bool asItCame;
    };
    const std::vector<Case> cases = {
        {{2024, 5, 6, 7, 8, 9}, -1, true},
        {{2024, 5, 6, 7, 8, 9}, 0, true},
        {{2024, 5, 6, 7, 8, 9}, 5, false},     // enabled is written back as -1
        {{2000, 2, 29, 0, 0, 0}, -1, true},    // a leap day
        {{2024, 2, 29, 12, 0, 0}, -1, true},   // a leap day
        {{1900, 2, 29, 0, 0, 0}, -1, false},   // no leap day in 1900: March 1st
        {{2100, 2, 29, 0, 0, 0}, -1, false},   // nor in 2100
        {{2023, 2, 29, 0, 0, 0}, -1, false},
        {{2024, 4, 31, 0, 0, 0}, -1, false},   // May 1st
        {{2024, 12, 31, 23, 59, 59}, -1, true},
        {{2024, 1, 1, 0, 0, 0}, -1, true},
        {{2024, 13, 1, 0, 0, 0}, -1, false},   // January of the next year
        {{2024, 0, 10, 0, 0, 0}, -1, false},   // December of the year before
        {{2024, 3, 0, 0, 0, 0}, -1, false},    // the last day of February
        {{2024, 3, 1, 24, 0, 0}, -1, false},   // midnight of the next day
        {{2024, 3, 1, 23, 60, 0}, -1, false},
        {{2024, 3, 1, 23, 59, 60}, -1, false},
        {{2024, 3, 1, -1, 0, 0}, -1, false},
        {{100, 1, 1, 0, 0, 0}, -1, true},      // the first and the last year a date holds
        {{9999, 12, 31, 23, 59, 59}, -1, true},
    };
    ClientState state;
    std::vector<std::pair<int32_t, Bytes>> entries;
    for (std::size_t i = 0; i < cases.size(); ++i)
        entries.emplace_back(-1, FormWithDate(static_cast<int16_t>(i + 1), cases[i].date, cases[i].enabled));
    Decode(state, MessageType::MsgReceiverList, ListBody(entries));
    ASSERT_EQ(state.Receivers.Count(), cases.size());
    ExpectAllUnchanged(state);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto receiver = GetReceiverById(state, static_cast<int32_t>(i + 1));
        ASSERT_TRUE(receiver);
        EXPECT_EQ(receiver->SavedNetworkBytes() == entries[i].second, cases[i].asItCame) << "case " << i;
    }
    // The same forms one by one (240) give the same saved forms.
    ClientState single;
    for (const auto& [identity, form] : entries)
        Decode(single, MessageType::MsgReceiverSave, RecordRefBytes(identity, "") + form);
    ASSERT_EQ(single.Receivers.Count(), cases.size());
    for (const auto& entry : single.Receivers)
        EXPECT_EQ(entry.item->SavedNetworkBytes(), state.Receivers.Find(entry.key)->SavedNetworkBytes()) << entry.key;
}

TEST(DecoderSavedForms, FormsOfAListOutliveTheMessageAndTheList) {
    ClientState state;
    std::shared_ptr<cReceiver> held;
    Bytes heldForm;
    {
        auto body = std::make_unique<Bytes>(ListBody({{-1, ReceiverForm(1, "Area\\A receiver of the first list")},
                                                      {-1, ReceiverForm(2, "Area\\Another one of the first list")}}));
        Decode(state, MessageType::MsgReceiverList, *body);
        held = GetReceiverById(state, 2);
        heldForm = ReceiverForm(2, "Area\\Another one of the first list");
        std::fill(body->begin(), body->end(), '\x55'); // the body is the caller's and may change
    }
    EXPECT_EQ(held->SavedNetworkBytes(), heldForm);
    // A new list replaces the collection; a view still holding a receiver of the old one
    // still sees its saved form, and a copy of it too.
    Decode(state, MessageType::MsgReceiverList, ListBody({{-1, ReceiverForm(3, "Area\\Of the second list")}}));
    EXPECT_EQ(held->SavedNetworkBytes(), heldForm);
    const cReceiver copy = *held;
    held.reset();
    EXPECT_EQ(copy.SavedNetworkBytes(), heldForm);
    EXPECT_FALSE(copy.HasChangedSinceLastLoadFromDisk());
    ExpectAllUnchanged(state);
}

TEST(DecoderSavedForms, AReceiverStoredAgainGetsItsOwnFormAndTheOthersKeepTheirs) {
    ClientState state;
    Decode(state, MessageType::MsgReceiverList,
           ListBody({{-1, ReceiverForm(1, "Area\\First receiver")}, {-1, ReceiverForm(2, "Area\\Second receiver")},
                     {-1, ReceiverForm(3, "Area\\Third receiver")}}));
    const auto first = GetReceiverById(state, 1);
    const auto second = GetReceiverById(state, 2);
    const auto third = GetReceiverById(state, 3);
    const Bytes secondForm = second->CompressToNetworkBytes();

    // Saved again by the server, longer than before: its own form, the neighbours untouched.
    const Bytes renamed = ReceiverForm(1, "Area\\First receiver, renamed to something longer");
    Decode(state, MessageType::MsgReceiverSave, RecordRefBytes(1, "") + renamed);
    EXPECT_EQ(first->SavedNetworkBytes(), renamed);
    EXPECT_EQ(second->SavedNetworkBytes(), secondForm);
    ExpectAllUnchanged(state);

    // Changed by an editor: a change until it is stored; storing it touches nobody else.
    second->m_BackupReceiver = "Area\\First receiver, renamed to something longer";
    EXPECT_TRUE(second->HasChangedSinceLastLoadFromDisk());
    EXPECT_EQ(second->SavedNetworkBytes(), secondForm);
    second->StoreOriginalSettings();
    EXPECT_FALSE(second->HasChangedSinceLastLoadFromDisk());
    EXPECT_EQ(third->SavedNetworkBytes(), ReceiverForm(3, "Area\\Third receiver"));

    // Enabled off by a 221: its own form again.
    Decode(state, MessageType::MsgReceiverEnableOrDisable, RecordRefBytes(3, "") + IntegerToNetworkBytes(0));
    EXPECT_EQ(third->SavedNetworkBytes(), ReceiverForm(3, "Area\\Third receiver", 1, {"", "", "", ""}, 0));
    ExpectAllUnchanged(state);
}

TEST(DecoderSavedForms, ARefusedListLeavesTheSavedFormsAsTheyWere) {
    ClientState state;
    Decode(state, MessageType::MsgReceiverList, ListBody({{-1, ReceiverForm(1, "Area\\Kept receiver")}}));
    const std::string before = DumpDecoderState(state);
    // The second entry repeats an identity: refused after the first was read into the block.
    EXPECT_THROW(Decode(state, MessageType::MsgReceiverList,
                        ListBody({{-1, ReceiverForm(2, "Area\\Read first")}, {-1, ReceiverForm(2, "Area\\Twice")}})),
                 DecodeError);
    // Cut inside the last receiver's settings.
    const Bytes whole = ListBody({{-1, ReceiverForm(4, "Area\\Whole")}, {-1, ReceiverForm(5, "Area\\Cut")}});
    EXPECT_THROW(Decode(state, MessageType::MsgReceiverList, std::string_view(whole).substr(0, whole.size() - 1)),
                 DecodeError);
    EXPECT_EQ(DumpDecoderState(state), before);
    ExpectAllUnchanged(state);
}
