#pragma once
// The client's picture of the server: settings, texts, tables and record collections
// that the shared decoder fills and every other part reads. One ClientState exists per
// control deliverable (each control plug-in holds its own and shares it among its
// instances); every core operation takes it explicitly, so tests build a fresh one.
// Everything starts empty, zero or false; nothing clears it when a connection closes.

#include "core/codec.h"
#include "core/keyedcollection.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvel {

class cProfile;
class cReceiver;
class cCalendar;
class cHolidayLabel;
class ISocket;
class ISettingsStore;
struct DataFileEnvironment;

// Sizes of the fixed tables.
inline constexpr int kReceiverTypeRows = 300;  // rows 0..299
inline constexpr int kSystemCount = 64;        // systems 0..63
inline constexpr int kCalendarDays = 14610;    // day 0 = 2000-01-01 .. day 14609 = 2039-12-31
inline constexpr int kProtocolVersion = 21;

// User-rights bits the controls test; the server decides all others.
inline constexpr int32_t RightSendTextMessages = 0x02;
inline constexpr int32_t RightEditReceivers = 0x20;
inline constexpr int32_t RightEnableOrDisableProfiles = 0x80;

// One row of message 140. The texts marked unused are kept but never read.
struct ReceiverTypeRow {
    int16_t TypeId = 0;
    Bytes TypeName;
    Bytes Unused1;
    Bytes ProtocolCode;
    int16_t MaxTextLength = 0;
    Bytes Unused2;
    Bytes Unused3;
    Bytes CountryList;
    Bytes ParameterLayout;
    Bytes Unused4;
    Bytes Unused5;
    bool operator==(const ReceiverTypeRow&) const = default;
};

struct ReceiverTypeTable {
    int16_t Count = 0; // bounds every look-up (together with the table size)
    std::array<ReceiverTypeRow, kReceiverTypeRows> Rows{};
    // Number of rows a search may visit: min(Count, 300), never negative.
    int SearchBound() const { return Count < 0 ? 0 : (Count > kReceiverTypeRows ? kReceiverTypeRows : Count); }
};

struct SettingSectionTable {
    int16_t Count = 0;
    std::vector<Bytes> Names;
    std::vector<Bytes> Bodies; // each body with a zero byte added at both ends
};

struct TextRow {
    int32_t TextId = 0;
    int32_t Start = 0; // 1 is the blob's first byte
    int32_t Length = 0;
    bool operator==(const TextRow&) const = default;
};

struct TextTableData {
    std::vector<TextRow> Rows;
    Bytes Blob;
};

class ClientState {
public:
    // Connection (shared by every instance of the control).
    ISocket* ServerSocket = nullptr;
    std::string ServerAddress;
    int32_t ServerPort = 0;
    Bytes Area;
    Bytes Password;
    bool IgnoreCtrlWhenEnablingOrDisabling = false;
    bool ConnectAttempted = false;

    // Per-user settings store for the text cache; set by the control that owns the state.
    ISettingsStore* SettingsStore = nullptr;

    // File system, clock, random source and trace sink of the record data files; null =
    // the process's default (core/datafile.h).
    DataFileEnvironment* DataFiles = nullptr;

    // Filled by the server's messages.
    Bytes ServerDataPath;
    int16_t ServerKind = 0;
    int32_t UserRights = 0;
    SettingSectionTable SettingSections;
    bool ClearAllDayWhenDeleting = false;
    bool ViewAllReceiversSetting = false;
    bool UseCountryFilterSetting = false;
    Bytes CountryFilterSetting;
    bool ChildProfilesAllowed = false;
    TextTableData TextTable;
    ReceiverTypeTable ReceiverTypes;
    std::array<Bytes, kSystemCount> SystemNames{};
    std::vector<std::shared_ptr<cHolidayLabel>> HolidayLabels;
    std::vector<bool> HolidayDayFlags = std::vector<bool>(kCalendarDays, false);
    std::shared_ptr<cCalendar> SharedCalendar; // created when first used
    KeyedCollection<cProfile> Profiles;
    KeyedCollection<cReceiver> Receivers;
};

} // namespace korvel
