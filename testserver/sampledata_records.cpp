// Receivers, profiles and the shared calendar of the default data set: the answers to
// 230, 200 and 170, in the records' own network forms.
#include "testserver/sampledata.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"
#include "core/records/timeschedule.h"

#include <memory>

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
        const char* setting0;
    };
    const Sample samples[] = {
        {1, "Duty engineer", 2, true, "Control room pager", "+46701234567"},
        {2, "Control room pager", 3, true, "", "1042"},
        {3, "Maintenance e-mail", 1, true, "", "maintenance@example.org"},
        {4, "North\\Gatehouse screen", 5, true, "", "gatehouse-pc"},
        {5, "North\\Site manager", 2, false, "Duty engineer", "+46709876543"},
        {6, "South\\Pump station phone", 6, true, "", "+441632960123"},
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
        AppendRecordRef(body, s.id, s.name);
        r.AppendNetworkBytes(body);
    }
    return body;
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
        const char* tag;
    };
    using namespace std::string_literals;
    const Sample samples[] = {
        {1, "Day shift", true, "Duty engineer\0"s, "Control room pager\1-1\0"s, "*"},
        {2, "Night shift", false, "Control room pager\0"s, ""s, "*"},
        {3, "North\\Gatehouse", true, "North\\Gatehouse screen\0"s, ""s, "GATE*"},
        {4, "North\\Gatehouse@Weekend cover", true, "North\\Site manager\0"s, "North\\Gatehouse screen\1" "0\0"s, "GATE*"},
        {5, "South\\Pumps", true, "South\\Pump station phone\0"s, ""s, "PUMP*"},
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
        p.SetCondition(0, Variant(s.tag));
        for (int c = 1; c < kProfileConditionCount; ++c) p.SetCondition(c, Variant("*"));
        for (int a = 0; a < 2; ++a) p.SetState(a, -1);
        p.m_TimeSchedule = std::make_shared<cTimeSchedule>();
        p.m_TimeSchedule->SetDefaultPeriod();
        // Rows of the grid numbered as the editor numbers them: active day types in order.
        int16_t row = 0;
        for (int d = 0; d < kDayTypeCount; ++d) {
            p.m_TimeSchedule->m_AxisIndex[d] = row;
            if (p.m_TimeSchedule->m_Active[d] != 0) ++row;
        }
        p.m_UseTimeSchedule = s.id == 2 ? -1 : 0;
        AppendRecordRef(body, s.id, s.name);
        p.AppendNetworkBytes(body);
    }
    return body;
}

Bytes CalendarBody(const SampleData& data) {
    cCalendar calendar;
    calendar.SetDayTypeFullName(7, "Public holiday");
    calendar.SetDayTypeFullName(8, "Plant maintenance");
    calendar.SetDayTypeFullName(9, "Half day");
    Bytes body = calendar.CompressToNetworkBytes();
    // The days of the holiday labels carry their day values.
    int32_t position = 0;
    cCalendar filled;
    Bytes days;
    AppendLong(days, static_cast<int32_t>(data.Holidays.size()));
    for (const SampleHoliday& h : data.Holidays) {
        AppendInteger(days, static_cast<int16_t>(h.DayIndex));
        AppendInteger(days, h.DayValue);
    }
    // Replace the empty day list (Int32 0) of the composed form by the days.
    Bytes form = days + body.substr(4);
    filled.UncompressFromNetworkBytes(form, position);
    return filled.CompressToNetworkBytes();
}

} // namespace

void AddSampleRecords(SampleData& data) {
    data.Answers[230] = {{230, ReceiversBody(data)}};
    data.Answers[200] = {{200, ProfilesBody()}};
    data.Answers[170] = {{170, CalendarBody(data)}};
}

} // namespace korvel::testserver
