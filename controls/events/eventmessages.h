#pragma once
// The alarm messages of the event viewer: the list of current alarms (143) and the live
// updates (161), read into plain values before anything on screen changes, and their
// writers for the substitute server, the tests and the benchmark.

#include "core/codec.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace korvel::events {

inline constexpr int32_t MsgAlarmEventSubscribe = 160;
inline constexpr int32_t MsgAlarmEventList = 143;
inline constexpr int32_t MsgAlarmEventUpdate = 161;

// Kinds of message 161.
inline constexpr int16_t kAlarmAdded = 1;
inline constexpr int16_t kLineAdded = 2;
inline constexpr int16_t kLineUpdated = 4;

struct AlarmLine {
    int16_t Icon = 0;
    Bytes Text;
    bool operator==(const AlarmLine&) const = default;
};

struct AlarmEntry {
    int32_t Identity = 0;
    Bytes Record; // fields separated by character 254
    Bytes Title;
    int16_t Icon = 0;
    std::vector<AlarmLine> Lines;
    bool operator==(const AlarmEntry&) const = default;
};

// One message 161 of a kind the viewer handles (1, 2 or 4).
struct AlarmUpdate {
    int16_t Kind = 0;
    int32_t Identity = 0;
    Bytes Record;  // kind 1
    Bytes Title;   // kind 1
    int16_t Icon = 0;      // kind 1: the alarm icon code; kinds 2, 4: the line's image
    int16_t LineIndex = 0; // kinds 2, 4
    Bytes LineText;        // kinds 2, 4
    bool operator==(const AlarmUpdate&) const = default;
};

// Message 143. A body cut short or with a negative count raises DecodeError.
std::vector<AlarmEntry> ParseAlarmList(std::string_view body);

// Message 161: nothing for a kind the viewer ignores (its fields are not read).
// A body cut short raises DecodeError.
std::optional<AlarmUpdate> ParseAlarmUpdate(std::string_view body);

Bytes BuildAlarmList(const std::vector<AlarmEntry>& alarms);
Bytes BuildAlarmUpdate(const AlarmUpdate& update);

} // namespace korvel::events
