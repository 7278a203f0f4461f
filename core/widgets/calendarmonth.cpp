#include "core/widgets/calendarmonth.h"

#include "core/datafile.h"
#include "core/datetime.h"
#include "core/records/timeschedule.h"
#include "core/serversettings.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace korvel {
namespace {

constexpr int kLeft = 30, kRight = 380, kTop = 25, kBottom = 217;
constexpr int kColumnWidth = 50, kRowHeight = 32;
constexpr int kBoxWidth = 47, kBoxHeight = 29, kStripWidth = 14;
constexpr int kHighestDayValue = 23; // day type 22

int Nearest(double v) { return static_cast<int>(std::nearbyint(v)); }

int64_t FloorMod(int64_t a, int64_t m) { return ((a % m) + m) % m; }

// Monday = 0 of a day counted from 1970-01-01 (a Thursday).
int WeekdayOfCivilDays(int64_t days) { return static_cast<int>(FloorMod(days + 3, 7)); }

// Year of a day counted from 1970-01-01 (proleptic Gregorian).
int64_t YearOfCivilDays(int64_t days) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    return yoe + era * 400 + (mp >= 10 ? 1 : 0);
}

bool IsCalendarDay(int64_t day) { return day >= 0 && day < kCalendarDays; }

bool HasHolidayFlag(const ClientState& state, int64_t day) {
    return day >= 0 && static_cast<std::size_t>(day) < state.HolidayDayFlags.size() &&
           state.HolidayDayFlags[static_cast<std::size_t>(day)];
}

struct Cell {
    int row, column;
};

Cell CellOfDay(const cCalendar& calendar, int day) {
    const int c = calendar.m_FirstWeekDayInActualMonth + day;
    return {c / 7, c % 7};
}

} // namespace

int WeekOfDayIndex(int64_t dayIndex, WeekRule rule) {
    const int first = static_cast<int>(FloorMod(rule.firstWeekday, 7));
    const int64_t minDays = std::clamp(rule.minDaysInFirstWeek, 1, 7);
    // First day of week 1 of a year: the start of the week holding 1 January, or of the
    // week after when too few of its days lie in the new year.
    auto weekOneStart = [&](int64_t year) {
        const int64_t january1 = DaysFromCivil(year, 1, 1);
        const int64_t start = january1 - FloorMod(WeekdayOfCivilDays(january1) - first, 7);
        return 7 - (january1 - start) >= minDays ? start : start + 7;
    };
    const int64_t civil = dayIndex + kCalendarEpochCivilDays;
    const int64_t year = YearOfCivilDays(civil);
    if (civil >= weekOneStart(year + 1)) return 1;
    const int64_t start = civil >= weekOneStart(year) ? weekOneStart(year) : weekOneStart(year - 1);
    return static_cast<int>((civil - start) / 7 + 1);
}

CalendarMonth::CalendarMonth(EditorHost& host, ClientState& state) : m_ParentContainer(host), m_State(state) {}

void CalendarMonth::RecalculateAndPrepareToPaint(cCalendar& calendar) {
    // Months outside 1..12 carry into the year; the month is then kept within the days
    // the calendar holds, so every day shown has a day index 0..14609.
    int64_t months = static_cast<int64_t>(calendar.m_SelectedYear) * 12 + (calendar.m_SelectedMonth - 1);
    months = std::clamp<int64_t>(months, int64_t{kFirstCalendarYear} * 12, int64_t{kLastCalendarYear} * 12 + 11);
    const int year = static_cast<int>(months / 12);
    const int month = static_cast<int>(months % 12) + 1;
    calendar.m_SelectedYear = static_cast<int16_t>(year);
    calendar.m_SelectedMonth = static_cast<int16_t>(month);

    const int64_t first = DaysFromCivil(year, month, 1);
    const int64_t next = month == 12 ? DaysFromCivil(year + 1, 1, 1) : DaysFromCivil(year, month + 1, 1);
    calendar.m_ActualMonthOffset = static_cast<int32_t>(first - kCalendarEpochCivilDays);
    calendar.m_FirstWeekDayInActualMonth = WeekdayOfCivilDays(first);
    calendar.m_DaysInActualMonth = static_cast<int32_t>(next - first);

    const DateTime now = DataFilesOf(m_State).Now();
    calendar.m_TodaysDayOffset =
        static_cast<int32_t>(now.DayNumber() - DateTime::FromParts(kFirstCalendarYear, 1, 1).DayNumber());
    m_PaintDayValue = -1;
}

int CalendarMonth::GetDayIndexAtPosition(const cCalendar& calendar, double x, double y) const {
    if (!(x > kLeft && x < kRight && y > kTop && y < kBottom)) return -1; // also NaN
    // Fractions round to the nearest pixel; a point that rounds onto the grid's far edge
    // stays in the last column or row.
    const int row = std::min(Nearest(y - kTop) / kRowHeight, 5);
    const int column = std::min(Nearest(x - kLeft) / kColumnWidth, 6);
    const int day = 7 * row - calendar.m_FirstWeekDayInActualMonth + column;
    if (day < 0 || day >= calendar.m_DaysInActualMonth) return -1;
    return day;
}

void CalendarMonth::Paint(cCalendar& calendar, PaintSurface& surface) {
    surface.setBold(true);
    const int h8 = surface.textHeight("8");

    for (int c = 0; c <= 7; ++c) surface.drawLine(50 * c + 31, 21 - h8, 50 * c + 31, kBottom, kWhite);
    surface.drawLine(kLeft, 21 - h8, kRight, 21 - h8, kWhite);
    for (int r = 0; r <= 6; ++r) surface.drawLine(kLeft, 32 * r + 26, kRight, 32 * r + 26, kWhite);
    for (int c = 0; c <= 7; ++c) surface.drawLine(50 * c + 30, 21 - h8, 50 * c + 30, kBottom, kBlack);
    surface.drawLine(kLeft, 20 - h8, kRight, 20 - h8, kBlack);
    for (int r = 0; r <= 6; ++r) surface.drawLine(kLeft, 32 * r + 25, kRight, 32 * r + 25, kBlack);

    surface.setForeColour(Colour::ButtonText());
    for (int j = 0; j < 7; ++j) {
        const Bytes name = GetText(m_State, 611 + j).substr(0, 3);
        surface.drawText(kLeft + kColumnWidth * j + Nearest((kColumnWidth - surface.textWidth(name)) / 2.0), 23 - h8,
                         name);
    }

    m_ParentContainer.Set_Text_Calendar_Month(
        m_ParentContainer.monthYearText(calendar.m_SelectedYear, calendar.m_SelectedMonth));

    surface.setBold(false);
    surface.setForeColour(Colour::GrayText());
    const int weekX = kLeft - surface.textWidth("88") - 6;
    const int weekDy = Nearest((kRowHeight - surface.textHeight("A")) / 2.0);
    const WeekRule weeks = m_ParentContainer.weekRule();
    for (int j = 0; j < 6; ++j) {
        const std::string week = std::to_string(WeekOfDayIndex(int64_t{calendar.m_ActualMonthOffset} + 7 * j, weeks));
        surface.drawText(weekX, kTop + kRowHeight * j + weekDy, week);
    }

    surface.setForeColour(Colour::ButtonText());
    for (int day = 0; day < calendar.m_DaysInActualMonth; ++day) PaintDay(calendar, surface, day);
}

void CalendarMonth::PaintDateBox(cCalendar& calendar, PaintSurface& surface, int DateToPaintInActualMonth) {
    PaintDay(calendar, surface, DateToPaintInActualMonth);
}

bool CalendarMonth::HasVisibleHolidayLabel(int32_t dayIndex) const {
    if (!HasHolidayFlag(m_State, dayIndex)) return false;
    for (const auto& label : m_State.HolidayLabels)
        if (label && label->m_Day == dayIndex && label->m_ViewInCalendar) return true;
    return false;
}

void CalendarMonth::PaintDay(cCalendar& calendar, PaintSurface& surface, int day) {
    if (day < 0 || day >= calendar.m_DaysInActualMonth || day >= 31) return;
    const int32_t dayIndex = calendar.m_ActualMonthOffset + day;
    const Cell cell = CellOfDay(calendar, day);
    const int x0 = kColumnWidth * cell.column + 32;
    const int y0 = kRowHeight * cell.row + 27;
    const int boxRight = kColumnWidth * cell.column + 80;

    surface.fillRect(x0, y0, kBoxWidth, kBoxHeight, Colour::Background());
    const int strip = calendar.m_ShowTimeAxis ? 23 : kBoxHeight;
    if (cell.column == 6 || HasVisibleHolidayLabel(dayIndex)) {
        for (int i = 0; i < strip; ++i)
            surface.drawLine(x0, y0 + i, x0 + kStripWidth, y0 + i, Colour::Rgb(255, 192 - 2 * i, 192 - 2 * i));
    }
    if (dayIndex == calendar.m_TodaysDayOffset) {
        for (int i = 0; i < strip; ++i)
            surface.drawLine(x0, y0 + i, x0 + kStripWidth, y0 + i, Colour::Rgb(0, 255 - 2 * i, 255));
    }

    const std::string number = std::to_string(day + 1);
    surface.setForeColour(Colour::GrayText());
    surface.drawText(x0, y0, number);
    const int nextLine = y0 + surface.textHeight(number);
    surface.setForeColour(Colour::ButtonText());

    const int16_t value = calendar.GetDayType(dayIndex);
    if (value >= 1 && value <= 7) {
        const Bytes name = calendar.GetDayTypeShortName(m_State, value - 1);
        surface.drawText(boxRight - surface.textWidth(name) - 2, nextLine, name);
    } else if (value >= 8 && value <= kHighestDayValue) {
        // 12.5 pixels left of the box's right edge, to the nearest pixel.
        m_ParentContainer.Draw_ImageList_ListImages(value - 7, surface, Nearest(boxRight - kColumnWidth / 4.0), y0, 1);
    }

    const cTimeSchedule* schedule = calendar.m_AssociatedTimeSchedule.get();
    if (!calendar.m_ShowTimeAxis || !schedule) return;
    const int axisDayType = value >= 1 && schedule->GetActive(value - 1) != 0 ? value - 1 : cell.column;
    const int axisTop = kRowHeight * cell.row + 51;
    for (int i = 0; i < 5; ++i) {
        const int g = 220 - 20 * i;
        surface.drawLine(x0, axisTop + i, boxRight - 1, axisTop + i, Colour::Rgb(g, g, g));
    }
    int16_t start = 0, stop = 0;
    PeriodPtr period;
    while ((period = schedule->GetNextTimePeriod(axisDayType, start, stop, period))) {
        auto toX = [&](int minute) {
            return Nearest(x0 + std::clamp(minute, 0, kMinutesPerDay) * double{kBoxWidth} / kMinutesPerDay);
        };
        const int xs = toX(start), xe = toX(stop);
        for (int j = 0; j < 5; ++j) surface.drawLine(xs, axisTop + j, xe, axisTop + j, Colour::Rgb(0, 240 - 19 * j, 0));
        surface.drawLine(xs, axisTop, xs, axisTop + 5, Colour::Rgb(128, 128, 128));
        surface.drawLine(xe, axisTop, xe, axisTop + 5, Colour::Rgb(128, 128, 128));
    }
}

void CalendarMonth::MouseDown(cCalendar& calendar, PaintSurface& surface, int Button, int /*Shift*/, double x,
                              double y) {
    m_PressedButton = static_cast<int16_t>(Button);
    if (!m_ParentContainer.Get_Combo_Calendar_DayType_SelectedItem()) {
        m_PaintDayValue = -1;
        return;
    }
    const int value = m_ParentContainer.Get_Combo_Calendar_DayType_SelectedItem_Index() - 1;
    // An item beyond the day values paints nothing.
    m_PaintDayValue = static_cast<int16_t>(value >= 0 && value <= kHighestDayValue ? value : -1);
    if (m_PaintDayValue < 0) return;
    const int day = GetDayIndexAtPosition(calendar, x, y);
    if (day < 0) return;
    const int32_t dayIndex = calendar.m_ActualMonthOffset + day;
    if (IsCalendarDay(dayIndex) && calendar.GetDayType(dayIndex) != m_PaintDayValue) {
        calendar.SetDayType(dayIndex, m_PaintDayValue);
        PaintDay(calendar, surface, day);
    }
}

Bytes CalendarMonth::ToolTipOfDay(const cCalendar& calendar, int32_t dayIndex) {
    Bytes tip;
    const int16_t value = calendar.GetDayType(dayIndex);
    if (value >= 1 && value <= kHighestDayValue) tip = m_ParentContainer.Get_Combo_Calendar_DayType_ComboItems(value + 1);
    if (HasHolidayFlag(m_State, dayIndex)) {
        for (const auto& label : m_State.HolidayLabels) {
            if (label && label->m_Day == dayIndex) {
                tip += " (" + label->m_Label + ")";
                break;
            }
        }
    }
    return tip;
}

void CalendarMonth::MouseMove(cCalendar& calendar, PaintSurface& surface, int /*Button*/, int /*Shift*/, double x,
                              double y) {
    const int day = GetDayIndexAtPosition(calendar, x, y);
    if (day < 0) surface.setToolTipText("");
    if (day >= 0 && day != m_LastDayIndex) {
        const int32_t dayIndex = calendar.m_ActualMonthOffset + day;
        if (m_PressedButton != 0 && m_PaintDayValue != -1 && IsCalendarDay(dayIndex) &&
            calendar.GetDayType(dayIndex) != m_PaintDayValue) {
            calendar.SetDayType(dayIndex, m_PaintDayValue);
            PaintDay(calendar, surface, day);
        }
        surface.setToolTipText(ToolTipOfDay(calendar, dayIndex));
    }
    m_LastDayIndex = day;
}

void CalendarMonth::MouseUp(int /*Button*/, int /*Shift*/, double /*x*/, double /*y*/) {
    m_PressedButton = 0;
    m_PaintDayValue = -1;
}

} // namespace korvel
