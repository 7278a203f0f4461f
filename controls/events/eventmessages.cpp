#include "controls/events/eventmessages.h"

#include "core/errors.h"

namespace korvel::events {
namespace {

// Smallest wire form of one alarm (identity, two empty texts, icon, line count), which
// bounds the room reserved for a list whatever count the body claims.
constexpr std::size_t kSmallestAlarm = 4 + 2 + 2 + 2 + 2;

void CheckCount(int32_t count) {
    if (count < 0) throw DecodeError("negative count in an alarm list");
}

} // namespace

std::vector<AlarmEntry> ParseAlarmList(std::string_view body) {
    int32_t position = 0;
    const int32_t count = GetLongFromNetworkBytes(body, position);
    CheckCount(count);
    std::vector<AlarmEntry> alarms;
    alarms.reserve(std::min<std::size_t>(static_cast<std::size_t>(count), body.size() / kSmallestAlarm));
    for (int32_t i = 0; i < count; ++i) {
        AlarmEntry alarm;
        alarm.Identity = GetLongFromNetworkBytes(body, position);
        alarm.Record = GetStringFromNetworkBytes(body, position);
        alarm.Title = GetStringFromNetworkBytes(body, position);
        alarm.Icon = GetIntegerFromNetworkBytes(body, position);
        const int16_t lines = GetIntegerFromNetworkBytes(body, position);
        CheckCount(lines);
        alarm.Lines.reserve(static_cast<std::size_t>(lines));
        for (int16_t k = 0; k < lines; ++k) {
            AlarmLine line;
            line.Icon = GetIntegerFromNetworkBytes(body, position);
            line.Text = GetStringFromNetworkBytes(body, position);
            alarm.Lines.push_back(std::move(line));
        }
        alarms.push_back(std::move(alarm));
    }
    // A text whose length runs past the end of the body is a body cut short.
    if (position > static_cast<int32_t>(body.size())) throw DecodeError("alarm list cut short");
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
