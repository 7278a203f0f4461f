// The record file of a profile: Profiles\Profile_NNNN.dat in the data folder.
//
// Version 5 (written and read): Int16 5, Int16 0, Int16 enabled, Text name, 3 x Int16
// state, Int16 use time schedule, Int16 0, Int16 0, Text parallel receivers, Text
// sequential receivers, 6 x Text condition, Int16 schedule view day type, Int16 calendar
// view time axis, Int16 use external tag, Text external tag name, Int16 ignore external
// tag in other profiles, Int16 use external file, Text external file name, Text external
// file text, Int16 scan specific systems, 64 x Int16 system, Int16 off-duty alarm
// behaviour, Date saved at, Int32 auto-block time, Int16 use auto-block, Int32 threshold
// events, Int32 threshold time, Int16 auto-block behaviour, Zero(2032), schedule block.
// Version 4 (read): as 5 up to the systems, except that the second Int16 after "use time
// schedule" is the off-duty alarm behaviour; then the schedule block.
// A file is parsed completely before the profile changes (core/datafile.h).
#include "core/datafile.h"
#include "core/errors.h"
#include "core/records/profile.h"
#include "core/records/timeschedule.h"
#include "core/serversettings.h"

#include <array>
#include <memory>
#include <optional>

namespace korvel {
namespace {

constexpr int16_t kWrittenVersion = kRecordFileVersion;

// Trace texts of the profile file.
constexpr int32_t kTextRemoved = 929;
constexpr int32_t kTextRemoveFailed = 981;
constexpr int32_t kTextSaveFailed = 980;
const RecordFileTexts kTexts{930, 803, 805, 982}; // upgraded, other version (+ tail), failed load

struct AutoBlockImage {
    int32_t Time = 0;
    int16_t Use = 0;
    int32_t ThresholdEvents = 0;
    int32_t ThresholdTime = 0;
    int16_t Behaviour = 0;
};

// What a profile file holds, before it is applied.
struct ProfileImage {
    int16_t Enabled = 0;
    Bytes Name;
    std::array<int16_t, kProfileStateCount> States{};
    int16_t UseTimeSchedule = 0;
    int16_t OffDutyAlarmBehaviour = 0;
    Bytes Parallel, Sequential;
    std::array<Bytes, kProfileConditionCount> Conditions{};
    int16_t ViewDayType = 0, ViewTimeAxis = 0;
    int16_t UseExternalTag = 0;
    Bytes ExternalTagName;
    int16_t IgnoreExternalTag = 0;
    int16_t UseExternalFile = 0;
    Bytes ExternalFileName, ExternalFileText;
    int16_t ScanSpecificSystems = 0;
    std::array<int16_t, kSystemCount> Systems{};
    std::optional<DateTime> SavedAt;
    std::optional<AutoBlockImage> AutoBlock;
    std::shared_ptr<cTimeSchedule> Schedule;
};

// Version 4 or 5 after the version field; raises on a short or malformed file.
ProfileImage ParseProfile(FileReader& in, int16_t version) {
    ProfileImage p;
    in.Int16(); // reserved: the identity is the file's number
    p.Enabled = in.Int16();
    p.Name = in.Text();
    for (auto& s : p.States) s = in.Int16();
    p.UseTimeSchedule = in.Int16();
    in.Int16();                        // reserved
    p.OffDutyAlarmBehaviour = in.Int16(); // version 4 keeps it here; version 5 writes 0
    p.Parallel = in.Text();
    p.Sequential = in.Text();
    for (auto& c : p.Conditions) c = in.Text();
    p.ViewDayType = in.Int16();
    p.ViewTimeAxis = in.Int16();
    p.UseExternalTag = in.Int16();
    p.ExternalTagName = in.Text();
    p.IgnoreExternalTag = in.Int16();
    p.UseExternalFile = in.Int16();
    p.ExternalFileName = in.Text();
    p.ExternalFileText = in.Text();
    p.ScanSpecificSystems = in.Int16();
    for (auto& s : p.Systems) s = in.Int16();
    if (version == 5) {
        p.OffDutyAlarmBehaviour = in.Int16();
        p.SavedAt = in.Date();
        AutoBlockImage a;
        a.Time = in.Int32();
        a.Use = in.Int16();
        a.ThresholdEvents = in.Int32();
        a.ThresholdTime = in.Int32();
        a.Behaviour = in.Int16();
        p.AutoBlock = a;
        in.Skip(2032);
    }
    p.Schedule = std::make_shared<cTimeSchedule>();
    p.Schedule->ReadFromDisk(in);
    return p;
}

// The run-time auto-block state starts afresh whenever the file is read or written.
void ResetAutoBlockRunTimeState(cProfile& profile) {
    profile.m_AutoBlockRepeatCount = 0;
    profile.m_AutoBlockFirstAddedTimeStamp = DateTime::Zero();
    profile.m_AutoBlockLockedTimeStamp = DateTime::Zero();
    profile.m_AutoBlockedAlarms.clear();
}

} // namespace

Bytes cProfile::CreateFileName(const ClientState& state, int16_t DiskIdentity) const {
    return state.ServerDataPath + "Profiles\\Profile_" + FourDigitNumber(DiskIdentity) + ".dat";
}

bool cProfile::LoadFromDisk(ClientState& state, int16_t DiskIdentity) {
    const RecordFileLoad load = LoadRecordFile(
        state, CreateFileName(state, DiskIdentity), kTexts, [](int16_t v) { return v == 4 || v == 5; },
        [&](FileReader& in, int16_t version) {
            ProfileImage p = ParseProfile(in, version);
            m_TimeSchedule = std::move(p.Schedule);
            m_Enabled = p.Enabled;
            SetName(state, p.Name);
            for (int i = 0; i < kProfileStateCount; ++i) SetState(i, p.States[i]);
            m_UseTimeSchedule = p.UseTimeSchedule;
            m_OffDutyAlarmBehaviour = p.OffDutyAlarmBehaviour;
            m_ParallellReceivers = std::move(p.Parallel);
            m_SequentialReceivers = std::move(p.Sequential);
            for (int i = 0; i < kProfileConditionCount; ++i) SetCondition(i, Variant(std::move(p.Conditions[i])));
            m_TimeSchedule_ViewDayType = p.ViewDayType;
            m_Calendar_ViewTimeAxis = p.ViewTimeAxis;
            m_UseExternalTag = p.UseExternalTag;
            m_ExternalTagName = std::move(p.ExternalTagName);
            m_IgnoreExternalTagInOtherProfiles = p.IgnoreExternalTag;
            m_UseExternalFile = p.UseExternalFile;
            m_ExternalFileName = std::move(p.ExternalFileName);
            m_ExternalFileText = std::move(p.ExternalFileText);
            m_ScanSpecificSystems = p.ScanSpecificSystems;
            for (int i = 0; i < kSystemCount; ++i) SetSystem(i, p.Systems[i]);
            if (p.AutoBlock) {
                m_UseAutoBlock = p.AutoBlock->Use;
                m_AutoBlockTresholdEvents = p.AutoBlock->ThresholdEvents;
                m_AutoBlockTresholdTime = p.AutoBlock->ThresholdTime;
                m_AutoBlockTime = p.AutoBlock->Time;
                m_AutoBlockBehaviour = p.AutoBlock->Behaviour;
            }
            if (p.SavedAt) m_FileDateTimeStamp = *p.SavedAt;
        });
    m_DiskIdentity = DiskIdentity;
    ResetAutoBlockRunTimeState(*this);
    // Only a file read completely is written again in the current version.
    if (load.Upgrade && load.Result) SaveToDisk(state);
    try {
        StoreOriginalSettings();
    } catch (const EncodeError&) {
        // A profile that never had a schedule, or holds a text too long to carry, has no
        // network form: it keeps no original one.
    }
    return load.Result;
}

bool cProfile::SaveToDisk(ClientState& state) {
    const bool saved = SaveRecordFile(
        state, m_DiskIdentity, m_HasUpdatedDiskIdentity,
        [&](int16_t identity) { return CreateFileName(state, identity); }, kTextSaveFailed,
        [&](FileWriter& out, const DateTime& savedAt) {
            ResetAutoBlockRunTimeState(*this);
            if (!m_TimeSchedule) throw KorvelError("Object required");
            out.Int16(kWrittenVersion);
            out.Int16(0);
            out.Int16(m_Enabled);
            out.Text(GetName());
            for (int i = 0; i < kProfileStateCount; ++i) out.Int16(GetState(i));
            out.Int16(m_UseTimeSchedule);
            out.Int16(0);
            out.Int16(0);
            out.Text(m_ParallellReceivers);
            out.Text(m_SequentialReceivers);
            for (int i = 0; i < kProfileConditionCount; ++i) out.Text(GetCondition(i));
            out.Int16(m_TimeSchedule_ViewDayType);
            out.Int16(m_Calendar_ViewTimeAxis);
            out.Int16(m_UseExternalTag);
            out.Text(m_ExternalTagName);
            out.Int16(m_IgnoreExternalTagInOtherProfiles);
            out.Int16(m_UseExternalFile);
            out.Text(m_ExternalFileName);
            out.Text(m_ExternalFileText);
            out.Int16(m_ScanSpecificSystems);
            for (int i = 0; i < kSystemCount; ++i) out.Int16(GetSystem(i));
            out.Int16(m_OffDutyAlarmBehaviour);
            out.Date(savedAt);
            out.Int32(m_AutoBlockTime);
            out.Int16(m_UseAutoBlock);
            out.Int32(m_AutoBlockTresholdEvents);
            out.Int32(m_AutoBlockTresholdTime);
            out.Int16(m_AutoBlockBehaviour);
            out.Zero(2032);
            m_TimeSchedule->SaveToDisk(out);
        });
    if (saved) StoreOriginalSettings();
    return saved;
}

bool cProfile::RemoveFromDisk(ClientState& state, int16_t DiskIdentity) {
    const bool removed = RemoveRecordFile(state, CreateFileName(state, DiskIdentity), GetName(), kTextRemoved,
                                          kTextRemoveFailed);
    // Last: the entry may hold the last reference to this record.
    state.Profiles.Remove(RecordKey(DiskIdentity));
    return removed;
}

} // namespace korvel
