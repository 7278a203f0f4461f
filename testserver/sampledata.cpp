#include "testserver/sampledata.h"
#include "testserver/handlers_textactive.h"

#include "core/codec.h"

#include <QDate>

#include <utility>

namespace korvel::testserver {

Bytes TextTableBody(const std::map<int32_t, Bytes>& texts) {
    Bytes rows;
    Bytes blob;
    for (const auto& [id, text] : texts) {
        AppendLong(rows, id);
        AppendLong(rows, static_cast<int32_t>(blob.size() + 1));
        AppendLong(rows, static_cast<int32_t>(text.size()));
        blob += text;
    }
    Bytes body;
    AppendLong(body, static_cast<int32_t>(texts.size()));
    body += rows;
    AppendString(body, blob);
    return body;
}

Bytes SettingsBody(const std::vector<SampleSettingSection>& sections) {
    Bytes body;
    AppendInteger(body, static_cast<int32_t>(sections.size()));
    for (const auto& s : sections) {
        AppendString(body, s.Name);
        Bytes items;
        for (const auto& [key, value] : s.Items) {
            if (!items.empty()) items += '\0';
            items += key + "=" + value;
        }
        AppendString(body, items);
    }
    return body;
}

Bytes ReceiverTypesBody(const std::vector<SampleReceiverType>& types) {
    Bytes body;
    AppendLong(body, static_cast<int32_t>(types.size()));
    for (const auto& t : types) {
        AppendInteger(body, t.TypeId);
        AppendString(body, t.Name);
        AppendString(body, "");
        AppendString(body, t.ProtocolCode);
        AppendInteger(body, t.MaxTextLength);
        AppendString(body, "");
        AppendString(body, "");
        AppendString(body, t.CountryList);
        AppendString(body, t.ParameterLayout);
        AppendString(body, "");
        AppendString(body, "");
    }
    return body;
}

Bytes SystemsBody(const std::map<int32_t, Bytes>& systems) {
    Bytes body;
    AppendLong(body, static_cast<int32_t>(systems.size()));
    for (const auto& [number, name] : systems) {
        AppendLong(body, number);
        AppendString(body, "SYS" + std::to_string(number));
        AppendString(body, name);
    }
    return body;
}

Bytes HolidaysBody(const std::vector<SampleHoliday>& holidays) {
    Bytes body;
    AppendLong(body, static_cast<int32_t>(holidays.size()));
    for (const auto& h : holidays) {
        AppendLong(body, h.DayIndex);
        AppendInteger(body, h.DayValue);
        AppendInteger(body, h.Shown);
        AppendString(body, h.Label);
    }
    return body;
}

Bytes LogBody(const std::vector<Bytes>& lines) {
    Bytes body;
    AppendLong(body, static_cast<int32_t>(lines.size()));
    for (const auto& line : lines) AppendString(body, line);
    return body;
}

Bytes LogLineBody(const Bytes& line) {
    Bytes body;
    AppendString(body, line);
    return body;
}

std::vector<OutFrame> AnswerFor(const SampleData& data, MessageType requestType) {
    if (auto it = data.Answers.find(requestType); it != data.Answers.end()) return it->second;
    switch (requestType) {
    case MessageType::MsgTextTable: return {{requestType, TextTableBody(data.Texts)}};
    case MessageType::MsgServerSettings: return {{requestType, SettingsBody(data.Settings)}};
    case MessageType::MsgReceiverTypeList: return {{requestType, ReceiverTypesBody(data.ReceiverTypes)}};
    case MessageType::MsgSystemList: return {{requestType, SystemsBody(data.Systems)}};
    case MessageType::MsgHolidayLabelList: return {{requestType, HolidaysBody(data.Holidays)}};
    case MessageType::MsgSysLogList: return {{requestType, LogBody(data.LogLines)}};
    case MessageType::MsgProfileList: // a data set without records: empty lists
    case MessageType::MsgReceiverList: {
        Bytes body;
        AppendLong(body, 0);
        return {{requestType, body}};
    }
    default: return {};
    }
}

namespace {

void AddDefaultBase(SampleData& d) {
    d.ProtocolVersion = 21;
    d.UserRights = 0xFF;
    d.DataPath = "/var/lib/korvel/data";
    d.ServerKind = 1;

    d.Settings = {
        {"General",
         {{"UseCountryFilter", "0"}, {"CountryFilter", "SE,NO,GB"}, {"ClearAllDayWhenDeletingTimeSchedule", "1"}}},
        {"ActiveX", {{"ViewAllReceivers", "0"}}},
    };


    d.ReceiverTypes = {
        {1, "E-mail", "SMTP", 2000, "", ""},
        {2, "Text message (GSM)", "GSM", 160, "SE,NO,DK,FI", ""},
        {3, "Pager", "ILM", 80, "SE", ""},
        {4, "Pager over TCP", "ILMTCP", 80, "", ""},
        {5, "Pop-up window", "POPUPFORM", 255, "", ""},
        {6, "Voice call", "VOICE", 250, "GB,IE", ""},
    };

    d.Systems = {{0, "Main plant"}, {1, "Water treatment"}, {2, "Building services"}, {7, "Substation North"}};

    // Day value v stands for day type v - 1: 8 = "Public holiday" (7), 9 = "Plant
    // maintenance" (8), as named in the shared calendar. The fixed holidays of every year
    // from 2024 to 2035, so that the month the calendar opens on has its labels.
    const QDate first(2000, 1, 1);
    d.Holidays.clear();
    for (int year = 2024; year <= 2035; ++year) {
        const std::pair<QDate, const char*> days[] = {
            {QDate(year, 1, 1), "New Year's Day"},
            {QDate(year, 5, 1), "May Day"},
            {QDate(year, 12, 25), "Christmas Day"},
            {QDate(year, 12, 26), "Boxing Day"},
        };
        for (const auto& [day, label] : days) d.Holidays.push_back({static_cast<int32_t>(first.daysTo(day)), 8, -1, label});
    }
    d.Holidays.push_back({static_cast<int32_t>(first.daysTo(QDate(2026, 1, 5))), 9, 0, "Plant maintenance"});

    // The log so far, from yesterday morning on; the server dates the lines it adds
    // with the time they are added.
    const std::string yesterday = QDate::currentDate().addDays(-1).toString(Qt::ISODate).toStdString();
    const char* const logSoFar[] = {
        "06:00:01 Alarm server started",
        "06:00:02 Database opened: 1204 tags, 6 receivers, 8 profiles",
        "06:00:02 Listening for operator clients on port 5001",
        "06:00:05 SCADA link 'Main plant' connected",
        "06:00:06 SCADA link 'Water treatment' connected",
        "06:14:40 GSM modem on COM3 ready, signal 21",
        "07:02:13 Operator 'jsmith' logged in from 10.0.4.21",
        "07:05:48 Profile 'Night shift' disabled by jsmith",
    };
    d.LogLines.clear();
    for (const char* line : logSoFar) d.LogLines.push_back(yesterday + " " + line);
    d.NewLogLines = {
        "Keep-alive check: all SCADA links up",
        "Alarm queue length 0",
        "Text message to 'Duty engineer' delivered",
        "SCADA link 'Building services' reconnected",
        "Profile 'Weekend cover' enabled by schedule",
        "Receiver 'Control room pager' answered page",
    };
}

} // namespace

std::vector<std::string> SampleDataNames() { return {"default", "empty"}; }

bool MakeSampleData(std::string_view name, SampleData& out) {
    out = SampleData{};
    if (name == "default") {
        AddDefaultBase(out);
        AddSampleTexts(out);
        AddSampleRecords(out);
        AddSampleEvents(out);
        AddTextActiveSamples(out);
        AddSampleReceiverEditing(out);
        return true;
    }
    if (name == "empty") {
        out.UserRights = 0;
        return true;
    }
    return false;
}

} // namespace korvel::testserver
