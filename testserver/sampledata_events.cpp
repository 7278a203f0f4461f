// Alarm events of the default data set: the answer to 143 and the live 161 frames that
// go to connections subscribed with 160, with the settings the alarm event viewer
// reads. Written with the codec's writers directly (not with the viewer's own message
// code), so the tests read the viewer against an independent writer.
#include "testserver/sampledata.h"

#include "core/codec.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvel::testserver {
namespace {

struct Line {
    int16_t Icon;
    Bytes Text;
};

struct Alarm {
    int32_t Identity;
    int16_t State;    // 0..3
    int32_t Code;     // shown as four hexadecimal digits
    Bytes Raised, Changed;
    int16_t System;   // 0..63
    Bytes Texts[6];   // fields 12..17; the first names the alarm
    int16_t Icon;     // 0..3
    std::vector<Line> Lines;
};

// Fields 0..17 separated by character 254.
Bytes Record(const Alarm& a) {
    std::vector<Bytes> fields(18);
    fields[0] = std::to_string(a.State);
    fields[1] = std::to_string(a.Code);
    fields[2] = a.Raised;
    fields[3] = a.Changed;
    fields[4] = std::to_string(0);
    fields[5] = std::to_string(a.System);
    for (int k = 0; k < 6; ++k) fields[12 + k] = a.Texts[k];
    Bytes record;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) record += '\xFE';
        record += fields[i];
    }
    return record;
}

Bytes Title(const Alarm& a) { return a.Texts[0] + " - " + a.Texts[1]; }

Bytes ListBody(const std::vector<Alarm>& alarms) {
    Bytes body;
    AppendLong(body, static_cast<int32_t>(alarms.size()));
    for (const Alarm& a : alarms) {
        AppendLong(body, a.Identity);
        AppendString(body, Record(a));
        AppendString(body, Title(a));
        AppendInteger(body, a.Icon);
        AppendInteger(body, static_cast<int32_t>(a.Lines.size()));
        for (const Line& line : a.Lines) {
            AppendInteger(body, line.Icon);
            AppendString(body, line.Text);
        }
    }
    return body;
}

OutFrame NewAlarm(const Alarm& a) {
    Bytes body;
    AppendInteger(body, 1);
    AppendLong(body, a.Identity);
    AppendString(body, Record(a));
    AppendString(body, Title(a));
    AppendInteger(body, a.Icon);
    return {MessageType::MsgAlarmEventUpdate, body};
}

OutFrame LineFrame(int16_t kind, int32_t identity, int16_t icon, int16_t index, const Bytes& text) {
    Bytes body;
    AppendInteger(body, kind);
    AppendLong(body, identity);
    AppendInteger(body, icon);
    AppendInteger(body, index);
    AppendString(body, text);
    return {MessageType::MsgAlarmEventUpdate, body};
}

OutFrame NewLine(int32_t identity, int16_t icon, int16_t index, const Bytes& text) {
    return LineFrame(2, identity, icon, index, text);
}
OutFrame LineUpdate(int32_t identity, int16_t icon, int16_t index, const Bytes& text) {
    return LineFrame(4, identity, icon, index, text);
}

void AddSetting(SampleData& data, const Bytes& section, const Bytes& key, const Bytes& value) {
    for (SampleSettingSection& s : data.Settings) {
        if (s.Name == section) {
            s.Items.emplace_back(key, value);
            return;
        }
    }
    data.Settings.push_back({section, {{key, value}}});
}

} // namespace

void AddSampleEvents(SampleData& data) {
    AddSetting(data, "General", "SortDescending", "1");
    AddSetting(data, "General", "DateFormat", "dd.mm.yyyy");
    AddSetting(data, "General", "TimeFormat", "hh:mm:ss");

    const std::vector<Alarm> current = {
        {1001, 0, 0x0A12, "2025-03-04 07:15:02", "2025-03-04 07:15:02", 0,
         {"Fire alarm", "Boiler house", "Smoke detector triggered", "Zone 4", "SD-0412", "Evacuate hall B"},
         0, {{3, "Alarm raised"}, {4, "Message sent to duty engineer"}, {5, "Calling standby team"}}},
        {1002, 1, 0x1F03, "2025-03-04 06:58:40", "2025-03-04 07:02:11", 1,
         {"Pump failure", "Filter station 2", "Motor protection tripped", "Zone 1", "P-2203", "Start reserve pump"},
         1, {{3, "Alarm raised"}, {6, "Acknowledged by operator"}}},
        {1003, 2, 0x0307, "2025-03-03 22:41:09", "2025-03-04 05:30:00", 2,
         {"Door forced", "Service entrance", "Contact opened without card", "Zone 7", "DC-0107", "Check camera 3"},
         2, {{3, "Alarm raised"}, {7, "No answer from security"}, {15, "Reset on site"}}},
        {1004, 3, 0xBEEF, "2025-03-03 18:00:00", "2025-03-03 18:20:45", 7,
         {"Breaker open", "Substation North", "Feeder 3 breaker open", "Zone 2", "BR-03", "Inform the grid operator"},
         3, {{3, "Alarm raised"}, {6, "Acknowledged"}, {15, "Cleared"}}},
        {1005, 0, 0x0040, "2025-03-04 07:20:31", "2025-03-04 07:20:31", 2,
         {"Temperature high", "Server room", "Above 32 \xB0" "C", "Zone 9", "TT-0901", "Open the emergency vent"},
         0, {}},
    };
    data.Answers[MessageType::MsgAlarmEventList] = {{MessageType::MsgAlarmEventList, ListBody(current)}};

    // Live changes, sent in turn: new alarms with their lines, state changes of lines,
    // one kind this viewer ignores.
    const Alarm gas = {2001, 0, 0x0C01, "2025-03-04 07:31:00", "2025-03-04 07:31:00", 1,
                       {"Gas leak", "Chlorine store", "Sensor above limit", "Zone 3", "GS-0301", "Leave the building"},
                       0, {}};
    const Alarm lift = {2002, 1, 0x0D20, "2025-03-04 07:33:12", "2025-03-04 07:33:12", 2,
                        {"Lift stopped", "Office block", "Car stuck between floors", "Zone 5", "LF-02", "Call the lift service"},
                        1, {}};
    const Alarm water = {2003, 2, 0x0E11, "2025-03-04 07:35:50", "2025-03-04 07:35:50", 0,
                         {"Water on floor", "Basement", "Leak sensor wet", "Zone 8", "WS-0801", "Shut the main valve"},
                         2, {}};
    data.LiveEvents = {
        NewAlarm(gas),
        NewLine(2001, 3, 0, "Alarm raised"),
        NewLine(2001, 4, 1, "Message sent to the duty engineer"),
        LineUpdate(1002, 8, 1, "Waiting for the standby team"), // keeps the tick, new text
        NewAlarm(lift),
        NewLine(2002, 3, 0, "Alarm raised"),
        NewLine(2001, 8, 2, "Waiting for acknowledgement"),
        LineUpdate(2001, 6, 2, "Acknowledged by operator"),
        NewAlarm(water),
        NewLine(2003, 3, 0, "Alarm raised"),
        NewLine(2002, 5, 1, "Calling the lift service"),
        LineUpdate(1001, 6, 0, ""),                               // new image, same text
        {MessageType::MsgAlarmEventUpdate, Bytes("\x00\x03", 2)}, // a kind the viewer ignores
        LineUpdate(2003, 15, 0, "Reset on site"),
    };
}

} // namespace korvel::testserver
