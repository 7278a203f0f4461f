#pragma once
// The calendar: for every day from 2000-01-01 (day 0) to 2039-12-31 (day 14609) the day
// type the day follows, and the names of the 16 special day types; and the holiday
// labels the server proposes.
//
// Day values: 0 = nothing set (the day follows its weekday), v = 1..23 = day type v - 1
// (1..7 Monday..Sunday, 8..23 the special day types 7..22).

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/datetime.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

class cTimeSchedule;

inline constexpr int kSpecialDayTypeCount = 16; // day types 7..22
inline constexpr int kFirstSpecialDayType = 7;
// Network form of a calendar without days and names: count 0 and 16 empty Strings.
inline constexpr int kEmptyCalendarFormLength = 36;

class cCalendar {
public:
    cCalendar();

    // Data file (written by SaveToDisk).
    Bytes m_FileName;
    DateTime m_TimeStamp;

    // State of the month view that shows the calendar.
    int16_t m_SelectedMonth = 0;
    int16_t m_SelectedYear = 0;
    int32_t m_ActualMonthOffset = 0;
    int32_t m_FirstWeekDayInActualMonth = 0;
    int32_t m_DaysInActualMonth = 0;
    int32_t m_TodaysDayOffset = 0;
    bool m_ShowTimeAxis = false;
    std::shared_ptr<cTimeSchedule> m_AssociatedTimeSchedule;

    // Network form: Int32 n, n x (Int16 day index, Int16 day value) in ascending day order
    // for the days whose value is not 0, then 16 x String name of day types 7..22.
    Bytes CompressToNetworkBytes() const;
    // Parses the network form and advances the position. The whole form is read before
    // anything changes: a form cut short (also inside a name) raises DecodeError and
    // leaves the calendar and the position as they were. Days not listed become 0; pairs
    // whose day lies outside 0..14609 are read and ignored.
    void UncompressFromNetworkBytes(std::string_view PacketData, int32_t& PacketPointer);

    // Texts 611..617 for day types 0..6, the stored names for 7..22, "" for any other.
    Bytes GetDayTypeFullName(ClientState& state, int iDayType) const;
    // The first 3 characters of the full name.
    Bytes GetDayTypeShortName(ClientState& state, int iDayType) const;
    // Day types 7..22 only; others are ignored.
    void SetDayTypeFullName(int iDayType, std::string_view sFullName);

    bool HasChangedSinceLastLoadFromDisk() const;
    void StoreOriginalSettings();
    const Bytes& SavedNetworkBytes() const { return m_SavedNetworkBytes; }
    // A hash of what the network form carries (every day's value and the names), without
    // building the form: equal forms give equal hashes. For state digests.
    std::size_t FormHash() const;

    // Every day's value = 0; names stay.
    void ClearDayTypes();
    // Always 0 (no operation sets the flags); 0 for a day type outside 0..22 too.
    int16_t IsDayTypeUsed(int DayType) const;
    bool ReadFromDisk() { return true; }
    // Writes the calendar file to m_FileName when there is a name and the calendar has
    // changed; false when nothing was written. A failed write raises FileError and keeps
    // the old file (core/records/calendar_file.cpp).
    bool SaveToDisk(ClientState& state);

    // False when no file of that name exists while any day is set; otherwise compares
    // the file's first 14610 little-endian Int16 values with the days (a missing file is
    // created empty; values missing from a short file count as 0).
    bool CompareToDiskOrSeeIfAnyDayIsSet(const ClientState& state, const std::string& CalendarName);
    // True when every day has the same value in both; names are not compared.
    bool CompareToOtherCalendar(const cCalendar& OtherCalendar) const;

    // Days outside 0..14609: SetDayType ignores the call and GetDayType gives 0.
    void SetDayType(int32_t TheDay, int16_t DayType);
    int16_t GetDayType(int32_t TheDay) const;

    bool AnyDayIsSet() const;

private:
    std::vector<int16_t> m_DayTypeOfDay;                       // days 0..14609
    std::array<Bytes, kSpecialDayTypeCount> m_DayTypeNames{};  // day types 7..22
    std::array<int16_t, 23> m_DayTypeUsed{};
    Bytes m_SavedNetworkBytes;
};

// A labelled special day the server proposes (message 142).
class cHolidayLabel {
public:
    int16_t m_Day = 0;       // day index, 0 = 2000-01-01
    int16_t m_DayType = 0;   // proposed day value, coded as the calendar's
    bool m_ViewInCalendar = false;
    Bytes m_Label;
    bool operator==(const cHolidayLabel&) const = default;
};

} // namespace korvel
