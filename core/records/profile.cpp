#include "core/records/profile.h"

#include "core/cp1252.h"
#include "core/errors.h"
#include "core/serversettings.h"

#include <stdexcept>
#include <utility>

namespace korvel {
namespace {

template <class Array>
void CheckIndex(const Array& array, int index, const char* what) {
    if (index < 0 || static_cast<std::size_t>(index) >= array.size()) throw std::out_of_range(what);
}

} // namespace

Bytes cAutoBlockedAlarm::GetStatusAsText(ClientState& state) const {
    if (m_Status < 0 || m_Status > 2) return Bytes();
    return GetText(state, 837 + m_Status);
}

cProfile::cProfile(const cProfile& other)
    : m_DiskIdentity(other.m_DiskIdentity),
      m_Enabled(other.m_Enabled),
      m_ParentName(other.m_ParentName),
      m_NestingLevels(other.m_NestingLevels),
      m_UseTimeSchedule(other.m_UseTimeSchedule),
      m_ParallellReceivers(other.m_ParallellReceivers),
      m_SequentialReceivers(other.m_SequentialReceivers),
      m_TimeSchedule_ViewDayType(other.m_TimeSchedule_ViewDayType),
      m_Calendar_ViewTimeAxis(other.m_Calendar_ViewTimeAxis),
      m_UseExternalTag(other.m_UseExternalTag),
      m_ExternalTagName(other.m_ExternalTagName),
      m_IgnoreExternalTagInOtherProfiles(other.m_IgnoreExternalTagInOtherProfiles),
      m_UseExternalFile(other.m_UseExternalFile),
      m_ExternalFileName(other.m_ExternalFileName),
      m_ExternalFileText(other.m_ExternalFileText),
      m_ScanSpecificSystems(other.m_ScanSpecificSystems),
      m_OffDutyAlarmBehaviour(other.m_OffDutyAlarmBehaviour),
      m_UseAutoBlock(other.m_UseAutoBlock),
      m_AutoBlockTresholdEvents(other.m_AutoBlockTresholdEvents),
      m_AutoBlockTresholdTime(other.m_AutoBlockTresholdTime),
      m_AutoBlockTime(other.m_AutoBlockTime),
      m_AutoBlockBehaviour(other.m_AutoBlockBehaviour),
      m_AutoBlockRepeatCount(other.m_AutoBlockRepeatCount),
      m_AutoBlockFirstAddedTimeStamp(other.m_AutoBlockFirstAddedTimeStamp),
      m_AutoBlockLockedTimeStamp(other.m_AutoBlockLockedTimeStamp),
      m_TimeSchedule(other.m_TimeSchedule ? std::make_shared<cTimeSchedule>(*other.m_TimeSchedule) : nullptr),
      m_Original_Settings(other.m_Original_Settings),
      m_FileDateTimeStamp(other.m_FileDateTimeStamp),
      m_Name(other.m_Name),
      m_State(other.m_State),
      m_Condition(other.m_Condition),
      m_System(other.m_System) {
    m_AutoBlockedAlarms.reserve(other.m_AutoBlockedAlarms.size());
    for (const auto& alarm : other.m_AutoBlockedAlarms)
        m_AutoBlockedAlarms.push_back(std::make_shared<cAutoBlockedAlarm>(*alarm));
}

cProfile& cProfile::operator=(const cProfile& other) {
    if (this != &other) {
        cProfile copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void cProfile::AppendNetworkBytes(Bytes& out) const {
    if (!m_TimeSchedule) throw EncodeError("profile without a time schedule has no network form");
    AppendInteger(out, m_DiskIdentity);
    AppendInteger(out, m_Enabled);
    AppendString(out, m_Name);
    for (int16_t state : m_State) AppendInteger(out, state);
    AppendInteger(out, m_UseTimeSchedule);
    AppendString(out, m_ParallellReceivers);
    AppendString(out, m_SequentialReceivers);
    for (const Bytes& condition : m_Condition) AppendString(out, condition);
    AppendInteger(out, m_TimeSchedule_ViewDayType);
    AppendInteger(out, m_Calendar_ViewTimeAxis);
    AppendInteger(out, m_UseExternalTag);
    AppendString(out, m_ExternalTagName);
    AppendInteger(out, m_IgnoreExternalTagInOtherProfiles);
    AppendInteger(out, m_UseExternalFile);
    AppendString(out, m_ExternalFileName);
    AppendString(out, m_ExternalFileText);
    AppendInteger(out, m_UseAutoBlock);
    AppendLong(out, m_AutoBlockTresholdEvents);
    AppendLong(out, m_AutoBlockTresholdTime);
    AppendLong(out, m_AutoBlockTime);
    AppendInteger(out, m_ScanSpecificSystems);
    for (int16_t system : m_System) AppendInteger(out, system);
    AppendInteger(out, m_OffDutyAlarmBehaviour);
    AppendDate(out, m_FileDateTimeStamp);
    // The period string as a String: its length, then the string itself.
    const std::size_t periodLength = m_TimeSchedule->PeriodArrayLength();
    if (periodLength > static_cast<std::size_t>(kMaxStringLength))
        throw EncodeError("period string longer than 32767 bytes");
    AppendInteger(out, static_cast<int32_t>(periodLength));
    m_TimeSchedule->AppendPeriodArray(out);
    AppendInteger(out, m_AutoBlockBehaviour);
}

Bytes cProfile::CompressToNetworkBytes() const {
    Bytes out;
    std::size_t size = 300 + m_Name.size() + m_ParallellReceivers.size() + m_SequentialReceivers.size() +
                       m_ExternalTagName.size() + m_ExternalFileName.size() + m_ExternalFileText.size();
    for (const Bytes& condition : m_Condition) size += condition.size();
    if (m_TimeSchedule) size += m_TimeSchedule->PeriodArrayLength();
    out.reserve(size);
    AppendNetworkBytes(out);
    return out;
}

void cProfile::UncompressFromNetworkBytes(const ClientState& state, std::string_view PacketData,
                                          int32_t& PacketPointer) {
    Parse(state, PacketData, PacketPointer);
}

void cProfile::UncompressAndStoreOriginalSettings(const ClientState& state, std::string_view PacketData,
                                                  int32_t& PacketPointer) {
    const int32_t start = PacketPointer;
    if (Parse(state, PacketData, PacketPointer))
        m_Original_Settings.assign(PacketData.substr(static_cast<std::size_t>(start),
                                                     static_cast<std::size_t>(PacketPointer - start)));
    else
        StoreOriginalSettings();
}

bool cProfile::Parse(const ClientState& state, std::string_view PacketData, int32_t& PacketPointer) {
    const std::string_view d = PacketData;
    int32_t p = PacketPointer;
    cProfile next; // the fields of the form, applied below once all of it was read
    next.m_DiskIdentity = GetIntegerFromNetworkBytes(d, p);
    next.m_Enabled = GetIntegerFromNetworkBytes(d, p);
    Bytes name = GetStringFromNetworkBytes(d, p);
    for (int16_t& s : next.m_State) s = GetIntegerFromNetworkBytes(d, p);
    next.m_UseTimeSchedule = GetIntegerFromNetworkBytes(d, p);
    next.m_ParallellReceivers = GetStringFromNetworkBytes(d, p);
    next.m_SequentialReceivers = GetStringFromNetworkBytes(d, p);
    for (Bytes& condition : next.m_Condition) condition = GetStringFromNetworkBytes(d, p);
    next.m_TimeSchedule_ViewDayType = GetIntegerFromNetworkBytes(d, p);
    next.m_Calendar_ViewTimeAxis = GetIntegerFromNetworkBytes(d, p);
    next.m_UseExternalTag = GetIntegerFromNetworkBytes(d, p);
    next.m_ExternalTagName = GetStringFromNetworkBytes(d, p);
    next.m_IgnoreExternalTagInOtherProfiles = GetIntegerFromNetworkBytes(d, p);
    next.m_UseExternalFile = GetIntegerFromNetworkBytes(d, p);
    next.m_ExternalFileName = GetStringFromNetworkBytes(d, p);
    next.m_ExternalFileText = GetStringFromNetworkBytes(d, p);
    next.m_UseAutoBlock = GetIntegerFromNetworkBytes(d, p);
    next.m_AutoBlockTresholdEvents = GetLongFromNetworkBytes(d, p);
    next.m_AutoBlockTresholdTime = GetLongFromNetworkBytes(d, p);
    next.m_AutoBlockTime = GetLongFromNetworkBytes(d, p);
    next.m_ScanSpecificSystems = GetIntegerFromNetworkBytes(d, p);
    for (int16_t& system : next.m_System) system = GetIntegerFromNetworkBytes(d, p);
    next.m_OffDutyAlarmBehaviour = GetIntegerFromNetworkBytes(d, p);
    const int32_t dateAt = p;
    next.m_FileDateTimeStamp = GetDateFromNetworkBytes(d, p);
    // A date whose parts lie outside their ranges is written back carried.
    bool exact = DateToNetworkBytes(next.m_FileDateTimeStamp) == d.substr(static_cast<std::size_t>(dateAt), 12);
    // The period string is parsed in place, without a copy of its bytes.
    const int32_t periodLength = GetIntegerFromNetworkBytes(d, p);
    if (periodLength < 0) throw DecodeError("negative String length");
    if (static_cast<std::size_t>(p) > d.size() || static_cast<std::size_t>(periodLength) > d.size() - static_cast<std::size_t>(p))
        throw DecodeError("profile form ends inside its period string");
    auto schedule = std::make_shared<cTimeSchedule>();
    exact = schedule->ExtractPeriodArray(d.substr(static_cast<std::size_t>(p), static_cast<std::size_t>(periodLength))) &&
            exact;
    p += periodLength;
    next.m_AutoBlockBehaviour = GetIntegerFromNetworkBytes(d, p);
    if (static_cast<std::size_t>(p) > d.size()) throw DecodeError("profile form ends inside a text");

    m_DiskIdentity = next.m_DiskIdentity;
    m_Enabled = next.m_Enabled;
    SetOwnName(state, std::move(name));
    m_State = next.m_State;
    m_UseTimeSchedule = next.m_UseTimeSchedule;
    m_ParallellReceivers = std::move(next.m_ParallellReceivers);
    m_SequentialReceivers = std::move(next.m_SequentialReceivers);
    m_Condition = std::move(next.m_Condition);
    m_TimeSchedule_ViewDayType = next.m_TimeSchedule_ViewDayType;
    m_Calendar_ViewTimeAxis = next.m_Calendar_ViewTimeAxis;
    m_UseExternalTag = next.m_UseExternalTag;
    m_ExternalTagName = std::move(next.m_ExternalTagName);
    m_IgnoreExternalTagInOtherProfiles = next.m_IgnoreExternalTagInOtherProfiles;
    m_UseExternalFile = next.m_UseExternalFile;
    m_ExternalFileName = std::move(next.m_ExternalFileName);
    m_ExternalFileText = std::move(next.m_ExternalFileText);
    m_UseAutoBlock = next.m_UseAutoBlock;
    m_AutoBlockTresholdEvents = next.m_AutoBlockTresholdEvents;
    m_AutoBlockTresholdTime = next.m_AutoBlockTresholdTime;
    m_AutoBlockTime = next.m_AutoBlockTime;
    m_ScanSpecificSystems = next.m_ScanSpecificSystems;
    m_System = next.m_System;
    m_OffDutyAlarmBehaviour = next.m_OffDutyAlarmBehaviour;
    m_FileDateTimeStamp = next.m_FileDateTimeStamp;
    m_TimeSchedule = std::move(schedule);
    m_AutoBlockBehaviour = next.m_AutoBlockBehaviour;
    PacketPointer = p;
    return exact;
}

bool cProfile::HasChangedSinceLastLoadFromDisk() const { return CompressToNetworkBytes() != m_Original_Settings; }

void cProfile::StoreOriginalSettings() { m_Original_Settings = CompressToNetworkBytes(); }

void cProfile::CopyFrom(const ClientState& state, const cProfile& Profile) {
    Bytes form = Profile.CompressToNetworkBytes();
    int32_t position = 0;
    UncompressFromNetworkBytes(state, form, position);
}

void cProfile::SetName(const ClientState& state, std::string_view NewName) { SetOwnName(state, Bytes(NewName)); }

void cProfile::SetOwnName(const ClientState& state, Bytes&& NewName) {
    m_Name = std::move(NewName);
    const std::string_view name = m_Name;
    m_ParentName.clear();
    m_NestingLevels = 0;
    if (!state.ChildProfilesAllowed) return;
    std::size_t last = std::string_view::npos;
    int levels = 0;
    for (std::size_t at = name.find('@'); at != std::string_view::npos; at = name.find('@', at + 1)) {
        last = at;
        ++levels;
    }
    if (last == std::string_view::npos) return;
    m_ParentName = UpperCase(name.substr(0, last));
    // A name is a String of at most 32767 bytes, so the count fits.
    m_NestingLevels = static_cast<int16_t>(levels > 32767 ? 32767 : levels);
}

const Bytes& cProfile::GetCondition(int Index) const {
    CheckIndex(m_Condition, Index, "condition index outside 0..5");
    return m_Condition[Index];
}

void cProfile::SetCondition(int Index, const Variant& NewValue) {
    CheckIndex(m_Condition, Index, "condition index outside 0..5");
    m_Condition[Index] = NewValue.ToText();
}

int16_t cProfile::GetState(int Index) const {
    CheckIndex(m_State, Index, "state index outside 0..2");
    return m_State[Index];
}

void cProfile::SetState(int Index, int16_t NewValue) {
    CheckIndex(m_State, Index, "state index outside 0..2");
    m_State[Index] = NewValue;
}

int16_t cProfile::GetSystem(int Index) const {
    CheckIndex(m_System, Index, "system index outside 0..63");
    return m_System[Index];
}

void cProfile::SetSystem(int Index, int16_t NewValue) {
    CheckIndex(m_System, Index, "system index outside 0..63");
    m_System[Index] = NewValue;
}

} // namespace korvel
