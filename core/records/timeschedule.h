#pragma once
// The weekly time schedule of a profile: for each of 23 day types an active flag, a
// grouped flag, a row index of the schedule grid and the periods of the day, with the
// editing operations of the schedule grid and the compact network form (the period
// string).
//
// Day types 0..6 are Monday..Sunday, 7..22 the special day types of the calendar.
// Flags written here are -1 (true) and 0 (false); flags read from a period string keep
// the value read, and every test of a flag takes any nonzero value as true.
// Operations given a day type outside 0..22 do nothing (look-ups give 0 or none).
//
// The schedule grid widget draws the schedule and shares the selection fields below with
// these operations. Operations that change what is shown call back into the grid through
// ScheduleView: the host's period text boxes, the Monday-to-Friday menu mark, and
// repainting one row or the whole grid.

#include "core/clientstate.h"
#include "core/codec.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace korvel {

class FileReader;
class FileWriter;

inline constexpr int kDayTypeCount = 23;      // day types 0..22
inline constexpr int kMinutesPerDay = 1440;   // 1440 = end of the day
// Length of the period string of a schedule without periods.
inline constexpr int kEmptyPeriodArrayLength = 186;

// Minutes from start up to, not including, stop. Nothing forces start <= stop.
struct cTimeSchedulePeriod {
    int16_t m_StartMinute = 0;
    int16_t m_StopMinute = 0;
};

// Periods are shared objects: the grid's selection and drag keep pointing at the same
// period while the lists change around it.
using PeriodPtr = std::shared_ptr<cTimeSchedulePeriod>;
using PeriodList = std::vector<PeriodPtr>;

// What the editing operations need from the grid that shows the schedule. The defaults
// do nothing and give empty texts, for a schedule edited without a view.
class ScheduleView {
public:
    virtual ~ScheduleView() = default;
    virtual Bytes Get_Text_Schedule_Period_Start() { return {}; }
    virtual Bytes Get_Text_Schedule_Period_Stop() { return {}; }
    virtual void Set_Text_Schedule_Period_Start(std::string_view) {}
    virtual void Set_Text_Schedule_Period_Stop(std::string_view) {}
    virtual bool Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked() { return false; }
    // Repaints the row of one day type (called only with 0..22).
    virtual void PaintDayTypeAxis(int /*dayType*/) {}
    // Repaints the whole grid.
    virtual void Paint() {}
};

class cTimeSchedule {
public:
    cTimeSchedule();
    // A copy has periods of its own; its selection points at its own copy of the
    // selected period (none when that period is in no list).
    cTimeSchedule(const cTimeSchedule& other);
    cTimeSchedule& operator=(const cTimeSchedule& other);
    cTimeSchedule(cTimeSchedule&&) noexcept = default;
    cTimeSchedule& operator=(cTimeSchedule&&) noexcept = default;

    // Model.
    std::array<int16_t, kDayTypeCount> m_Active{};   // day type has a row in the grid
    std::array<int16_t, kDayTypeCount> m_Grouped{};  // all grouped day types share periods
    std::array<PeriodList, kDayTypeCount> m_Periods; // in the order added, never sorted
    std::array<int16_t, kDayTypeCount> m_AxisIndex{}; // row of the day type in the grid
    int16_t m_UseCalendar = 0;                        // special day types 7..22 take part

    // Shared with the grid.
    int32_t m_SelectedDayType = -1;
    PeriodPtr m_SelectedPeriod;
    int32_t m_CopiedDayType = -1;
    int32_t m_EditStartMinute = 0;
    int32_t m_EditStopMinute = 0;
    int16_t m_NumberOfAxisToPaint = 0; // rows of the grid, kept by the grid

    // The period after LastTimePeriod (the first when it is none) of an active day type;
    // its start and stop go to StartTime and StopTime. None when there is no such period.
    PeriodPtr GetNextTimePeriod(int DayType, int16_t& StartTime, int16_t& StopTime,
                                const PeriodPtr& LastTimePeriod) const;
    // The period list of an active day type (later changes show through), or none.
    PeriodList* GetTimeSchedulePeriod(int iDayType);

    void SetActive(int DayType, int16_t State);
    int16_t GetActive(int DayType) const;

    // Monday..Friday: active, grouped, and one more period 07:00-16:00 each.
    void SetDefaultPeriod();

    // The period string: for day types 0..22 the Int16 values active, grouped, n, n x
    // (start, stop), row index; then Int16 use-calendar. 186 bytes without periods.
    // A string over 32767 bytes cannot be carried and raises EncodeError.
    Bytes ComposePeriodArray() const;
    std::size_t PeriodArrayLength() const;
    // Appends the period string (without a length field); EncodeError as above.
    void AppendPeriodArray(Bytes& out) const;
    // Replaces every day type's flags, periods and row index and the use-calendar flag by
    // those of the period string. Values are stored as read; nothing is merged. A string
    // shorter than its fields raises DecodeError and leaves the schedule as it was. The
    // selection and the copied day type are not touched. Returns true when the string is
    // exactly what ComposePeriodArray gives back (no negative count, nothing after it).
    bool ExtractPeriodArray(std::string_view PeriodArray);
    // The schedule block of the profile's record file (core/records/schedule_file.cpp).
    // ReadFromDisk raises ShortFileError or DecodeError on a short or malformed block.
    void SaveToDisk(FileWriter& FileNumber) const;
    void ReadFromDisk(FileReader& FileNumber);

    // Editing operations of the grid's pop-up menu and time boxes.
    void Copy();
    void Paste(ScheduleView& view);
    // Removes every period of the selected day type when the server's setting
    // ClearAllDayWhenDeleting is on, else the selected period; then ungroups the day
    // type and ends the selection.
    void Delete(const ClientState& state, ScheduleView& view);
    void SetTimeFrom00to24(ScheduleView& view);
    void ExtractTimeFromTextboxes(ScheduleView& view);
    void InvertTimeSchedule(ScheduleView& view);
    void Group(ScheduleView& view);
    void GroupMonFri(ScheduleView& view);

    // Merges periods of the day type that overlap or touch, until none do.
    void MergeOverlappingPeriods(int32_t DayType);
    // Gives every other grouped day type copies of the day type's periods (when it is
    // grouped), merged and repainted.
    void CopyToGroupedDayTypes(ScheduleView& view, int32_t DayType);

private:
    static bool IsDayType(int64_t d) { return d >= 0 && d < kDayTypeCount; }
    void CopyPeriods(int from, int to);
    void PaintRow(ScheduleView& view, int64_t dayType) const;
};

} // namespace korvel
