#pragma once
// Builders of record forms and server message bodies for the record and decoder tests,
// the decoder benchmark and the decoder fuzz target.

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvel::testing {

inline Bytes Hex(std::initializer_list<int> v) {
    Bytes s;
    for (int b : v) s += static_cast<char>(b);
    return s;
}

inline Bytes RecordRefBytes(int32_t identity, std::string_view name) {
    return LongToNetworkBytes(identity) + StringToNetworkBytes(name);
}

// A receiver as the server would list it.
inline Bytes ReceiverForm(int16_t identity, std::string_view name, int16_t typeId = 1,
                          std::vector<Bytes> settings = {"", "", "", ""}, int16_t enabled = -1) {
    Bytes out = StringToNetworkBytes(name) + IntegerToNetworkBytes(enabled) + IntegerToNetworkBytes(identity) +
                IntegerToNetworkBytes(typeId) + StringToNetworkBytes("backup") +
                DateToNetworkBytes(DateTime::FromParts(2024, 5, 6, 7, 8, 9)) + LongToNetworkBytes(0);
    for (const Bytes& s : settings) out += StringToNetworkBytes(s);
    return out;
}

// A profile with a schedule of periodsPerDay periods on every day type.
inline std::shared_ptr<cProfile> MakeProfile(const ClientState& state, int16_t identity, std::string_view name,
                                             int periodsPerDay = 1) {
    auto p = std::make_shared<cProfile>();
    p->m_DiskIdentity = identity;
    p->SetName(state, name);
    p->m_ParallellReceivers = "K1,K2";
    p->SetCondition(0, "*");
    p->SetState(1, -1);
    p->SetSystem(3, -1);
    p->m_AutoBlockTime = 600;
    p->m_FileDateTimeStamp = DateTime::FromParts(2023, 1, 2, 3, 4, 5);
    p->m_TimeSchedule = std::make_shared<cTimeSchedule>();
    for (int d = 0; d < kDayTypeCount; ++d) {
        p->m_TimeSchedule->m_Active[d] = -1;
        for (int i = 0; i < periodsPerDay; ++i) {
            auto period = std::make_shared<cTimeSchedulePeriod>();
            period->m_StartMinute = static_cast<int16_t>(60 * i * 2 + d);
            period->m_StopMinute = static_cast<int16_t>(60 * i * 2 + 60);
            p->m_TimeSchedule->m_Periods[d].push_back(period);
        }
    }
    return p;
}

inline Bytes ProfileForm(const ClientState& state, int16_t identity, std::string_view name, int periodsPerDay = 1) {
    return MakeProfile(state, identity, name, periodsPerDay)->CompressToNetworkBytes();
}

// Int32 count, then (RecordRef, form) per entry.
inline Bytes ListBody(const std::vector<std::pair<int32_t, Bytes>>& entries) {
    Bytes out = LongToNetworkBytes(static_cast<int32_t>(entries.size()));
    for (const auto& [identity, form] : entries) out += RecordRefBytes(identity, "") + form;
    return out;
}

inline Bytes ReceiverTypeRowBytes(int16_t typeId, std::string_view name, std::string_view protocol) {
    return IntegerToNetworkBytes(typeId) + StringToNetworkBytes(name) + StringToNetworkBytes("-") +
           StringToNetworkBytes(protocol) + IntegerToNetworkBytes(160) + StringToNetworkBytes("") +
           StringToNetworkBytes("") + StringToNetworkBytes("SE,NO") + StringToNetworkBytes("layout") +
           StringToNetworkBytes("") + StringToNetworkBytes("");
}

inline Bytes SettingsBody(const std::vector<std::pair<Bytes, Bytes>>& sections) {
    Bytes out = IntegerToNetworkBytes(static_cast<int32_t>(sections.size()));
    for (const auto& [name, body] : sections) out += StringToNetworkBytes(name) + StringToNetworkBytes(body);
    return out;
}

} // namespace korvel::testing
