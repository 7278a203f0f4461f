#pragma once
// cProfile: one alarm profile as the server stores it, with its network form, its names
// with "@" nesting, its indexed fields, its change tracking and its time schedule; and
// cAutoBlockedAlarm, an alarm held back at run time.
//
// Operations that read the client state (the child-profiles flag, numbered texts) take
// it as their first argument; no record keeps a reference to a state.

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/datetime.h"
#include "core/recordname.h"
#include "core/records/timeschedule.h"
#include "core/records/variant.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace korvel {

inline constexpr int kProfileStateCount = 3;     // states 0..2
inline constexpr int kProfileConditionCount = 6; // conditions 0..5

class cAutoBlockedAlarm {
public:
    Bytes m_TagName;
    int16_t m_RepeatCount = 0;
    DateTime m_FirstAddedTimeStamp;
    DateTime m_LockedTimeStamp;
    int16_t m_Status = 0; // 0..2

    // Texts 837, 838, 839 for the statuses 0, 1, 2; "" for any other.
    Bytes GetStatusAsText(ClientState& state) const;
};

class cProfile {
public:
    cProfile() = default;
    // A copy has a schedule of its own.
    cProfile(const cProfile& other);
    cProfile& operator=(const cProfile& other);
    cProfile(cProfile&&) noexcept = default;
    cProfile& operator=(cProfile&&) noexcept = default;

    int16_t m_DiskIdentity = -1; // -1 = not yet stored; the editor uses -2, -3 ... for new ones
    int16_t m_Enabled = -1;
    Bytes m_ParentName;          // upper-cased name of the parent (set by SetName)
    int16_t m_NestingLevels = 0; // number of "@" in the name (set by SetName)
    int16_t m_UseTimeSchedule = 0;
    Bytes m_ParallellReceivers;
    Bytes m_SequentialReceivers;
    int16_t m_TimeSchedule_ViewDayType = 0;
    int16_t m_Calendar_ViewTimeAxis = 0;
    int16_t m_UseExternalTag = 0;
    Bytes m_ExternalTagName;
    int16_t m_IgnoreExternalTagInOtherProfiles = 0;
    int16_t m_UseExternalFile = 0;
    Bytes m_ExternalFileName;
    Bytes m_ExternalFileText;
    int16_t m_ScanSpecificSystems = 0;
    int16_t m_OffDutyAlarmBehaviour = 0;
    int16_t m_UseAutoBlock = 0;
    int32_t m_AutoBlockTresholdEvents = 0;
    int32_t m_AutoBlockTresholdTime = 0;
    int32_t m_AutoBlockTime = 0;
    int16_t m_AutoBlockBehaviour = 0;
    int16_t m_AutoBlockRepeatCount = 0;
    DateTime m_AutoBlockFirstAddedTimeStamp;
    DateTime m_AutoBlockLockedTimeStamp;
    std::shared_ptr<cTimeSchedule> m_TimeSchedule; // owned by the profile; none on a new one
    Bytes m_Original_Settings;                     // network form remembered by StoreOriginalSettings
    std::vector<std::shared_ptr<cAutoBlockedAlarm>> m_AutoBlockedAlarms;
    DateTime m_FileDateTimeStamp;

    // The network form (96 fields, ending with the period string as a String and the
    // auto-block behaviour). A profile without a schedule has no form: EncodeError.
    Bytes CompressToNetworkBytes() const;
    void AppendNetworkBytes(Bytes& out) const;
    // Parses the network form at the position and advances it; the profile gets a new
    // schedule of its own. The whole form is read before anything changes: a form cut
    // short (also inside a text) raises DecodeError and leaves the profile and the
    // position as they were. Fields outside the form keep their values.
    void UncompressFromNetworkBytes(const ClientState& state, std::string_view PacketData, int32_t& PacketPointer);
    // UncompressFromNetworkBytes followed by StoreOriginalSettings; the form read is kept
    // as it stands when writing it again would give the same bytes.
    void UncompressAndStoreOriginalSettings(const ClientState& state, std::string_view PacketData,
                                            int32_t& PacketPointer);

    bool HasChangedSinceLastLoadFromDisk() const;
    void StoreOriginalSettings();
    // Takes every field of the other profile's network form, with a schedule of its own.
    void CopyFrom(const ClientState& state, const cProfile& Profile);

    const Bytes& GetName() const { return m_Name.Text(); }
    // The name itself, which notes its changes (for the index of names of a collection).
    const RecordName& NameField() const { return m_Name; }
    // Sets the name; with ChildProfilesAllowed also the parent (the name up to its last
    // "@", upper-cased) and the nesting levels (the number of "@").
    void SetName(const ClientState& state, std::string_view NewName);

    // Indexed fields; an index outside the range raises std::out_of_range and changes nothing.
    const Bytes& GetCondition(int Index) const;
    void SetCondition(int Index, const Variant& NewValue);
    int16_t GetState(int Index) const;
    void SetState(int Index, int16_t NewValue);
    int16_t GetSystem(int Index) const;
    void SetSystem(int Index, int16_t NewValue);

    void StoreInDeletedFileForRedundantPartner(int16_t /*DiskIdentity*/) {}

    // Record file (core/records/profile_file.cpp, docs/datafiles.md).
    int16_t m_HasUpdatedDiskIdentity = 0; // the last SaveToDisk drew a new identity
    Bytes CreateFileName(const ClientState& state, int16_t DiskIdentity) const;
    bool LoadFromDisk(ClientState& state, int16_t DiskIdentity);
    bool SaveToDisk(ClientState& state);
    // False when the file could not be removed; the entry leaves Profiles either way.
    bool RemoveFromDisk(ClientState& state, int16_t DiskIdentity);

private:
    // Returns true when the form read is exactly what CompressToNetworkBytes gives back.
    bool Parse(const ClientState& state, std::string_view PacketData, int32_t& PacketPointer);
    // SetName taking the name over.
    void SetOwnName(const ClientState& state, Bytes&& NewName);

    RecordName m_Name;
    std::array<int16_t, kProfileStateCount> m_State{};
    std::array<Bytes, kProfileConditionCount> m_Condition{};
    std::array<int16_t, kSystemCount> m_System{};
};

} // namespace korvel
