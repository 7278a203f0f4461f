#pragma once
// The alarm messages of the event viewer: the list of current alarms (MsgAlarmEventList)
// and the live updates (MsgAlarmEventUpdate), read into plain values before anything on
// screen changes, and their writers for the substitute server, the tests and the benchmark.

#include "core/codec.h"
#include "core/messages.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace korvel::events {

// Kinds of MsgAlarmEventUpdate.
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

// One MsgAlarmEventUpdate of a kind the viewer handles (1, 2 or 4).
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

// MsgAlarmEventList, checked whole and kept as the places of its alarms in the body: four
// bytes per alarm (the smallest alarm on the wire takes twelve), no copies of its texts,
// so a list costs little more than the message itself. It reads the body it was made
// from, which must outlive it. A negative alarm or line count means none; a body cut
// short raises DecodeError.
class AlarmList {
public:
    explicit AlarmList(std::string_view body);

    // One alarm of the list, its texts pointing into the body.
    struct Alarm {
        int32_t Identity = 0;
        std::string_view Record;
        std::string_view Title;
        int16_t Icon = 0;
        int16_t LineCount = 0; // never negative
    };
    struct Line {
        int16_t Icon = 0;
        std::string_view Text;
    };

    std::size_t Size() const { return m_Offsets.size(); }
    // The alarm at that place of the list (0 first; below Size()), without reading its
    // lines, and then its lines in order.
    Alarm At(std::size_t index) const {
        int32_t position = static_cast<int32_t>(m_Offsets[index]);
        return readAlarm(position);
    }
    template <class OnLine>
    void ForEachLine(std::size_t index, OnLine&& onLine) const {
        int32_t position = static_cast<int32_t>(m_Offsets[index]);
        const Alarm alarm = readAlarm(position);
        for (int16_t k = 0; k < alarm.LineCount; ++k) onLine(readLine(position));
    }
    // Calls onAlarm(const Alarm&) and then onLine(const Line&) for each of its lines,
    // alarm by alarm in the order of the list.
    template <class OnAlarm, class OnLine>
    void ForEach(OnAlarm&& onAlarm, OnLine&& onLine) const {
        for (uint32_t offset : m_Offsets) {
            int32_t position = static_cast<int32_t>(offset);
            const Alarm alarm = readAlarm(position);
            onAlarm(alarm);
            for (int16_t k = 0; k < alarm.LineCount; ++k) onLine(readLine(position));
        }
    }

private:
    Alarm readAlarm(int32_t& position) const;
    Line readLine(int32_t& position) const;

    std::string_view m_Body;
    std::vector<uint32_t> m_Offsets; // where each alarm begins in the body
};

// MsgAlarmEventList read into plain values (for the substitute server's data and the tests).
std::vector<AlarmEntry> ParseAlarmList(std::string_view body);

// MsgAlarmEventUpdate: nothing for a kind the viewer ignores (its fields are not read).
// A body cut short raises DecodeError.
std::optional<AlarmUpdate> ParseAlarmUpdate(std::string_view body);

Bytes BuildAlarmList(const std::vector<AlarmEntry>& alarms);
Bytes BuildAlarmUpdate(const AlarmUpdate& update);

} // namespace korvel::events
