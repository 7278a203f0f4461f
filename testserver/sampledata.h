#pragma once
// The data sets the substitute server serves: everything it answers to the client's
// start-up requests, and the lines and events it sends on its own while running.
// All texts are Windows-1252 bytes, as on the wire.

#include "testserver/frameio.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvel::testserver {

struct SampleReceiverType {
    int16_t TypeId = 0;
    Bytes Name;
    Bytes ProtocolCode;
    int16_t MaxTextLength = 0;
    Bytes CountryList;
    Bytes ParameterLayout;
};

struct SampleHoliday {
    int32_t DayIndex = 0; // day 0 = 2000-01-01
    int16_t DayValue = 0; // 1..23 = day type value - 1
    int16_t Shown = -1;
    Bytes Label;
};

struct SampleSettingSection {
    Bytes Name;
    std::vector<std::pair<Bytes, Bytes>> Items; // key, value
};

struct SampleData {
    int16_t ProtocolVersion = 21;                 // MsgProtocolVersion, sent on connect
    int32_t UserRights = 0;                       // MsgUserRights, sent on connect
    Bytes DataPath;                               // MsgServerDataPath, sent on connect
    int32_t ServerKind = 1;
    std::map<int32_t, Bytes> Texts;               // MsgTextTable
    std::vector<SampleSettingSection> Settings;   // MsgServerSettings
    std::vector<SampleReceiverType> ReceiverTypes; // MsgReceiverTypeList
    std::map<int32_t, Bytes> Systems;             // MsgSystemList: number 0..63 -> name
    std::vector<SampleHoliday> Holidays;          // MsgHolidayLabelList
    std::vector<Bytes> LogLines;                  // MsgSysLogList: the log so far, oldest first
    std::vector<Bytes> NewLogLines;               // MsgSysLogLine: what the log grows by, in turn
    // Answers to requests that the fields above do not cover (MsgAlarmEventList,
    // MsgCalendar, MsgProfileList, MsgReceiverList, ...), sent in order; a request type
    // listed here overrides the built-in answer.
    std::map<MessageType, std::vector<OutFrame>> Answers;
    // Frames sent in turn, now and then, to connections that subscribed with
    // MsgAlarmEventSubscribe.
    std::vector<OutFrame> LiveEvents;
    // Identity the next text message (MsgTextMessage) gets.
    int32_t NextMessageIdentity = 26;
};

// The names of the data sets the program offers ("default" first).
std::vector<std::string> SampleDataNames();
// The named data set; false when there is none of that name.
bool MakeSampleData(std::string_view name, SampleData& out);

// The text table of the default data set: every numbered text the controls show
// (sampledata_texts.cpp).
void AddSampleTexts(SampleData& data);
// Alarm events of the default data set (answer to 143, live 161 frames). Kept in its own
// file, sampledata_events.cpp.
void AddSampleEvents(SampleData& data);
// Parameter layouts and settings of the receivers editor (sampledata_receivers.cpp).
void AddSampleReceiverEditing(SampleData& data);

// Receivers (230), profiles (200) and the shared calendar (170) of the default data
// set, in their network forms. Kept in its own file, sampledata_records.cpp.
void AddSampleRecords(SampleData& data);

// Bodies of the list messages built from a data set.
Bytes TextTableBody(const std::map<int32_t, Bytes>& texts);          // MsgTextTable
Bytes SettingsBody(const std::vector<SampleSettingSection>& sections); // MsgServerSettings
Bytes ReceiverTypesBody(const std::vector<SampleReceiverType>& types); // MsgReceiverTypeList
Bytes SystemsBody(const std::map<int32_t, Bytes>& systems);          // MsgSystemList
Bytes HolidaysBody(const std::vector<SampleHoliday>& holidays);      // MsgHolidayLabelList
Bytes LogBody(const std::vector<Bytes>& lines);                      // MsgSysLogList
Bytes LogLineBody(const Bytes& line);                                // MsgSysLogLine

// The frames answering one request of the client (empty when it asks for nothing known).
std::vector<OutFrame> AnswerFor(const SampleData& data, MessageType requestType);

} // namespace korvel::testserver
