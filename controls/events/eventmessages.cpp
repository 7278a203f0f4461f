#include "controls/events/eventmessages.h"

#include "core/errors.h"

#include <algorithm>
#include <cstdint>

namespace korvel::events {
namespace {

// A String as a view of its text inside the body, read like the codec reads a String.
std::string_view ReadText(std::string_view body, int32_t& position) {
    const int16_t length = GetIntegerFromNetworkBytes(body, position);
    if (length < 0) throw DecodeError("negative String length");
    if (static_cast<std::size_t>(position) + static_cast<std::size_t>(length) > body.size())
        throw DecodeError("alarm list cut short");
    const std::string_view text = body.substr(static_cast<std::size_t>(position), static_cast<std::size_t>(length));
    position += length;
    return text;
}

} // namespace

AlarmList::AlarmList(std::string_view body) : m_Body(body) {
    if (body.size() > UINT32_MAX) throw DecodeError("alarm list too long");
    int32_t position = 0;
    const int32_t count = GetLongFromNetworkBytes(body, position);
    // The whole list is checked before anything is kept, so a list cut short changes
    // nothing; a negative count is no alarms.
    for (int32_t i = 0; i < count; ++i) {
        m_Offsets.push_back(static_cast<uint32_t>(position));
        const Alarm alarm = readAlarm(position);
        for (int16_t k = 0; k < alarm.LineCount; ++k) readLine(position);
    }
    m_Offsets.shrink_to_fit();
}

AlarmList::Alarm AlarmList::readAlarm(int32_t& position) const {
    Alarm alarm;
    alarm.Identity = GetLongFromNetworkBytes(m_Body, position);
    alarm.Record = ReadText(m_Body, position);
    alarm.Title = ReadText(m_Body, position);
    alarm.Icon = GetIntegerFromNetworkBytes(m_Body, position);
    alarm.LineCount = std::max<int16_t>(GetIntegerFromNetworkBytes(m_Body, position), 0);
    return alarm;
}

AlarmList::Line AlarmList::readLine(int32_t& position) const {
    Line line;
    line.Icon = GetIntegerFromNetworkBytes(m_Body, position);
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
