#include "controls/events/eventmessages.h"

#include "core/errors.h"

#include <algorithm>
#include <cstdint>

namespace korvel::events {
namespace {

// The list's fields read as the codec reads them (big-endian; a String is its Int16 length
// and its bytes), each checked against the end of the body. They are here, where the
// compiler sees them, because a list is read field by field: whole to check it, and again
// for the alarms it keeps.
[[noreturn]] void CutShort() { throw DecodeError("alarm list cut short"); }

const unsigned char* Take(std::string_view body, int32_t& position, int32_t count) {
    if (position < 0 || static_cast<int64_t>(position) + count > static_cast<int64_t>(body.size())) CutShort();
    const auto* at = reinterpret_cast<const unsigned char*>(body.data()) + position;
    position += count;
    return at;
}

int16_t ReadInt16(std::string_view body, int32_t& position) {
    const unsigned char* at = Take(body, position, 2);
    return static_cast<int16_t>(static_cast<uint16_t>(at[0] << 8 | at[1]));
}

int32_t ReadInt32(std::string_view body, int32_t& position) {
    const unsigned char* at = Take(body, position, 4);
    return static_cast<int32_t>(uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 8 | uint32_t{at[3]});
}

// A String as a view of its text inside the body.
std::string_view ReadText(std::string_view body, int32_t& position) {
    const int16_t length = ReadInt16(body, position);
    if (length < 0) throw DecodeError("negative String length");
    const unsigned char* at = Take(body, position, length);
    return std::string_view(reinterpret_cast<const char*>(at), static_cast<std::size_t>(length));
}

} // namespace

AlarmList::AlarmList(std::string_view body) : m_Body(body) {
    if (body.size() > UINT32_MAX) throw DecodeError("alarm list too long");
    int32_t position = 0;
    const int32_t count = ReadInt32(body, position);
    // The whole list is checked before anything is kept, so a list cut short changes
    // nothing; a negative count is no alarms. An alarm takes at least 12 bytes.
    if (count > 0) m_Offsets.reserve(std::min(static_cast<std::size_t>(count), body.size() / 12));
    for (int32_t i = 0; i < count; ++i) {
        m_Offsets.push_back(static_cast<uint32_t>(position));
        const Alarm alarm = readAlarm(position);
        for (int16_t k = 0; k < alarm.LineCount; ++k) readLine(position);
    }
    m_Offsets.shrink_to_fit();
}

AlarmList::Alarm AlarmList::readAlarm(int32_t& position) const {
    Alarm alarm;
    alarm.Identity = ReadInt32(m_Body, position);
    alarm.Record = ReadText(m_Body, position);
    alarm.Title = ReadText(m_Body, position);
    alarm.Icon = ReadInt16(m_Body, position);
    alarm.LineCount = std::max<int16_t>(ReadInt16(m_Body, position), 0);
    return alarm;
}

AlarmList::Line AlarmList::readLine(int32_t& position) const {
    Line line;
    line.Icon = ReadInt16(m_Body, position);
    line.Text = ReadText(m_Body, position);
    return line;
}

std::vector<AlarmEntry> ParseAlarmList(std::string_view body) {
    const AlarmList list(body);
    std::vector<AlarmEntry> alarms;
    alarms.reserve(list.Size());
    list.ForEach(
        [&](const AlarmList::Alarm& a) {
            alarms.push_back({a.Identity, Bytes(a.Record), Bytes(a.Title), a.Icon, {}});
            alarms.back().Lines.reserve(static_cast<std::size_t>(a.LineCount));
        },
        [&](const AlarmList::Line& l) { alarms.back().Lines.push_back({l.Icon, Bytes(l.Text)}); });
    return alarms;
}

std::optional<AlarmUpdate> ParseAlarmUpdate(std::string_view body) {
    int32_t position = 0;
    AlarmUpdate update;
    update.Kind = GetIntegerFromNetworkBytes(body, position);
    switch (update.Kind) {
    case kAlarmAdded:
        update.Identity = GetLongFromNetworkBytes(body, position);
        update.Record = GetStringFromNetworkBytes(body, position);
        update.Title = GetStringFromNetworkBytes(body, position);
        update.Icon = GetIntegerFromNetworkBytes(body, position);
        break;
    case kLineAdded:
    case kLineUpdated:
        update.Identity = GetLongFromNetworkBytes(body, position);
        update.Icon = GetIntegerFromNetworkBytes(body, position);
        update.LineIndex = GetIntegerFromNetworkBytes(body, position);
        update.LineText = GetStringFromNetworkBytes(body, position);
        break;
    default:
        return std::nullopt;
    }
    if (position > static_cast<int32_t>(body.size())) throw DecodeError("alarm update cut short");
    return update;
}

Bytes BuildAlarmList(const std::vector<AlarmEntry>& alarms) {
    Bytes body;
    AppendLong(body, static_cast<int32_t>(alarms.size()));
    for (const AlarmEntry& alarm : alarms) {
        AppendLong(body, alarm.Identity);
        AppendString(body, alarm.Record);
        AppendString(body, alarm.Title);
        AppendInteger(body, alarm.Icon);
        AppendInteger(body, static_cast<int32_t>(alarm.Lines.size()));
        for (const AlarmLine& line : alarm.Lines) {
            AppendInteger(body, line.Icon);
            AppendString(body, line.Text);
        }
    }
    return body;
}

Bytes BuildAlarmUpdate(const AlarmUpdate& update) {
    Bytes body;
    AppendInteger(body, update.Kind);
    switch (update.Kind) {
    case kAlarmAdded:
        AppendLong(body, update.Identity);
        AppendString(body, update.Record);
        AppendString(body, update.Title);
        AppendInteger(body, update.Icon);
        break;
    case kLineAdded:
    case kLineUpdated:
        AppendLong(body, update.Identity);
        AppendInteger(body, update.Icon);
        AppendInteger(body, update.LineIndex);
        AppendString(body, update.LineText);
        break;
    default:
        break;
    }
    return body;
}

} // namespace korvel::events
