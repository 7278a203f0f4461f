// Receivers, profiles and the shared calendar of the default data set: the answers to
// 230, 200 and 170, in the records' own network forms.
#include "testserver/sampledata.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"
#include "core/records/timeschedule.h"

#include <QDate>

#include <array>
#include <initializer_list>
#include <memory>
#include <utility>

namespace korvel::testserver {
namespace {

// A RecordRef (identity, name) in front of each record of a list.
void AppendRecordRef(Bytes& out, int32_t identity, std::string_view name) {
    AppendLong(out, identity);
    AppendString(out, name);
}

Bytes ReceiversBody(const SampleData& data) {
    // The receivers look their type up in the table of message 140.
    ClientState types;
    types.ReceiverTypes.Count = static_cast<int16_t>(data.ReceiverTypes.size());
    for (std::size_t i = 0; i < data.ReceiverTypes.size(); ++i) {
        ReceiverTypeRow& row = types.ReceiverTypes.Rows[i];
        row.TypeId = data.ReceiverTypes[i].TypeId;
        row.TypeName = data.ReceiverTypes[i].Name;
        row.ProtocolCode = data.ReceiverTypes[i].ProtocolCode;
        row.MaxTextLength = data.ReceiverTypes[i].MaxTextLength;
        row.CountryList = data.ReceiverTypes[i].CountryList;
    }
    struct Sample {
        int16_t id;
        const char* name;
        int16_t type;
        bool enabled;
        const char* backup;
        // Settings 0..2 as stored: texts as typed, lists as the 0-based number of the
        // choice (sampledata_receivers.cpp has the layouts), so every list has a choice.
        const char* setting0;
        const char* setting1;
        const char* setting2;
    };
    const Sample samples[] = {
        {1, "Duty engineer", 2, true, "Control room pager", "+46701234567", "1", ""},
        {2, "Control room pager", 3, true, "", "1042", "", "1"},
        {3, "Maintenance e-mail", 1, true, "", "maintenance@example.org", "", ""},
        {4, "North\\Gatehouse screen", 5, true, "", "gatehouse-pc", "2", ""},
        {5, "North\\Site manager", 2, false, "Duty engineer", "+46709876543", "0", ""},
        {6, "South\\Pump station phone", 6, true, "", "+441632960123", "2", "0"},
    };
    Bytes body;
    AppendLong(body, static_cast<int32_t>(std::size(samples)));
    for (const Sample& s : samples) {
        cReceiver r;
        r.m_DiskIdentity = s.id;
        r.m_ReceiverName = s.name;
        r.m_Enabled = s.enabled ? -1 : 0;
        r.m_BackupReceiver = s.backup;
        r.SetReceiverTypeId(types, s.type);
        r.SaveSetting(0, Variant(s.setting0));
        r.SaveSetting(1, Variant(s.setting1));
        r.SaveSetting(2, Variant(s.setting2));
        AppendRecordRef(body, s.id, s.name);
        r.AppendNetworkBytes(body);
    }
    return body;
}

// Day types 0..6 are Monday..Sunday, 7.. the calendar's special days.
enum : int { kMonday = 0, kFriday = 4, kSaturday = 5, kSunday = 6, kPublicHoliday = 7, kMaintenance = 8, kHalfDay = 9 };

struct Period {
    int from, to; // minutes of the day
};

// The day type takes part with these periods (hours in minutes).
void SetDay(cTimeSchedule& schedule, int dayType, bool grouped, std::initializer_list<Period> periods) {
    schedule.m_Active[dayType] = -1;
    schedule.m_Grouped[dayType] = grouped ? -1 : 0;
    PeriodList list;
    for (const Period& p : periods)
        list.push_back(std::make_shared<cTimeSchedulePeriod>(
            cTimeSchedulePeriod{static_cast<int16_t>(p.from), static_cast<int16_t>(p.to)}));
    schedule.m_Periods[dayType] = std::move(list);
}

constexpr int H(int hours, int minutes = 0) { return hours * 60 + minutes; }

// Monday to Friday grouped 07:30-17:00, Saturday morning on its own, Sunday off.
void OfficeHours(cProfile& p) {
    cTimeSchedule& s = *p.m_TimeSchedule;
    s = cTimeSchedule();
    for (int d = kMonday; d <= kFriday; ++d) SetDay(s, d, true, {{H(7, 30), H(17)}});
    SetDay(s, kSaturday, false, {{H(9), H(13)}});
    p.m_UseTimeSchedule = -1;
    p.SetState(0, 0);
    p.m_ScanSpecificSystems = -1;
    p.SetSystem(0, -1);
    p.SetSystem(2, -1);
}

// Every weekday on its own outside office hours, weekends whole, and the calendar's
// special days with periods of their own.
void HolidayStandby(cProfile& p) {
    cTimeSchedule& s = *p.m_TimeSchedule;
    s = cTimeSchedule();
    for (int d = kMonday; d < kFriday; ++d) SetDay(s, d, false, {{0, H(7)}, {H(17), H(24)}});
    SetDay(s, kFriday, false, {{0, H(7)}, {H(15), H(24)}});
    SetDay(s, kSaturday, false, {{0, H(24)}});
    SetDay(s, kSunday, false, {{0, H(24)}});
    SetDay(s, kPublicHoliday, false, {{0, H(24)}});
    SetDay(s, kMaintenance, false, {{H(6), H(18)}});
    SetDay(s, kHalfDay, false, {{H(12), H(24)}});
    s.m_UseCalendar = -1;
    p.m_UseTimeSchedule = -1;
}

// A noisy level alarm: blocked for a while when it repeats, switched by a tag.
void FloodWatch(cProfile& p) {
    p.m_UseAutoBlock = -1;
    p.m_AutoBlockTresholdEvents = 10;
    p.m_AutoBlockTresholdTime = 60;
    p.m_AutoBlockTime = 900;
    p.m_AutoBlockBehaviour = 1; // individual tags
    p.m_UseExternalTag = -1;
    p.m_ExternalTagName = "SOUTH.FLOOD_WATCH";
    p.m_IgnoreExternalTagInOtherProfiles = -1;
    p.m_ScanSpecificSystems = -1;
    p.SetSystem(1, -1);
}

Bytes ProfilesBody() {
    ClientState state;
    state.ChildProfilesAllowed = true;
    struct Sample {
        int16_t id;
        const char* name;
        bool enabled;
        Bytes parallel;   // per entry: receiver name, NUL
        Bytes sequential; // per entry: receiver name, SOH, confirmation, NUL
        std::array<const char*, kProfileConditionCount> conditions;
        void (*shape)(cProfile&);
    };
    using namespace std::string_literals;
    const Sample samples[] = {
        {1, "Day shift", true, "Duty engineer\0"s, "Control room pager\1-1\0"s, {"*", "*", "*", "*", "*", "*"}, nullptr},
        {2, "Night shift", false, "Control room pager\0"s, ""s, {"*", "*", "*", "*", "*", "*"}, nullptr},
        {3, "North\\Gatehouse", true, "North\\Gatehouse screen\0"s, ""s, {"GATE*", "*", "*", "*", "*", "*"}, nullptr},
        {4, "North\\Gatehouse@Weekend cover", true, "North\\Site manager\0"s, "North\\Gatehouse screen\1" "0\0"s,
         {"GATE*", "*", "*", "*", "*", "*"}, nullptr},
        {5, "South\\Pumps", true, "South\\Pump station phone\0"s, ""s, {"PUMP*", "*", "*", "*", "*", "*"}, nullptr},
        {6, "Office hours", true, "Duty engineer\0Maintenance e-mail\0"s, ""s,
         {"*", "Main plant", "Process", "*", "*", "*"}, OfficeHours},
        {7, "Holiday standby", true, ""s,
         "Duty engineer\1-1\0Control room pager\1" "0\0Maintenance e-mail\1" "0\0"s,
         {"*", "*", "Critical", "*", "*", "*"}, HolidayStandby},
        {8, "South\\Flood watch", true, "South\\Pump station phone\0"s, "Duty engineer\1-1\0"s,
         {"LEVEL*", "South", "Flood", "*", "High water*", "*"}, FloodWatch},
    };
    Bytes body;
    AppendLong(body, static_cast<int32_t>(std::size(samples)));
    for (const Sample& s : samples) {
        cProfile p;
        p.m_DiskIdentity = s.id;
        p.m_Enabled = s.enabled ? -1 : 0;
        p.SetName(state, s.name);
        p.m_ParallellReceivers = s.parallel;
        p.m_SequentialReceivers = s.sequential;
        for (int c = 0; c < kProfileConditionCount; ++c) p.SetCondition(c, Variant(s.conditions[c]));
        for (int a = 0; a < 2; ++a) p.SetState(a, -1);
        p.m_TimeSchedule = std::make_shared<cTimeSchedule>();
        p.m_TimeSchedule->SetDefaultPeriod();
        p.m_UseTimeSchedule = s.id == 2 ? -1 : 0;
        if (s.shape) s.shape(p);
        // Rows of the grid numbered as the editor numbers them: active day types in order.
        int16_t row = 0;
        for (int d = 0; d < kDayTypeCount; ++d) {
            p.m_TimeSchedule->m_AxisIndex[d] = row;
            if (p.m_TimeSchedule->m_Active[d] != 0) ++row;
        }
        AppendRecordRef(body, s.id, s.name);
        p.AppendNetworkBytes(body);
    }
    return body;
}

// Days from 2000-01-01, the calendar's day 0.
int32_t DayIndex(int year, int month, int day) {
    return static_cast<int32_t>(QDate(2000, 1, 1).daysTo(QDate(year, month, day)));
}

// The shared calendar: the holiday labels' days, and for every year from 2024 to 2035
// (so that the month shown, this month, has marked days) the fixed public holidays,
// Christmas Eve and New Year's Eve as half days and the first Monday of each month for
// plant maintenance. Day value v stands for day type v - 1.
Bytes CalendarBody(const SampleData& data) {
    cCalendar calendar;
    calendar.SetDayTypeFullName(kPublicHoliday, "Public holiday");
    calendar.SetDayTypeFullName(kMaintenance, "Plant maintenance");
    calendar.SetDayTypeFullName(kHalfDay, "Half day");
    auto mark = [&](int32_t day, int dayType) { calendar.SetDayType(day, static_cast<int16_t>(dayType + 1)); };
    for (int year = 2024; year <= 2035; ++year) {
        for (int month = 1; month <= 12; ++month) {
            QDate first(year, month, 1);
            mark(DayIndex(year, month, 1 + (8 - first.dayOfWeek()) % 7), kMaintenance);
        }
        for (auto [month, day] : {std::pair{1, 1}, {5, 1}, {12, 25}, {12, 26}}) mark(DayIndex(year, month, day), kPublicHoliday);
        for (auto [month, day] : {std::pair{12, 24}, {12, 31}}) mark(DayIndex(year, month, day), kHalfDay);
    }
    for (const SampleHoliday& h : data.Holidays) calendar.SetDayType(h.DayIndex, h.DayValue);
    return calendar.CompressToNetworkBytes();
}

} // namespace

void AddSampleRecords(SampleData& data) {
    data.Answers[MessageType::MsgReceiverList] = {{MessageType::MsgReceiverList, ReceiversBody(data)}};
    data.Answers[MessageType::MsgProfileList] = {{MessageType::MsgProfileList, ProfilesBody()}};
    data.Answers[MessageType::MsgCalendar] = {{MessageType::MsgCalendar, CalendarBody(data)}};
}

} // namespace korvel::testserver
