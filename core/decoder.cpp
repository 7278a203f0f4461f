#include "core/decoder.h"

#include "core/cp1252.h"
#include "core/errors.h"
#include "core/frames.h"
#include "core/numeric.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"
#include "core/serversettings.h"

#include <algorithm>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace korvel {
namespace {

// A RecordRef: the identity (held as 16 bits) and the name of a record.
struct RecordRef {
    int16_t Identity = -1;
    Bytes Name;
};

int16_t As16Bit(int32_t value, const char* what) {
    if (value < -32768 || value > 32767) throw DecodeError(std::string(what) + " outside the 16-bit range");
    return static_cast<int16_t>(value);
}

// A String whose length runs past the body reads the bytes that are there and moves the
// position past the end; a message whose fields end beyond its body is malformed.
void CheckInside(std::string_view body, int32_t position) {
    if (static_cast<std::size_t>(position) > body.size()) throw DecodeError("body ends inside a text");
}

// Refuses a count whose entries (each at least minimum bytes) cannot fit in what is left.
void CheckRoom(std::string_view body, int32_t position, int64_t count, int64_t minimum, const char* what) {
    if (count > 0 && count * minimum > static_cast<int64_t>(body.size()) - position)
        throw DecodeError(std::string("body ends inside ") + what);
}

RecordRef ReadRecordRef(std::string_view body, int32_t& p) {
    int32_t identity = GetLongFromNetworkBytes(body, p);
    Bytes name = GetStringFromNetworkBytes(body, p);
    CheckInside(body, p);
    return {As16Bit(identity, "record identity"), std::move(name)};
}

const RecordName& ReceiverName(const cReceiver& receiver) { return receiver.m_ReceiverName; }
const RecordName& ProfileName(const cProfile& profile) { return profile.NameField(); }

std::shared_ptr<cProfile> FindProfile(const ClientState& state, const RecordRef& ref) {
    return ref.Identity == -1 ? GetProfileByName(state, ref.Name) : GetProfileById(state, ref.Identity);
}

std::shared_ptr<cReceiver> FindReceiver(const ClientState& state, const RecordRef& ref) {
    return ref.Identity == -1 ? GetReceiverByName(state, ref.Name) : GetReceiverById(state, ref.Identity);
}

// Sets the enabled flag and remembers the form; a form that cannot be made leaves the
// record as it was.
template <class Record>
void SetEnabledAndStore(Record& record, int16_t value) {
    const int16_t before = record.m_Enabled;
    record.m_Enabled = value != 0 ? -1 : 0;
    try {
        record.StoreOriginalSettings();
    } catch (...) {
        record.m_Enabled = before;
        throw;
    }
}

void HandleServerInfo(ClientState& state, std::string_view body, int32_t& p) {
    Bytes path = GetStringFromNetworkBytes(body, p);
    int32_t kind = GetLongFromNetworkBytes(body, p);
    GetLongFromNetworkBytes(body, p); // not used by the client
    CheckInside(body, p);
    const int16_t serverKind = As16Bit(kind, "server kind");
    state.ServerDataPath = std::move(path);
    state.ServerKind = serverKind;
}

void HandleSettings(ClientState& state, std::string_view body, int32_t& p) {
    SettingSectionTable sections;
    sections.Count = GetIntegerFromNetworkBytes(body, p);
    CheckRoom(body, p, sections.Count, 4, "the setting sections");
    for (int i = 0; i < sections.Count; ++i) {
        sections.Names.push_back(GetStringFromNetworkBytes(body, p));
        Bytes sectionBody(1, '\0');
        sectionBody += GetStringFromNetworkBytes(body, p);
        sectionBody += '\0';
        sections.Bodies.push_back(std::move(sectionBody));
    }
    CheckInside(body, p);
    std::swap(state.SettingSections, sections);
    const Bytes value = GetServerSetting(state, "General", "ClearAllDayWhenDeletingTimeSchedule", "1");
    if (!IsNumeric(value)) {
        std::swap(state.SettingSections, sections); // back to the settings before the message
        throw DecodeError("setting ClearAllDayWhenDeletingTimeSchedule is not a number");
    }
    state.ClearAllDayWhenDeleting = NumericValue(value) != 0;
}

void HandleTextTable(ClientState& state, std::string_view body, int32_t& p) {
    const int32_t n = GetLongFromNetworkBytes(body, p);
    CheckRoom(body, p, n, 12, "the text table");
    TextTableData table;
    table.Rows.reserve(n > 0 ? static_cast<std::size_t>(n) : 0);
    for (int32_t i = 0; i < n; ++i) {
        TextRow row;
        row.TextId = GetLongFromNetworkBytes(body, p);
        row.Start = GetLongFromNetworkBytes(body, p);
        row.Length = GetLongFromNetworkBytes(body, p);
        table.Rows.push_back(row);
    }
    table.Blob = GetStringFromNetworkBytes(body, p);
    CheckInside(body, p);
    state.TextTable = std::move(table);
}

void HandleReceiverTypes(ClientState& state, std::string_view body, int32_t& p) {
    const int16_t n = As16Bit(GetLongFromNetworkBytes(body, p), "receiver-type count");
    if (n > kReceiverTypeRows) throw DecodeError("receiver-type row " + std::to_string(kReceiverTypeRows) + " outside the table");
    CheckRoom(body, p, n, 20, "the receiver types");
    std::vector<ReceiverTypeRow> rows(n > 0 ? static_cast<std::size_t>(n) : 0);
    for (ReceiverTypeRow& row : rows) {
        row.TypeId = GetIntegerFromNetworkBytes(body, p);
        row.TypeName = GetStringFromNetworkBytes(body, p);
        row.Unused1 = GetStringFromNetworkBytes(body, p);
        row.ProtocolCode = GetStringFromNetworkBytes(body, p);
        row.MaxTextLength = GetIntegerFromNetworkBytes(body, p);
        row.Unused2 = GetStringFromNetworkBytes(body, p);
        row.Unused3 = GetStringFromNetworkBytes(body, p);
        row.CountryList = GetStringFromNetworkBytes(body, p);
        row.ParameterLayout = GetStringFromNetworkBytes(body, p);
        row.Unused4 = GetStringFromNetworkBytes(body, p);
        row.Unused5 = GetStringFromNetworkBytes(body, p);
    }
    CheckInside(body, p);
    // Rows beyond the new count keep what they held; the count bounds every look-up.
    for (std::size_t i = 0; i < rows.size(); ++i) state.ReceiverTypes.Rows[i] = std::move(rows[i]);
    state.ReceiverTypes.Count = n;
}

void HandleSystemNames(ClientState& state, std::string_view body, int32_t& p) {
    const int32_t n = GetLongFromNetworkBytes(body, p);
    CheckRoom(body, p, n, 8, "the system names");
    std::vector<std::pair<int32_t, Bytes>> names;
    for (int32_t i = 0; i < n; ++i) {
        int32_t number = GetLongFromNetworkBytes(body, p);
        GetStringFromNetworkBytes(body, p); // not used by the client
        Bytes name = GetStringFromNetworkBytes(body, p);
        if (number < 0 || number >= kSystemCount)
            throw DecodeError("system number " + std::to_string(number) + " outside 0..63");
        names.emplace_back(number, std::move(name));
    }
    CheckInside(body, p);
    for (auto& [number, name] : names) state.SystemNames[static_cast<std::size_t>(number)] = std::move(name);
}

void HandleHolidayLabels(ClientState& state, std::string_view body, int32_t& p) {
    const int32_t n = GetLongFromNetworkBytes(body, p);
    CheckRoom(body, p, n, 10, "the holiday labels");
    std::vector<std::shared_ptr<cHolidayLabel>> labels;
    labels.reserve(n > 0 ? static_cast<std::size_t>(n) : 0);
    for (int32_t i = 0; i < n; ++i) {
        int32_t day = GetLongFromNetworkBytes(body, p);
        int16_t value = GetIntegerFromNetworkBytes(body, p);
        int16_t shown = GetIntegerFromNetworkBytes(body, p);
        Bytes text = GetStringFromNetworkBytes(body, p);
        if (day < 0 || day >= kCalendarDays) throw DecodeError("day index " + std::to_string(day) + " outside 0..14609");
        auto label = std::make_shared<cHolidayLabel>();
        label->m_Day = static_cast<int16_t>(day);
        label->m_DayType = value;
        label->m_ViewInCalendar = shown != 0;
        label->m_Label = std::move(text);
        labels.push_back(std::move(label));
    }
    CheckInside(body, p);
    // Day flags are only ever set: readers look for the day's labels in HolidayLabels.
    for (const auto& label : labels) state.HolidayDayFlags[static_cast<std::size_t>(label->m_Day)] = true;
    state.HolidayLabels = std::move(labels);
}

void HandleCalendar(ClientState& state, std::string_view body, int32_t& p) {
    if (state.SharedCalendar) {
        state.SharedCalendar->UncompressFromNetworkBytes(body, p); // all or nothing
    } else {
        auto calendar = std::make_shared<cCalendar>();
        calendar->UncompressFromNetworkBytes(body, p);
        state.SharedCalendar = std::move(calendar);
    }
    state.SharedCalendar->StoreOriginalSettings();
}

void HandleCalendarSaved(ClientState& state, std::string_view body, int32_t& p) {
    if (!state.SharedCalendar) {
        // Nothing to compare with yet: taken as the server's calendar, as a 170.
        HandleCalendar(state, body, p);
        return;
    }
    cCalendar received;
    received.UncompressFromNetworkBytes(body, p);
    Bytes form = received.CompressToNetworkBytes();
    if (form == state.SharedCalendar->CompressToNetworkBytes()) return;
    int32_t position = 0;
    state.SharedCalendar->UncompressFromNetworkBytes(form, position);
    state.SharedCalendar->StoreOriginalSettings();
}

template <class Record>
KeyedCollection<Record> ReadRecordList(ClientState& state, std::string_view body, int32_t& p) {
    const int16_t n = As16Bit(GetLongFromNetworkBytes(body, p), "record count");
    KeyedCollection<Record> records;
    // Room for as many records as the count says and the body can hold (an entry is at
    // least its RecordRef and, for a receiver, an empty form): a count larger than the body
    // reserves no more than the body could fill.
    constexpr std::size_t kLeastEntry = std::is_same_v<Record, cReceiver> ? 6 + kEmptyReceiverFormLength : 6;
    if (n > 0)
        records.Reserve(
            std::min(static_cast<std::size_t>(n), (body.size() - static_cast<std::size_t>(p)) / kLeastEntry));
    // The saved forms of a receiver list go into one block, which can never need more
    // than the rest of the body.
    [[maybe_unused]] std::shared_ptr<Bytes> forms;
    if constexpr (std::is_same_v<Record, cReceiver>) {
        forms = std::make_shared<Bytes>();
        if (n > 0) forms->reserve(body.size() - static_cast<std::size_t>(p));
    }
    for (int i = 0; i < n; ++i) {
        ReadRecordRef(body, p); // read and not used
        auto record = std::make_shared<Record>();
        if constexpr (std::is_same_v<Record, cReceiver>)
            record->UncompressAndStoreOriginalSettings(state, body, p, forms);
        else
            record->UncompressAndStoreOriginalSettings(state, body, p);
        const std::string key = RecordKey(record->m_DiskIdentity);
        if (!records.Add(key, std::move(record)))
            throw DecodeError("two records with one identity in a list");
    }
    return records;
}

// 210 and 240: the record found is updated in place (holders see the change); it is put
// under the key of its (possibly new) identity, replacing any record there, and moves to
// the end of the order. A key it held before stays as it is.
template <class Record, class Find>
std::shared_ptr<Record> SaveRecord(ClientState& state, KeyedCollection<Record>& records, std::string_view body,
                                   int32_t& p, Find find) {
    RecordRef ref = ReadRecordRef(body, p);
    std::shared_ptr<Record> record = find(state, ref);
    if (!record) record = std::make_shared<Record>();
    record->UncompressAndStoreOriginalSettings(state, body, p); // all or nothing
    records.Replace(RecordKey(record->m_DiskIdentity), record);
    return record;
}

template <class Record, class Find>
std::shared_ptr<Record> DeleteRecord(ClientState& state, KeyedCollection<Record>& records, std::string_view body,
                                     int32_t& p, Find find) {
    RecordRef ref = ReadRecordRef(body, p);
    std::shared_ptr<Record> record = find(state, ref);
    if (record) records.Remove(RecordKey(record->m_DiskIdentity));
    return record;
}

template <class Record, class Find>
std::shared_ptr<Record> EnableRecord(ClientState& state, std::string_view body, int32_t& p, Find find) {
    RecordRef ref = ReadRecordRef(body, p);
    std::shared_ptr<Record> record = find(state, ref);
    if (!record) return nullptr; // nothing more is read
    const int16_t enabled = GetIntegerFromNetworkBytes(body, p);
    SetEnabledAndStore(*record, enabled);
    return record;
}

} // namespace

TouchedRecords HandleServerMessage(ClientState& state, MessageType type, std::string_view body) {
    TouchedRecords touched;
    int32_t p = 0;
    switch (type) {
    case MessageType::MsgKeepAlive: SendToServer(state, MessageType::MsgKeepAlive, ""); break;
    case MessageType::MsgServerDataPath: HandleServerInfo(state, body, p); break;
    case MessageType::MsgUserRights: {
        int32_t rights = GetLongFromNetworkBytes(body, p);
        state.UserRights = rights;
        break;
    }
    case MessageType::MsgServerSettings: HandleSettings(state, body, p); break;
    case MessageType::MsgTextTable: HandleTextTable(state, body, p); break;
    case MessageType::MsgReceiverTypeList: HandleReceiverTypes(state, body, p); break;
    case MessageType::MsgSystemList: HandleSystemNames(state, body, p); break;
    case MessageType::MsgHolidayLabelList: HandleHolidayLabels(state, body, p); break;
    case MessageType::MsgCalendar: HandleCalendar(state, body, p); break;
    case MessageType::MsgCalendarSave: HandleCalendarSaved(state, body, p); break;
    case MessageType::MsgProfileList: {
        KeyedCollection<cProfile> profiles = ReadRecordList<cProfile>(state, body, p);
        CheckInside(body, p);
        std::swap(state.Profiles, profiles);
        break;
    }
    case MessageType::MsgProfileSave:
        touched.Profile = SaveRecord(state, state.Profiles, body, p, FindProfile);
        break;
    case MessageType::MsgProfileDelete:
        touched.Profile = DeleteRecord(state, state.Profiles, body, p, FindProfile);
        break;
    case MessageType::MsgProfileEnableOrDisable:
        touched.Profile = EnableRecord<cProfile>(state, body, p, FindProfile);
        break;
    case MessageType::MsgReceiverEnableOrDisable:
        touched.Receiver = EnableRecord<cReceiver>(state, body, p, FindReceiver);
        break;
    case MessageType::MsgReceiverList: {
        KeyedCollection<cReceiver> receivers = ReadRecordList<cReceiver>(state, body, p);
        CheckInside(body, p);
        std::swap(state.Receivers, receivers);
        break;
    }
    case MessageType::MsgReceiverSave:
        touched.Receiver = SaveRecord(state, state.Receivers, body, p, FindReceiver);
        break;
    case MessageType::MsgReceiverDelete:
        touched.Receiver = DeleteRecord(state, state.Receivers, body, p, FindReceiver);
        break;
    default: break; // left to the control's own handling
    }
    return touched;
}

std::shared_ptr<cReceiver> GetReceiverById(const ClientState& state, int32_t identity) {
    return state.Receivers.Find(RecordKey(identity));
}

std::shared_ptr<cProfile> GetProfileById(const ClientState& state, int32_t identity) {
    return state.Profiles.Find(RecordKey(identity));
}

// Both by the collections' index of names (core/keyedcollection.h), which answers as a
// scan in collection order for the first record whose name equals the name ignoring case.
std::shared_ptr<cReceiver> GetReceiverByName(const ClientState& state, std::string_view name) {
    if (name.empty()) return nullptr;
    return state.Receivers.FindByName(name, ReceiverName);
}

std::shared_ptr<cProfile> GetProfileByName(const ClientState& state, std::string_view name) {
    if (name.empty()) return nullptr;
    return state.Profiles.FindByName(name, ProfileName);
}

} // namespace korvel
