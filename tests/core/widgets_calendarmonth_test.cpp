// The calendar month drawn as a sequence of surface calls, its hit test, and painting
// day types with the mouse as changes of the calendar.
#include "core/datafile.h"
#include "core/records/timeschedule.h"
#include "core/widgets/calendarmonth.h"
#include "tests/core/widgets_recorders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace korvel;
using korvel::testing::RecordingHost;
using korvel::testing::RecordingSurface;

namespace {

int64_t DayIndex(int y, int m, int d) { return DaysFromCivil(y, m, d) - DaysFromCivil(2000, 1, 1); }

struct Fixture {
    ClientState state;
    DataFileEnvironment files;
    RecordingHost host;
    RecordingSurface surface;
    cCalendar calendar;
    CalendarMonth month{host, state};

    explicit Fixture(int year = 2024, int mon = 3) {
        const char* names[7] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
        for (int i = 0; i < 7; ++i) {
            const std::string text = names[i];
            state.TextTable.Rows.push_back(TextRow{611 + i, static_cast<int32_t>(state.TextTable.Blob.size()) + 1,
                                                   static_cast<int32_t>(text.size())});
            state.TextTable.Blob += text;
        }
        files.Clock = [] { return DateTime::FromParts(2024, 3, 10, 12, 0, 0); }; // a Sunday
        state.DataFiles = &files;
        calendar.SetDayTypeFullName(8, "Xmas Eve");
        host.ComboItems = {"(none)", "Monday", "Tuesday"};
        for (int i = 3; i < 24; ++i) host.ComboItems.push_back("Type " + std::to_string(i - 1));
        Show(year, mon);
    }
    void Show(int year, int mon) {
        calendar.m_SelectedYear = static_cast<int16_t>(year);
        calendar.m_SelectedMonth = static_cast<int16_t>(mon);
        month.RecalculateAndPrepareToPaint(calendar);
    }
    void AddLabel(int64_t day, bool visible, const std::string& text, int16_t value = 0) {
        auto label = std::make_shared<cHolidayLabel>();
        label->m_Day = static_cast<int16_t>(day);
        label->m_DayType = value;
        label->m_ViewInCalendar = visible;
        label->m_Label = text;
        state.HolidayLabels.push_back(label);
        state.HolidayDayFlags[static_cast<std::size_t>(day)] = true;
    }
    // Centre of the date box of a day of the month (0-based).
    std::pair<double, double> At(int day) const {
        const int c = calendar.m_FirstWeekDayInActualMonth + day;
        return {50.0 * (c % 7) + 55, 32.0 * (c / 7) + 40};
    }
    void Down(int day, int button = 1) {
        auto [x, y] = At(day);
        month.MouseDown(calendar, surface, button, 0, x, y);
    }
    void Move(int day) {
        auto [x, y] = At(day);
        month.MouseMove(calendar, surface, 1, 0, x, y);
    }
};

} // namespace

TEST(CalendarMonth, MonthFieldsFollowTheShownMonthWithinTheCalendarsYears) {
    struct Case {
        int year, month;       // as the host set them
        int shownYear, shownMonth, firstWeekday, days;
    };
    const Case cases[] = {
        {2000, 1, 2000, 1, 5, 31},   // 2000-01-01 was a Saturday
        {2000, 2, 2000, 2, 1, 29},   // leap year
        {2100 - 61, 12, 2039, 12, 3, 31},
        {2024, 3, 2024, 3, 4, 31},
        {2023, 10, 2023, 10, 6, 31}, // starts on a Sunday: uses all 6 week rows
        {2024, 13, 2025, 1, 2, 31},  // month 13 is January of the next year
        {0, 0, 2000, 1, 5, 31},      // a calendar whose month was never set
        {2045, 5, 2039, 12, 3, 31},
        {1999, 12, 2000, 1, 5, 31},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.Show(c.year, c.month);
        EXPECT_EQ(f.calendar.m_SelectedYear, c.shownYear) << c.year << "-" << c.month;
        EXPECT_EQ(f.calendar.m_SelectedMonth, c.shownMonth) << c.year << "-" << c.month;
        EXPECT_EQ(f.calendar.m_ActualMonthOffset, DayIndex(c.shownYear, c.shownMonth, 1));
        EXPECT_EQ(f.calendar.m_FirstWeekDayInActualMonth, c.firstWeekday) << c.year << "-" << c.month;
        EXPECT_EQ(f.calendar.m_DaysInActualMonth, c.days);
        EXPECT_EQ(f.calendar.m_TodaysDayOffset, DayIndex(2024, 3, 10));
    }
    EXPECT_EQ(DayIndex(2039, 12, 31), 14609);
}

TEST(CalendarMonth, HitTestFindsDaysInsideTheGridOnly) {
    struct Case {
        int year, month;
        double x, y;
        int day;
    };
    const Case cases[] = {
        {2024, 1, 30, 40, -1},   {2024, 1, 40, 25, -1},   // grid lines
        {2024, 1, 31, 26, 0},                              // first cell: a day when the month starts on Monday
        {2024, 3, 31, 26, -1},                             // March 2024 starts on a Friday
        {2024, 3, 235, 30, 0},   {2024, 3, 379, 216, -1},  // bottom-right cell past the month
        {2024, 3, 379.6, 60, 9},                           // rounds onto the far edge: stays in Sunday's column
        {2023, 10, 80, 216.7, 30},                         // and in the last week row
        {2024, 3, 380, 60, -1},  {2024, 3, 100, 217, -1}, {2024, 3, -4, -4, -1},
        {2023, 10, 80, 210, 30},                           // a Sunday-first month reaches the sixth row
        {2024, 3, std::nan(""), 60, -1}, {2024, 3, 100, 1e300, -1},
    };
    for (const Case& c : cases) {
        Fixture f(c.year, c.month);
        EXPECT_EQ(f.month.GetDayIndexAtPosition(f.calendar, c.x, c.y), c.day) << c.x << "," << c.y;
    }
}

TEST(CalendarMonth, IsoWeekNumbers) {
    struct Case {
        int y, m, d, week;
    };
    const Case cases[] = {{2000, 1, 1, 52}, {2000, 1, 3, 1},   {2021, 1, 1, 53}, {2024, 1, 1, 1},
                          {2024, 12, 30, 1}, {2026, 12, 31, 53}, {2027, 1, 1, 53}, {2039, 12, 31, 52}};
    for (const Case& c : cases) EXPECT_EQ(IsoWeekOfDayIndex(DayIndex(c.y, c.m, c.d)), c.week) << c.y << "-" << c.m << "-" << c.d;
}

TEST(CalendarMonth, WeekNumbersFollowTheUsersWeekRule) {
    struct Case {
        WeekRule rule;
        int y, m, d, week;
    };
    const WeekRule sundayJan1{6, 1}, mondayFullWeek{0, 7}, saturdayJan1{5, 1};
    const Case cases[] = {
        // Weeks from Sunday, week 1 holds 1 January (Thursday 2026-01-01).
        {sundayJan1, 2026, 1, 1, 1},   {sundayJan1, 2026, 1, 3, 1},  {sundayJan1, 2026, 1, 4, 2},
        {sundayJan1, 2026, 12, 1, 49}, {sundayJan1, 2026, 12, 26, 52},
        {sundayJan1, 2026, 12, 27, 1}, // the week holding 1 January 2027
        {sundayJan1, 2000, 1, 1, 1},   {sundayJan1, 2039, 12, 31, 53},
        // Weeks from Monday, week 1 the first full week: 2021-01-01 (Friday) lies in the
        // last week of 2020.
        {mondayFullWeek, 2021, 1, 1, 52}, {mondayFullWeek, 2021, 1, 4, 1}, {mondayFullWeek, 2024, 1, 1, 1},
        {saturdayJan1, 2024, 1, 5, 1},    {saturdayJan1, 2024, 1, 6, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WeekOfDayIndex(DayIndex(c.y, c.m, c.d), c.rule), c.week)
            << c.rule.firstWeekday << "/" << c.rule.minDaysInFirstWeek << " " << c.y << "-" << c.m << "-" << c.d;

    // ISO 8601 for every day of the calendar: the week of a day is the week of its
    // Thursday, counted in that Thursday's year.
    for (int64_t day = 0; day < kCalendarDays; ++day) {
        const int64_t civil = day + kCalendarEpochCivilDays;
        const int64_t thursday = civil - (civil + 3) % 7 + 3;
        int64_t year = 2000 - 1;
        while (DaysFromCivil(year + 1, 1, 1) <= thursday) ++year;
        ASSERT_EQ(IsoWeekOfDayIndex(day), (thursday - DaysFromCivil(year, 1, 1)) / 7 + 1) << day;
    }

    Fixture f(2026, 12); // the host's rule numbers the week rows
    f.host.Weeks = sundayJan1;
    f.month.Paint(f.calendar, f.surface);
    EXPECT_TRUE(f.surface.Has("text 12,35 49 graytext"));
    EXPECT_TRUE(f.surface.Has("text 12,163 1 graytext")) << "the 29th lies in the week of 1 January";
}

TEST(CalendarMonth, PaintDrawsGridHeaderCaptionWeeksAndEveryBox) {
    Fixture f(2024, 3);
    f.month.Paint(f.calendar, f.surface);
    const auto& calls = f.surface.Calls;
    // h8 = 12: the header band runs from y = 8 (black) / 9 (white).
    EXPECT_EQ(calls[0], "line 31,9-31,217 255,255,255");
    EXPECT_EQ(calls[7], "line 381,9-381,217 255,255,255");
    EXPECT_EQ(calls[8], "line 30,9-380,9 255,255,255");
    EXPECT_EQ(calls[9], "line 30,26-380,26 255,255,255");
    EXPECT_EQ(calls[16], "line 30,9-30,217 0,0,0");
    EXPECT_EQ(calls[24], "line 30,8-380,8 0,0,0");
    EXPECT_EQ(calls[31], "line 30,217-380,217 0,0,0");
    // Header: "Mon" bold (21 pixels) centred in its column, top at 23 - 12.
    EXPECT_EQ(calls[32], "text 44,11 Mon bold buttontext");
    EXPECT_EQ(calls[38], "text 344,11 Sun bold buttontext");
    EXPECT_EQ(f.host.MonthCaption, "March 2024");
    // Week numbers of the 1st, 8th, ... (2024-03-01 is in week 9), left of the grid.
    const auto weeks = std::vector<std::string>(calls.begin() + 39, calls.begin() + 45);
    EXPECT_EQ(weeks, (std::vector<std::string>{"text 12,35 9 graytext", "text 12,67 10 graytext",
                                               "text 12,99 11 graytext", "text 12,131 12 graytext",
                                               "text 12,163 13 graytext", "text 12,195 14 graytext"}));
    EXPECT_EQ(f.surface.With("fill ").size(), 31u);
    EXPECT_EQ(f.surface.With("fill ").front(), "fill 232,27 47x29 background");
    EXPECT_EQ(f.surface.Fore, Colour::ButtonText());
    EXPECT_FALSE(f.surface.Bold);
}

TEST(CalendarMonth, DateBoxStripsDayNumberAndDayTypeMark) {
    Fixture f(2024, 3);
    const int64_t first = f.calendar.m_ActualMonthOffset;
    f.calendar.SetDayType(static_cast<int32_t>(first + 0), 2);  // Tuesday's day type on Friday the 1st
    f.calendar.SetDayType(static_cast<int32_t>(first + 1), 9);  // special day type 8 (image 2)
    f.calendar.SetDayType(static_cast<int32_t>(first + 3), 99); // not a day value: no mark
    f.AddLabel(first + 1, true, "Holiday");
    f.AddLabel(first + 2, false, "Hidden");

    f.month.PaintDateBox(f.calendar, f.surface, 0); // Friday, column 4
    EXPECT_EQ(f.surface.Calls, (std::vector<std::string>{"fill 232,27 47x29 background", "text 232,27 1 graytext",
                                                         "text 260,39 Tue buttontext"}));
    f.surface.Clear();
    f.month.PaintDateBox(f.calendar, f.surface, 1); // Saturday with a shown label: red strip
    const auto red = f.surface.With("line ");
    ASSERT_EQ(red.size(), 29u);
    EXPECT_EQ(red.front(), "line 282,27-296,27 255,192,192");
    EXPECT_EQ(red.back(), "line 282,55-296,55 255,136,136");
    EXPECT_TRUE(f.host.Has("image 2 318,27 style 1"));
    f.surface.Clear();
    f.month.PaintDateBox(f.calendar, f.surface, 2); // Sunday: red; its label is not shown
    EXPECT_EQ(f.surface.With("line ").size(), 29u);
    f.surface.Clear();
    f.month.PaintDateBox(f.calendar, f.surface, 3);
    EXPECT_EQ(f.surface.Calls.size(), 2u);
    f.surface.Clear();
    f.month.PaintDateBox(f.calendar, f.surface, 9); // Sunday the 10th is today: blue over red
    const auto strip = f.surface.With("line ");
    ASSERT_EQ(strip.size(), 58u);
    EXPECT_EQ(strip[29], "line 332,59-346,59 0,255,255");
    EXPECT_EQ(strip[57], "line 332,87-346,87 0,199,255");
    f.surface.Clear();
    f.month.PaintDateBox(f.calendar, f.surface, 31); // not a day of the month
    f.month.PaintDateBox(f.calendar, f.surface, -1);
    EXPECT_TRUE(f.surface.Calls.empty());
}

TEST(CalendarMonth, TimeAxisShowsTheDaysSchedule) {
    Fixture f(2024, 3);
    auto schedule = std::make_shared<cTimeSchedule>();
    auto add = [&](int d, int a, int b) {
        auto p = std::make_shared<cTimeSchedulePeriod>();
        p->m_StartMinute = static_cast<int16_t>(a);
        p->m_StopMinute = static_cast<int16_t>(b);
        schedule->m_Periods[d].push_back(p);
    };
    add(4, 420, 960);   // Friday
    add(8, 0, 720);     // special day type 8, not active
    add(9, 720, 1440);  // special day type 9, active
    schedule->SetActive(9, 1);
    f.calendar.m_AssociatedTimeSchedule = schedule;
    f.calendar.m_ShowTimeAxis = true;
    const int32_t first = f.calendar.m_ActualMonthOffset;
    f.calendar.SetDayType(first + 7, 9);  // the 8th (Friday): day type 8 inactive -> Friday's schedule
    f.calendar.SetDayType(first + 14, 10); // the 15th (Friday): day type 9

    f.month.PaintDateBox(f.calendar, f.surface, 0); // Friday the 1st, box at (232, 27)
    const auto lines = f.surface.With("line ");
    ASSERT_EQ(lines.size(), 5u + 5 + 2);
    EXPECT_EQ(lines[0], "line 232,51-279,51 220,220,220");
    EXPECT_EQ(lines[4], "line 232,55-279,55 140,140,140");
    EXPECT_EQ(lines[5], "line 246,51-263,51 0,240,0"); // 07:00-16:00 from X0 + 14 to X0 + 31
    EXPECT_EQ(lines[9], "line 246,55-263,55 0,164,0");
    EXPECT_EQ(lines[10], "line 246,51-246,56 128,128,128");
    EXPECT_EQ(lines[11], "line 263,51-263,56 128,128,128");
    f.surface.Clear();
    f.month.PaintDateBox(f.calendar, f.surface, 7);
    EXPECT_TRUE(f.surface.Has("line 246,83-263,83 0,240,0"));
    f.surface.Clear();
    f.month.PaintDateBox(f.calendar, f.surface, 14);
    EXPECT_TRUE(f.surface.Has("line 256,115-279,115 0,240,0")); // 12:00 is X0 + 23.5, to the even pixel
    f.surface.Clear();
    f.month.PaintDateBox(f.calendar, f.surface, 9); // Sunday today: strips 23 lines high
    EXPECT_EQ(f.surface.With("line 332,").size(), 23u + 23 + 5); // red, blue, axis background
}

TEST(CalendarMonth, PressAndDragPaintTheSelectedDayType) {
    Fixture f(2024, 3);
    const int32_t first = f.calendar.m_ActualMonthOffset;
    for (int d = 0; d < 5; ++d) f.calendar.SetDayType(first + d, 5);

    f.host.ComboSelected = true;
    f.host.ComboIndex = 1; // item 1 clears
    f.Down(0);
    EXPECT_EQ(f.month.PaintDayValue(), 0);
    EXPECT_EQ(f.calendar.GetDayType(first), 0);
    EXPECT_TRUE(f.surface.Has("fill 232,27 47x29 background"));
    f.Move(1);
    f.Move(2);
    f.Move(3);
    EXPECT_EQ(f.calendar.GetDayType(first + 3), 0);
    EXPECT_EQ(f.calendar.GetDayType(first + 4), 5);
    f.month.MouseUp(1, 0, 0, 0);
    EXPECT_EQ(f.month.PressedButton(), 0);
    EXPECT_EQ(f.month.PaintDayValue(), -1);
    f.Move(4); // no button: nothing painted
    EXPECT_EQ(f.calendar.GetDayType(first + 4), 5);

    f.host.ComboIndex = 10; // special day type 8, right button paints too
    f.surface.Clear();
    f.Down(20, 2);
    EXPECT_EQ(f.calendar.GetDayType(first + 20), 9);
    f.surface.Clear();
    f.Down(20, 2); // already that value: no repaint
    EXPECT_TRUE(f.surface.Calls.empty());
    f.month.MouseUp(2, 0, 0, 0);

    f.host.ComboSelected = false; // nothing selected: the pressed day stays
    f.Down(4);
    EXPECT_EQ(f.month.PaintDayValue(), -1);
    f.Move(5);
    EXPECT_EQ(f.calendar.GetDayType(first + 5), 0);
    EXPECT_EQ(f.calendar.GetDayType(first + 4), 5);
    f.month.MouseUp(1, 0, 0, 0);

    f.host.ComboSelected = true;
    f.host.ComboIndex = 30; // an item beyond the day values paints nothing
    f.Down(6);
    EXPECT_EQ(f.calendar.GetDayType(first + 6), 0);
    EXPECT_EQ(f.month.PaintDayValue(), -1);
}

TEST(CalendarMonth, ToolTipsNameTheDayTypeAndTheLabel) {
    Fixture f(2024, 12);
    const int32_t first = f.calendar.m_ActualMonthOffset;
    f.calendar.SetDayType(first + 23, 9);
    f.AddLabel(first + 23, true, "Christmas Eve");
    f.AddLabel(first + 23, true, "Second label");
    f.AddLabel(first + 24, false, "Christmas Day");
    f.calendar.SetDayType(first + 25, 99); // no such combo item

    f.Move(23);
    EXPECT_EQ(f.surface.ToolTip, "Type 8 (Christmas Eve)");
    EXPECT_TRUE(f.host.Has("combo item 10"));
    f.Move(24);
    EXPECT_EQ(f.surface.ToolTip, " (Christmas Day)");
    f.Move(25);
    EXPECT_EQ(f.surface.ToolTip, "");
    EXPECT_FALSE(f.host.Has("combo item 100"));
    f.surface.ToolTip = "kept";
    f.Move(25); // the same day again: the tip is left alone
    EXPECT_EQ(f.surface.ToolTip, "kept");
    f.month.MouseMove(f.calendar, f.surface, 0, 0, 10, 10);
    EXPECT_EQ(f.surface.ToolTip, "");
    EXPECT_EQ(f.month.LastDayIndex(), -1);
}

TEST(CalendarMonth, DayTypeMarksByStoredValue) {
    struct Case {
        int value;
        const char* call; // on the box of Friday 2024-03-01 (column 4, row 0); "" no mark
    };
    const Case cases[] = {
        {0, ""}, {1, "text 260,39 Mon buttontext"}, {7, "text 260,39 Sun buttontext"},
        {8, "image 1 268,27 style 1"}, {23, "image 16 268,27 style 1"}, {24, ""},
    };
    for (const Case& c : cases) {
        Fixture f(2024, 3);
        f.calendar.SetDayType(f.calendar.m_ActualMonthOffset, static_cast<int16_t>(c.value));
        f.month.PaintDateBox(f.calendar, f.surface, 0);
        const bool image = std::string(c.call).rfind("image", 0) == 0;
        if (image) {
            EXPECT_TRUE(f.host.Has(c.call)) << c.value;
        } else if (*c.call) {
            EXPECT_TRUE(f.surface.Has(c.call)) << c.value;
        }
        EXPECT_EQ(f.surface.Calls.size(), *c.call ? 3u : 2u) << c.value; // fill, number, mark
    }
}

TEST(CalendarMonth, APressBesideTheDaysStillPaintsTheDaysDraggedOver) {
    Fixture f(2024, 3);
    const int32_t first = f.calendar.m_ActualMonthOffset;
    f.host.ComboSelected = true;
    f.host.ComboIndex = 3; // Tuesday's day type, stored value 2
    f.month.MouseMove(f.calendar, f.surface, 0, 0, 30, 40); // the pointer arrives on the grid's left line
    f.month.MouseDown(f.calendar, f.surface, 1, 0, 30, 40);
    EXPECT_EQ(f.month.PaintDayValue(), 2);
    f.Move(0);
    f.Move(1);
    EXPECT_EQ(f.calendar.GetDayType(first), 2);
    EXPECT_EQ(f.calendar.GetDayType(first + 1), 2);
    f.month.MouseUp(1, 0, 0, 0);
    // A redraw (month change) ends painting too, although the button is still held.
    f.month.MouseDown(f.calendar, f.surface, 1, 0, 30, 40);
    f.Show(2024, 4);
    f.Move(0);
    EXPECT_EQ(f.calendar.GetDayType(f.calendar.m_ActualMonthOffset), 0);
}
