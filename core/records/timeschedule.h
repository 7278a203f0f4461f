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

#include <algorithm>
#include <array>
#include <initializer_list>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <string_view>

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

// The ordered periods of one day type: a vector of PeriodPtr (the operations of
// std::vector that the schedule and the grid use, with the same meaning). The lists of a
// schedule parsed from a period string start packed: their periods lie in one block shared
// by the whole schedule, and a list makes its PeriodPtr elements only when something first
// looks at them or changes them (decoding a list of profiles then costs one allocation per
// schedule for all its periods). size() and empty() never unpack.
class PeriodList {
public:
    using value_type = PeriodPtr;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = PeriodPtr&;
    using const_reference = const PeriodPtr&;
    using iterator = PeriodPtr*;
    using const_iterator = const PeriodPtr*;

    PeriodList() = default;
    PeriodList(std::initializer_list<PeriodPtr> periods);
    // A copy shares the period objects, as a copied vector of PeriodPtr would.
    PeriodList(const PeriodList& other);
    PeriodList(PeriodList&& other) noexcept { TakeFrom(other); }
    PeriodList& operator=(const PeriodList& other);
    PeriodList& operator=(PeriodList&& other) noexcept {
        if (this != &other) {
            Release();
            TakeFrom(other);
        }
        return *this;
    }
    ~PeriodList() { Release(); }

    size_type size() const { return m_Size; }
    bool empty() const { return m_Size == 0; }
    size_type capacity() const { return m_Packed ? m_Size : m_Capacity; }
    void reserve(size_type count) {
        Unpack();
        if (count > m_Capacity) Reallocate(count);
    }
    void clear() {
        m_Packed.reset();
        std::destroy(m_Data, m_Data + (m_Data ? m_Size : 0));
        m_Size = 0;
    }

    iterator begin() { return Elements(); }
    iterator end() { return Elements() + m_Size; }
    const_iterator begin() const { return Elements(); }
    const_iterator end() const { return Elements() + m_Size; }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }
    PeriodPtr* data() { return Elements(); }
    const PeriodPtr* data() const { return Elements(); }

    PeriodPtr& operator[](size_type i) { return Elements()[i]; }
    const PeriodPtr& operator[](size_type i) const { return Elements()[i]; }
    PeriodPtr& at(size_type i);
    const PeriodPtr& at(size_type i) const;
    PeriodPtr& front() { return Elements()[0]; }
    const PeriodPtr& front() const { return Elements()[0]; }
    PeriodPtr& back() { return Elements()[m_Size - 1]; }
    const PeriodPtr& back() const { return Elements()[m_Size - 1]; }

    void push_back(const PeriodPtr& period) { emplace_back(period); }
    void push_back(PeriodPtr&& period) { emplace_back(std::move(period)); }
    template <class... Args>
    PeriodPtr& emplace_back(Args&&... args) {
        Unpack();
        if (m_Size == m_Capacity) {
            // Made before growing: an argument may be an element of this list.
            PeriodPtr period(std::forward<Args>(args)...);
            Reallocate(m_Capacity < 2 ? 4 : 2 * static_cast<size_type>(m_Capacity));
            return *::new (static_cast<void*>(m_Data + m_Size++)) PeriodPtr(std::move(period));
        }
        return *::new (static_cast<void*>(m_Data + m_Size++)) PeriodPtr(std::forward<Args>(args)...);
    }
    void pop_back() {
        Unpack();
        std::destroy_at(m_Data + --m_Size);
    }
    iterator erase(const_iterator position) { return erase(position, position + 1); }
    iterator erase(const_iterator first, const_iterator last);

    friend bool operator==(const PeriodList& a, const PeriodList& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }

private:
    friend class cTimeSchedule;
    PeriodPtr* Elements() const {
        if (m_Packed) Unpack();
        return m_Data;
    }
    void Unpack() const {
        if (m_Packed) UnpackNow();
    }
    // Gives the packed periods their PeriodPtr elements (they keep the block alive).
    void UnpackNow() const;
    // The start and stop of every period in order, without unpacking.
    template <class F>
    void ForEachSpan(F f) const {
        if (m_Packed)
            for (std::size_t i = 0; i < m_Size; ++i) f(m_Packed.get()[i]);
        else
            for (std::size_t i = 0; i < m_Size; ++i) f(*m_Data[i]);
    }
    // Moves the elements to storage for count elements.
    void Reallocate(size_type count);
    // Lets go of every element and of the storage.
    void Release() noexcept;
    void TakeFrom(PeriodList& other) noexcept {
        m_Data = std::exchange(other.m_Data, nullptr);
        m_Size = std::exchange(other.m_Size, 0);
        m_Capacity = std::exchange(other.m_Capacity, 0);
        m_Packed = std::move(other.m_Packed);
    }

    // Unpacked: m_Data holds m_Size elements in storage for m_Capacity. Packed: m_Data is
    // null and the periods are m_Packed[0..m_Size).
    mutable PeriodPtr* m_Data = nullptr;
    mutable uint32_t m_Size = 0;
    mutable uint32_t m_Capacity = 0;
    mutable std::shared_ptr<cTimeSchedulePeriod[]> m_Packed;
};

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
