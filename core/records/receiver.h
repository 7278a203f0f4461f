#pragma once
// cReceiver: one receiver of alarms as the server stores it, with its network form, its
// change tracking and its type look-up.
//
// Operations that read the client state (receiver types, numbered texts, the clock of
// the state's environment) take it as their first argument; no record keeps a reference
// to a state. Records are held by std::shared_ptr in the state's collections.

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/datetime.h"
#include "core/recordname.h"
#include "core/records/variant.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

namespace korvel {

// Number of type-specific settings of a receiver (0..3).
inline constexpr int kReceiverSettingCount = 4;
// Length of the network form of a receiver whose texts are all empty.
inline constexpr int kEmptyReceiverFormLength = 34;

class cReceiver {
public:
    // Every field has its start value below. Provided (not defaulted) so that making a
    // receiver, as make_shared does, does not first clear the whole object to zero.
    cReceiver() {}

    int16_t m_DiskIdentity = -1;       // -1 = not yet stored at the server
    int16_t m_Enabled = -1;            // -1 true, 0 false
    int16_t m_ReceiverTypeIndex = -1;  // row in ReceiverTypes, -1 = no such type
    Bytes m_ReceiverTypeName;
    RecordName m_ReceiverName;         // possibly with an "Area\" prefix; reads as a Bytes
    Bytes m_BackupReceiver;
    DateTime m_FileDateTimeStamp;
    bool m_SendingFailed = false;      // kept for the server; the client never reads it
    DateTime m_LastKeepAlive;
    int32_t m_KeepAliveInterval = 0;   // seconds; 0 = none
    int16_t m_HasUpdatedDiskIdentity = 0;
    Bytes m_OriginalName;              // kept for the server; the client never reads it
    bool m_SendingToPrimaryReceiverTypeFailed = false; // kept for the server

    // Network form: String name, Int16 enabled, Int16 identity, Int16 type id, String
    // backup receiver, Date file time stamp, Int32 keep-alive interval, 4 x String setting.
    Bytes CompressToNetworkBytes() const;
    void AppendNetworkBytes(Bytes& out) const;
    void StoreOriginalSettings();
    // Parses the network form at the position and advances it. The whole form is read
    // before anything changes: a form cut short (also inside a text) raises DecodeError
    // and leaves the receiver and the position as they were. The type id is applied with
    // SetReceiverTypeId before the settings, so the keep-alive rule sees setting 1 as it
    // was; field 7 then replaces the interval it computed. Fields outside the form keep
    // their values.
    void UncompressFromNetworkBytes(ClientState& state, std::string_view PacketData, int32_t& PacketPointer);
    // UncompressFromNetworkBytes followed by StoreOriginalSettings; the form read is kept
    // as it stands when writing it again would give the same bytes.
    void UncompressAndStoreOriginalSettings(ClientState& state, std::string_view PacketData, int32_t& PacketPointer);
    // The same for a receiver of a list: a form kept as it stands is appended to ListForms,
    // the one block that holds the saved forms of the whole list, and the receiver keeps
    // its slice of it (a list costs one block for its forms, not one per receiver). The
    // block is only ever appended to while the list is read; whoever stores a form again
    // later gets a form of its own.
    void UncompressAndStoreOriginalSettings(ClientState& state, std::string_view PacketData, int32_t& PacketPointer,
                                            const std::shared_ptr<Bytes>& ListForms);

    int16_t GetReceiverTypeId() const { return m_ReceiverTypeId; }
    // Index 0..3; any other raises std::out_of_range and changes nothing.
    Variant GetSetting(int Index) const;
    void SaveSetting(int Index, Variant NewValue);

    // True when the network form differs from the one remembered by StoreOriginalSettings
    // (also for a receiver that never remembered one).
    bool HasChangedSinceLastLoadFromDisk() const;
    std::string_view SavedNetworkBytes() const {
        if (m_SavedListForms)
            return std::string_view(*m_SavedListForms).substr(m_SavedListAt, m_SavedListLength);
        return m_SavedNetworkBytes;
    }

    // Takes exactly the network fields of the other receiver.
    void CopyFrom(ClientState& state, const cReceiver& Receiver);

    // Sets the type id, and from the row of ReceiverTypes with that id the type index,
    // the type name and (for the keep-alive protocols "ILM" and "ILMTCP") the keep-alive
    // interval and time. Without such a row the name is "(" & text 1088 & ": " & the
    // four-digit id & ")" and the keep-alive fields keep their values.
    void SetReceiverTypeId(ClientState& state, int16_t TypeId);

    void StoreInDeletedFileForRedundantPartner(int16_t /*DiskIdentity*/) {}

    // Record file (core/records/receiver_file.cpp, docs/datafiles.md).
    Bytes CreateFileName(const ClientState& state, int16_t DiskIdentity) const;
    bool LoadFromDisk(ClientState& state, int16_t DiskIdentity);
    bool SaveToDisk(ClientState& state);
    // False when the file could not be removed; the entry leaves Receivers either way.
    bool RemoveFromDisk(ClientState& state, int16_t DiskIdentity);

private:
    // Returns true when the form read is exactly what CompressToNetworkBytes gives back.
    bool Parse(ClientState& state, std::string_view PacketData, int32_t& PacketPointer);
    // Remembers the form as the receiver's own.
    void KeepOwnForm(std::string_view Form);
    void KeepOwnForm(Bytes&& Form);

    int16_t m_ReceiverTypeId = -1;
    std::array<Variant, kReceiverSettingCount> m_Settings{};
    // The form remembered by StoreOriginalSettings: a slice of the forms of the list it came
    // in while m_SavedListForms is set, else m_SavedNetworkBytes.
    Bytes m_SavedNetworkBytes;
    std::shared_ptr<const Bytes> m_SavedListForms;
    uint32_t m_SavedListAt = 0;
    uint32_t m_SavedListLength = 0;
};

} // namespace korvel
