#pragma once
// The calendar month: one month of the calendar as a Monday-first grid of date boxes, on
// which the user "paints" the day type selected in the host's day-type combo by pressing
// and dragging over days. Like the schedule grid it owns no window: it draws on the
// host's PaintSurface and reaches the host's combo, image list and month caption through
// EditorHost. It reads the server's holiday labels for colours and tool tips and, when
// the calendar asks for it, draws each day's schedule as a small time axis.
//
// Geometry in surface pixels: 7 columns of 50 from x = 30 to 380, 6 week rows of 32 from
// y = 25 to 217; the date box of a cell is 47 x 29 from (50 column + 32, 32 row + 27).
// Week numbers follow the host's week rule (ISO 8601 unless the user's locale says otherwise).
//
// The month shown is kept in the calendar's own fields (m_SelectedYear, ...); the press
// and drag state lives here. Every call takes the calendar, so the object survives the
// calendar being replaced.

#include "core/clientstate.h"
#include "core/records/calendar.h"
#include "core/widgets/editorhost.h"
#include "core/widgets/paintsurface.h"

#include <cstdint>

namespace korvel {

inline constexpr int kFirstCalendarYear = 2000;
inline constexpr int kLastCalendarYear = 2039;

// Days since 1970-01-01 of 2000-01-01, day 0 of the calendar.
inline constexpr int64_t kCalendarEpochCivilDays = 10957;

// Week of the year (1..53) of a calendar day index (days since 2000-01-01) under a week
// rule; days before the year's week 1 belong to the last week of the year before, days
// from the next year's week 1 on to week 1.
int WeekOfDayIndex(int64_t dayIndex, WeekRule rule);
// The same under ISO 8601 (Monday first; week 1 holds the year's first Thursday).
inline int IsoWeekOfDayIndex(int64_t dayIndex) { return WeekOfDayIndex(dayIndex, WeekRule{}); }

class CalendarMonth final {
public:
    CalendarMonth(EditorHost& host, ClientState& state);

    // Derives the shown month's first day, its weekday, its length and today's day index
    // from m_SelectedYear / m_SelectedMonth (brought into January 2000 .. December 2039
    // first, months outside 1..12 carrying into the year) and ends any painting.
    void RecalculateAndPrepareToPaint(cCalendar& calendar);
    // Grid, header, week numbers and every date box; sets the host's month caption.
    void Paint(cCalendar& calendar, PaintSurface& surface);
    // One date box (day index within the shown month, 0-based; others draw nothing).
    void PaintDateBox(cCalendar& calendar, PaintSurface& surface, int DateToPaintInActualMonth);

    void MouseDown(cCalendar& calendar, PaintSurface& surface, int Button, int Shift, double x, double y);
    void MouseMove(cCalendar& calendar, PaintSurface& surface, int Button, int Shift, double x, double y);
    void MouseUp(int Button, int Shift, double x, double y);

    // Day of the shown month (0-based) under (x, y), or -1.
    int GetDayIndexAtPosition(const cCalendar& calendar, double x, double y) const;

    int16_t PressedButton() const { return m_PressedButton; }
    int16_t PaintDayValue() const { return m_PaintDayValue; }
    int32_t LastDayIndex() const { return m_LastDayIndex; }

private:
    void PaintDay(cCalendar& calendar, PaintSurface& surface, int day);
    Bytes ToolTipOfDay(const cCalendar& calendar, int32_t dayIndex);
    bool HasVisibleHolidayLabel(int32_t dayIndex) const;

    EditorHost& m_ParentContainer;
    ClientState& m_State;
    int16_t m_PressedButton = 0;  // button held since the last press, 0 none
    int16_t m_PaintDayValue = -1; // stored value being painted, -1 none
    int32_t m_LastDayIndex = 0;   // day under the pointer at the previous move
};

} // namespace korvel
