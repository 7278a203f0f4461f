// Arbitrary messages through the shared decoder, on a fresh client state and on one
// filled with every kind of server data (both kept between inputs that leave them as
// they were). The input is a run of messages, each a type byte,
// a 16-bit big-endian body length and the body (the last one takes what is left).
//
// Checked for every message: no crash and no sanitizer report; the only error raised is
// DecodeError, and after it the decoder-visible state is exactly what it was (the digest
// of everything the state dump shows, compared around every message); the
// position comes back as 0; an out-reference is only set by its message types and points
// at a record the message touched; every record in the collections still has the form it
// remembered.
#include "core/datafile.h"
#include "core/decoder.h"
#include "core/errors.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"
#include "core/statedump.h"
#include "tests/core/recordbuilders.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace korvel;
using namespace korvel::testing;

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "decoder invariant broken: %s\n", what);
        std::abort();
    }
}

DataFileEnvironment& FixedEnvironment() {
    static DataFileEnvironment env = [] {
        DataFileEnvironment e;
        e.Clock = [] { return DateTime::FromParts(2024, 6, 1, 12, 0, 0); };
        return e;
    }();
    return env;
}

void Feed(ClientState& state, MessageType type, std::string_view body) { HandleServerMessage(state, type, body); }

// The messages that fill a state with every kind of server data, built once: building
// their bodies costs more than decoding them.
const std::vector<std::pair<MessageType, Bytes>>& FillMessages() {
    static const std::vector<std::pair<MessageType, Bytes>> messages = [] {
        std::vector<std::pair<MessageType, Bytes>> m;
        ClientState scratch; // the profile forms read the state filled so far
        scratch.DataFiles = &FixedEnvironment();
        auto add = [&](MessageType type, Bytes body) {
            Feed(scratch, type, body);
            m.emplace_back(type, std::move(body));
        };
        add(MessageType::MsgServerDataPath,
            StringToNetworkBytes("\\\\server\\data\\") + LongToNetworkBytes(2) + LongToNetworkBytes(0));
        add(MessageType::MsgUserRights, LongToNetworkBytes(0xFF));
        add(MessageType::MsgServerSettings,
            SettingsBody({{"General", Bytes("AllowChildProfiles=1\0ClearAllDayWhenDeletingTimeSchedule=0", 58)}}));
        add(MessageType::MsgTextTable, LongToNetworkBytes(1) + LongToNetworkBytes(1088) + LongToNetworkBytes(1) +
                                           LongToNetworkBytes(7) + StringToNetworkBytes("No type"));
        add(MessageType::MsgReceiverTypeList,
            LongToNetworkBytes(2) + ReceiverTypeRowBytes(1, "SMS", "GSM") + ReceiverTypeRowBytes(4, "ILM", "ILM"));
        add(MessageType::MsgSystemList,
            LongToNetworkBytes(1) + LongToNetworkBytes(3) + StringToNetworkBytes("") + StringToNetworkBytes("Sys3"));
        add(MessageType::MsgHolidayLabelList, LongToNetworkBytes(1) + LongToNetworkBytes(10) +
                                                  IntegerToNetworkBytes(8) + IntegerToNetworkBytes(1) +
                                                  StringToNetworkBytes("Holiday"));
        cCalendar calendar;
        calendar.SetDayType(10, 8);
        calendar.SetDayTypeFullName(7, "Holiday");
        add(MessageType::MsgCalendar, calendar.CompressToNetworkBytes());
        add(MessageType::MsgProfileList, ListBody({{-1, ProfileForm(scratch, 1, "Top")},
                                                   {-1, ProfileForm(scratch, 2, "Top@Child", 2)},
                                                   {-1, ProfileForm(scratch, -2, "New")}}));
        add(MessageType::MsgReceiverList, ListBody({{-1, ReceiverForm(1, "Alpha", 1)},
                                                    {-1, ReceiverForm(2, "Beta", 4, {"", "2", "", ""})},
                                                    {-1, ReceiverForm(3, "Gamma", 9)}}));
        return m;
    }();
    return messages;
}

void Fill(ClientState& state) {
    for (const auto& [type, body] : FillMessages()) Feed(state, type, body);
}

bool TouchesReceivers(MessageType type) {
    return type == MessageType::MsgReceiverEnableOrDisable || type == MessageType::MsgReceiverSave ||
           type == MessageType::MsgReceiverDelete;
}
bool TouchesProfiles(MessageType type) {
    return type == MessageType::MsgProfileSave || type == MessageType::MsgProfileDelete ||
           type == MessageType::MsgProfileEnableOrDisable;
}

// Decodes one message and checks it; before is the digest of the state as it is now.
// Returns the digest of the state afterwards (one digest per message: a refused message
// must leave it as it was, an accepted one gives the next message's "before").
StateDigest Run(ClientState& state, MessageType type, std::string_view body, const StateDigest& before) {
    std::shared_ptr<cReceiver> receiver;
    std::shared_ptr<cProfile> profile;
    bool refused = false;
    try {
        TouchedRecords touched = HandleServerMessage(state, type, body);
        receiver = std::move(touched.Receiver);
        profile = std::move(touched.Profile);
    } catch (const DecodeError&) {
        refused = true;
    }
    const StateDigest after = DigestDecoderState(state);
    if (refused) {
        Check(after == before, "a refused message leaves the state as it was");
        return after;
    }
    Check(!receiver || TouchesReceivers(type), "receiver handed back only by a receiver's enable, save or delete");
    Check(!profile || TouchesProfiles(type), "profile handed back only by a profile's save, delete or enable");
    if (receiver && type != MessageType::MsgReceiverDelete)
        Check(!receiver->HasChangedSinceLastLoadFromDisk(), "touched receiver remembered");
    if (profile && type != MessageType::MsgProfileDelete)
        Check(!profile->HasChangedSinceLastLoadFromDisk(), "touched profile remembered");
    for (const auto& e : state.Profiles) Check(e.item->m_TimeSchedule != nullptr, "server profile has a schedule");
    Check(after.UnsavedRecords == 0, "every listed profile and receiver keeps its remembered form");
    if (state.SharedCalendar && (type == MessageType::MsgCalendar || type == MessageType::MsgCalendarSave))
        Check(state.SharedCalendar->CompressToNetworkBytes() == state.SharedCalendar->SavedNetworkBytes(),
              "calendar remembered after a calendar and a changing saved calendar");
    return after;
}

// A state kept between inputs while no input changes it (its digest tells); an input
// that changed it gets it made anew for the next one, fresh or filled. Building states
// costs more than most inputs.
class KeptState {
public:
    explicit KeptState(bool filled) : m_Filled(filled) {}

    ClientState& Get() {
        if (m_State && m_Digest == m_Pristine) return *m_State;
        m_State = std::make_unique<ClientState>();
        m_State->DataFiles = &FixedEnvironment();
        if (m_Filled) Fill(*m_State);
        m_Pristine = m_Digest = DigestDecoderState(*m_State);
        return *m_State;
    }
    // The digest of the state as the last message left it.
    StateDigest& Digest() { return m_Digest; }

private:
    bool m_Filled;
    std::unique_ptr<ClientState> m_State;
    StateDigest m_Pristine;
    StateDigest m_Digest;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    static KeptState keptFresh(false);
    static KeptState keptFilled(true);
    ClientState& fresh = keptFresh.Get();
    ClientState& filled = keptFilled.Get();
    std::size_t at = 0;
    while (at < input.size()) {
        const auto type = static_cast<MessageType>(static_cast<uint8_t>(input[at]));
        std::size_t length = 0;
        if (at + 3 <= input.size())
            length = (static_cast<std::size_t>(static_cast<uint8_t>(input[at + 1])) << 8) |
                     static_cast<uint8_t>(input[at + 2]);
        at = std::min(at + 3, input.size());
        const std::string_view body = input.substr(at, length);
        at += body.size();
        keptFresh.Digest() = Run(fresh, type, body, keptFresh.Digest());
        keptFilled.Digest() = Run(filled, type, body, keptFilled.Digest());
    }
    return 0;
}
