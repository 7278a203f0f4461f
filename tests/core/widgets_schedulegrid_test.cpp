// The schedule grid drawn as a sequence of surface calls, and its mouse behaviour as
// changes of the schedule and calls on the host.
#include "core/widgets/schedulegrid.h"
#include "tests/core/widgets_recorders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace korvel;
using korvel::testing::RecordingHost;
using korvel::testing::RecordingSurface;

namespace {

using Spans = std::vector<std::pair<int, int>>;

void SetWeekdayTexts(ClientState& state) {
    const char* names[7] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    for (int i = 0; i < 7; ++i) {
        const std::string text = names[i];
        state.TextTable.Rows.push_back(TextRow{611 + i, static_cast<int32_t>(state.TextTable.Blob.size()) + 1,
                                               static_cast<int32_t>(text.size())});
        state.TextTable.Blob += text;
    }
}

struct Fixture {
    ClientState state;
    RecordingHost host;
    RecordingSurface surface;
    std::shared_ptr<cCalendar> calendar = std::make_shared<cCalendar>();
    std::shared_ptr<cTimeSchedule> schedule = std::make_shared<cTimeSchedule>();
    ScheduleGrid grid{schedule, host, state};

    Fixture() {
        SetWeekdayTexts(state);
        calendar->SetDayTypeFullName(7, "Christmas");
        grid.RecalculateAndPrepareToPaint(&surface);
    }
    void Set(int d, const Spans& spans) {
        schedule->m_Periods[d].clear();
        for (auto [a, b] : spans) {
            auto p = std::make_shared<cTimeSchedulePeriod>();
            p->m_StartMinute = static_cast<int16_t>(a);
            p->m_StopMinute = static_cast<int16_t>(b);
            schedule->m_Periods[d].push_back(p);
        }
    }
    Spans Of(int d) const {
        Spans out;
        for (const auto& p : schedule->m_Periods[d]) out.emplace_back(p->m_StartMinute, p->m_StopMinute);
        return out;
    }
    // x of a minute and y inside the bar of a row.
    static double X(int minute) { return 30 + minute / 5.0; }
    static double Y(int row) { return 25 * row + 10; }
    void Down(int button, int minute, int row = 0) { grid.MouseDown(button, 0, X(minute), Y(row), calendar); }
    void Move(int minute, int row = 0) { grid.MouseMove(1, 0, X(minute), Y(row), calendar); }
    void Up() { grid.MouseUp(1, 0, 0, 0, calendar); }
};

} // namespace

TEST(ScheduleGrid, LayoutCountsRowsAndSizesSurfaceAndScrollBar) {
    struct Case {
        int useCalendar;
        std::vector<int> activeSpecial;
        std::vector<int> inactiveWeekdays;
        int rows, max;
    };
    const Case cases[] = {
        {0, {7, 9, 12}, {}, 7, 0},          // without the calendar always the 7 weekdays
        {-1, {7, 9, 12}, {}, 10, 12},       // one row per active day type
        {-1, {}, {}, 7, 0},
        {-1, {}, {5, 6}, 5, 0},             // fewer rows than fit: the maximum stays 0
    };
    for (const Case& c : cases) {
        Fixture f;
        f.schedule->m_UseCalendar = static_cast<int16_t>(c.useCalendar);
        for (int d : c.activeSpecial) f.schedule->SetActive(d, 1);
        for (int d : c.inactiveWeekdays) f.schedule->SetActive(d, 0);
        f.host.Calls.clear();
        f.grid.RecalculateAndPrepareToPaint();
        EXPECT_EQ(f.schedule->m_NumberOfAxisToPaint, c.rows);
        const std::vector<std::string> want = {
            "scroll top 0",    "scroll left 383",  "scroll height 180", "scroll max " + std::to_string(c.max),
            "picture left 0",  "picture top 0",    "picture width 383",
            "picture height " + std::to_string(c.rows * 25 + 4)};
        EXPECT_EQ(f.host.Calls, want) << c.rows;
    }
    Fixture f;
    f.schedule->m_UseCalendar = -1;
    f.schedule->SetActive(3, 0);
    f.schedule->SetActive(7, 1);
    f.schedule->SetActive(22, 1);
    f.grid.RecalculateAndPrepareToPaint();
    EXPECT_EQ(f.schedule->m_AxisIndex[2], 2);
    EXPECT_EQ(f.schedule->m_AxisIndex[4], 3);
    EXPECT_EQ(f.schedule->m_AxisIndex[7], 6);
    EXPECT_EQ(f.schedule->m_AxisIndex[22], 7);
}

TEST(ScheduleGrid, HitTestShowsTimeOnlyOnTheAxes) {
    struct Case {
        double x, y;
        const char* time; // "" = outside, the time box is not written
    };
    const Case cases[] = {
        {29, 10, ""},      {30, 10, "00:00"},   {318, 10, "24:00"}, {319, 10, ""},
        {114, 10, "07:00"}, {100, 4, ""},        {100, 4.5, "05:50"}, {100, 174.9, "05:50"},
        {100, 175, ""},    {318.9, 10, "24:00"}, // a fraction left of 319 stays at 24:00
        {30.05, 10, "00:00"}, {30.3, 10, "00:02"}, {-5, -5, ""},
        {std::nan(""), 10, ""}, {100, std::nan(""), ""}, {1e300, 10, ""}, {100, -1e300, ""},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.host.Time = "unset";
        f.grid.MouseMove(0, 0, c.x, c.y, f.calendar);
        EXPECT_EQ(f.host.Time, *c.time ? c.time : "unset") << c.x << "," << c.y;
    }
}

TEST(ScheduleGrid, RowDrawsBackgroundPeriodsLabelAndGroupMark) {
    Fixture f;
    f.Set(0, {{420, 960}, {1000, 1440}});
    f.schedule->m_SelectedPeriod = f.schedule->m_Periods[0][1];
    f.schedule->m_Grouped[0] = -1;
    f.grid.PaintDayTypeAxis(0, f.calendar);
    const auto& calls = f.surface.Calls;
    ASSERT_GE(calls.size(), 1u + 15 + 2 * 17 + 1 + 5);
    EXPECT_EQ(calls[0], "line 318,0-318,25 148,148,148");
    EXPECT_EQ(calls[1], "line 30,4-318,4 220,220,220");
    EXPECT_EQ(calls[15], "line 30,18-318,18 122,122,122");
    // 07:00-16:00 from x = 114 to 222, green 240 down to 142.
    EXPECT_EQ(calls[16], "line 114,4-222,4 0,240,0");
    EXPECT_EQ(calls[30], "line 114,18-222,18 0,142,0");
    EXPECT_EQ(calls[31], "line 114,4-114,19 0,0,0");
    EXPECT_EQ(calls[32], "line 222,4-222,19 0,0,0");
    // The selected period is darker: 176 down to 78; 24:00 ends at 318.
    EXPECT_EQ(calls[33], "line 230,4-318,4 0,176,0");
    EXPECT_EQ(calls[47], "line 230,18-318,18 0,78,0");
    EXPECT_EQ(calls[50], "text 10,6 Mon buttontext");
    const std::vector<std::string> mark(calls.end() - 5, calls.end());
    EXPECT_EQ(mark, (std::vector<std::string>{"line 317,4-312,4 255,255,255", "line 317,5-313,5 245,245,245",
                                              "line 317,6-314,6 235,235,235", "line 317,7-315,7 225,225,225",
                                              "line 317,8-316,8 205,205,205"}));
}

TEST(ScheduleGrid, SpecialDayTypeRowShowsHostImageAndFullNameWhenAsked) {
    Fixture f;
    f.schedule->m_UseCalendar = -1;
    f.schedule->SetActive(7, 1);
    f.grid.RecalculateAndPrepareToPaint();
    f.host.ViewDayType = 1;
    f.host.ImageWidth = 16;
    f.host.ImageHeight = 12;
    f.grid.PaintDayTypeAxis(7, f.calendar);
    // Row 7: top 179; image 1 at x = 30 - 16 - 4, y = 179 + 1.5 taken to the nearest (even) pixel.
    EXPECT_TRUE(f.host.Has("image 1 10,180 style 0"));
    EXPECT_TRUE(f.surface.Has("image 1 10,180"));
    // "Christmas" (54 pixels) centred on the axis.
    EXPECT_TRUE(f.surface.Has("text 147,181 Christmas buttontext"));
}

TEST(ScheduleGrid, PeriodsOutsideTheDayAreDrawnAtTheAxisEnds) {
    Fixture f;
    f.Set(1, {{-300, 2000}, {900, 600}});
    f.grid.PaintDayTypeAxis(1, f.calendar);
    EXPECT_TRUE(f.surface.Has("line 30,29-318,29 0,240,0"));
    // A reversed period is drawn from its start back to its stop.
    EXPECT_TRUE(f.surface.Has("line 210,29-150,29 0,240,0"));
}

TEST(ScheduleGrid, FullPaintDrawsHourLinesSeparatorsAndOnlyRowsOfTheGrid) {
    Fixture f;
    f.schedule->SetActive(9, 1); // active but the grid shows only the weekdays
    f.grid.RecalculateAndPrepareToPaint();
    f.grid.Paint(f.calendar);
    const auto lines = f.surface.With("line ");
    EXPECT_EQ(lines[0], "line 30,0-30,175 148,148,148");
    EXPECT_EQ(lines[24], "line 318,0-318,175 148,148,148");
    EXPECT_EQ(lines[25], "line 30,24-318,24 0,0,0");
    EXPECT_EQ(lines[26], "line 30,25-318,25 255,255,255");
    EXPECT_EQ(lines[38], "line 30,175-318,175 255,255,255");
    EXPECT_EQ(f.surface.With("text ").size(), 7u);
    EXPECT_TRUE(f.host.Calls.empty() || !f.host.Has("image 3 15,206 style 0"));
}

TEST(ScheduleGrid, LeftPressSelectsPeriodAndChoosesDragMode) {
    struct Case {
        const char* what;
        Spans periods;
        int pressMinute;
        int mode;
        int anchor;
        int selected; // index of the selected period, -1 none
    };
    const Case cases[] = {
        {"2 pixels left of the start grabs the start", {{420, 960}}, 410, 1, 420, -1},
        {"inside near the stop grabs the stop", {{420, 960}}, 950, 2, 960, 0},
        {"15 minutes from both edges starts a new period", {{420, 960}}, 600, 3, 600, 0},
        {"15 minutes outside starts a new period", {{420, 960}}, 405, 3, 405, -1},
        {"both edges near: the start wins", {{600, 610}}, 605, 1, 600, 0},
        {"the first period near wins", {{100, 200}, {210, 300}}, 205, 2, 200, -1},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.Set(2, c.periods);
        f.Down(1, c.pressMinute, 2);
        EXPECT_EQ(f.grid.DragMode(), c.mode) << c.what;
        EXPECT_EQ(f.schedule->m_SelectedDayType, 2) << c.what;
        EXPECT_EQ(f.grid.DragDayType(), 2) << c.what;
        if (c.selected < 0) {
            EXPECT_EQ(f.schedule->m_SelectedPeriod, nullptr) << c.what;
            EXPECT_EQ(f.host.PeriodStart, "") << c.what;
        } else {
            EXPECT_EQ(f.schedule->m_SelectedPeriod, f.schedule->m_Periods[2][c.selected]) << c.what;
            EXPECT_EQ(f.host.PeriodStart, HourMinuteText(f.schedule->m_EditStartMinute)) << c.what;
        }
        EXPECT_EQ(f.surface.Pointer, c.mode == 3 ? PointerShape::Default : PointerShape::SizeWestEast) << c.what;
        // The anchor shows in what the first move does to a grabbed edge or a new period.
        f.Move(c.anchor + 100, 2);
        if (c.mode == 3) {
            EXPECT_EQ(f.Of(2).back(), std::make_pair(c.anchor, c.anchor + 100)) << c.what;
        }
    }
}

TEST(ScheduleGrid, DraggingEdgesSwapsAndNewPeriodWaitsForSixMinutes) {
    Fixture f;
    f.Set(0, {{420, 960}});
    f.Down(1, 420);
    f.Move(1000); // start dragged past the stop: swapped, now the stop edge follows
    EXPECT_EQ(f.Of(0), (Spans{{960, 1000}}));
    EXPECT_EQ(f.grid.DragMode(), 2);
    f.Move(1100);
    EXPECT_EQ(f.Of(0), (Spans{{960, 1100}}));
    EXPECT_EQ(f.host.PeriodStart, "16:00");
    EXPECT_EQ(f.host.PeriodStop, "18:20");
    f.Move(1100, 5); // another row: still edits the pressed day type
    EXPECT_EQ(f.Of(5), Spans{});
    f.grid.MouseMove(1, 0, 400, 10, f.calendar); // outside: the period keeps its values
    EXPECT_EQ(f.Of(0), (Spans{{960, 1100}}));
    f.Up();
    EXPECT_EQ(f.grid.DragMode(), 0);
    EXPECT_EQ(f.surface.Pointer, PointerShape::Default);

    Fixture g;
    g.Down(1, 600, 3);
    g.Move(605, 3);
    EXPECT_TRUE(g.Of(3).empty()) << "5 minutes: no period yet";
    g.Move(590, 3); // reversing across the press point
    EXPECT_EQ(g.Of(3), (Spans{{590, 600}}));
    EXPECT_EQ(g.schedule->m_SelectedPeriod, g.schedule->m_Periods[3][0]);
    EXPECT_EQ(g.surface.Pointer, PointerShape::SizeWestEast);
    g.Move(700, 3);
    EXPECT_EQ(g.Of(3), (Spans{{600, 700}}));
    EXPECT_EQ(g.grid.DragMode(), 3);
}

TEST(ScheduleGrid, ReleaseCopiesToGroupedDayTypesMergesAndRepaints) {
    Fixture f;
    f.schedule->m_Grouped[0] = -1;
    f.schedule->m_Grouped[2] = -1;
    f.Set(0, {{100, 200}});
    f.Down(1, 300);
    f.Move(150); // a new period 150..300 overlapping 100..200
    f.surface.Clear();
    f.Up();
    EXPECT_EQ(f.Of(0), (Spans{{100, 300}}));
    EXPECT_EQ(f.Of(2), (Spans{{100, 300}}));
    // Row 2 repainted by the grouping copy, then row 0 by the release.
    const auto rowStarts = f.surface.With("line 318,0-318,25");
    EXPECT_EQ(rowStarts.size(), 2u);
    EXPECT_TRUE(f.surface.Has("line 30,54-318,54 220,220,220"));
    EXPECT_EQ(f.surface.Calls.back(), "line 317,8-316,8 205,205,205"); // row 0 (grouped) last
}

TEST(ScheduleGrid, RightPressPreparesMenuAndKeepsSelection) {
    Fixture f;
    for (int d = 0; d < 5; ++d) f.schedule->m_Grouped[d] = -1;
    f.Set(0, {{420, 960}});
    f.Down(1, 500);
    f.Up();
    const PeriodPtr selected = f.schedule->m_SelectedPeriod;
    f.host.Calls.clear();
    f.Down(2, 100, 6);
    EXPECT_EQ(f.host.Calls, (std::vector<std::string>{"monfri checked 1", "grouped checked 0", "paste enabled 0",
                                                      "delete enabled 1"}));
    EXPECT_EQ(f.schedule->m_SelectedDayType, 6);
    EXPECT_EQ(f.schedule->m_SelectedPeriod, selected);
    EXPECT_EQ(f.grid.DragMode(), 0);
    f.schedule->m_Grouped[6] = -1;
    f.schedule->Copy();
    f.host.Calls.clear();
    f.Down(2, 100, 6);
    EXPECT_EQ(f.host.Calls, (std::vector<std::string>{"monfri checked 0", "grouped checked 1", "paste enabled 1",
                                                      "delete enabled 1"}));
}

TEST(ScheduleGrid, PressesOutsideRowsOrOnEmptyRowChangeNothing) {
    Fixture f;
    f.schedule->SetActive(6, 0); // Sunday has no day type in row 6 now
    f.grid.RecalculateAndPrepareToPaint();
    f.schedule->m_UseCalendar = 0;
    f.Down(1, 300, 6);
    EXPECT_EQ(f.schedule->m_SelectedDayType, -1);
    f.grid.MouseDown(1, 0, 20, 10, f.calendar);
    f.grid.MouseDown(1, 0, 100, 2, f.calendar);
    EXPECT_EQ(f.schedule->m_SelectedDayType, -1);
    EXPECT_EQ(f.grid.DragMode(), 0);
    EXPECT_EQ(f.grid.LastButton(), 1);
}

TEST(ScheduleGrid, ModelEditsRepaintThroughTheGrid) {
    Fixture f;
    f.Set(4, {{0, 60}});
    f.Down(1, 30, 4);
    f.Up();
    f.surface.Clear();
    f.schedule->InvertTimeSchedule(f.grid);
    EXPECT_EQ(f.Of(4), (Spans{{60, 1440}}));
    EXPECT_TRUE(f.surface.Has("line 30,104-318,104 220,220,220"));
    EXPECT_TRUE(f.surface.Has("line 42,104-318,104 0,240,0"));
}

TEST(ScheduleGrid, NoSurfaceDrawsNothingAndNoCalendarStillNamesWeekdays) {
    ClientState state;
    SetWeekdayTexts(state);
    RecordingHost host;
    ScheduleGrid grid(std::make_shared<cTimeSchedule>(), host, state);
    grid.RecalculateAndPrepareToPaint(nullptr);
    grid.Paint(nullptr); // nothing to draw on
    RecordingSurface surface;
    grid.RecalculateAndPrepareToPaint(&surface);
    grid.Paint(nullptr);
    EXPECT_TRUE(surface.Has("text 10,6 Mon buttontext"));
}

TEST(ScheduleGrid, SpecialDayTypeImagesByNumberAndWholePixelPosition) {
    struct Case {
        int dayType, imageHeight;
        const char* call; // image number, x, y (the sum top + (15 - height) / 2 to the nearest pixel)
    };
    const Case cases[] = {
        {7, 11, "image 1 15,181 style 0"},  {8, 11, "image 2 15,206 style 0"},
        {7, 12, "image 1 15,180 style 0"},  {8, 12, "image 2 15,206 style 0"}, // 180.5 and 205.5, halves to even
        {22, 11, "image 16 15,556 style 0"}, {22, 14, "image 16 15,554 style 0"}, // 554.5
    };
    for (const Case& c : cases) {
        Fixture f;
        f.schedule->m_UseCalendar = -1;
        for (int d = 7; d < kDayTypeCount; ++d) f.schedule->SetActive(d, 1);
        f.grid.RecalculateAndPrepareToPaint();
        f.host.ImageHeight = static_cast<int16_t>(c.imageHeight);
        f.grid.PaintDayTypeAxis(c.dayType, f.calendar);
        EXPECT_TRUE(f.host.Has(c.call)) << c.call;
    }
}

TEST(ScheduleGrid, LeftPressRepaintsOnlyThePreviousRowAndReleaseThePressedOne) {
    Fixture f;
    f.Set(0, {{420, 960}});
    f.Set(3, {{420, 960}});
    f.Down(1, 600, 0); // selects Monday's period
    f.Up();
    f.surface.Clear();
    f.Down(1, 600, 3); // row 0 loses its highlight before anything else is drawn
    EXPECT_EQ(f.surface.With("line 30,4-318,4 ").size(), 1u);
    EXPECT_TRUE(f.surface.Has("line 114,4-222,4 0,240,0")) << "Monday's period no longer darker";
    EXPECT_TRUE(f.surface.With("line 30,79-318,79").empty()) << "the pressed row waits for the release";
    f.surface.Clear();
    f.Up();
    EXPECT_TRUE(f.surface.Has("line 114,79-222,79 0,176,0")) << "Thursday's period drawn selected";
    EXPECT_TRUE(f.surface.With("line 30,4-318,4 ").empty());
}

TEST(ScheduleGrid, PressAndReleaseWithoutMovingStillCopiesToGroupedDayTypes) {
    Fixture f;
    f.schedule->m_Grouped[1] = -1;
    f.schedule->m_Grouped[4] = -1;
    f.Set(1, {{60, 120}, {100, 200}});
    f.Down(1, 900, 1);
    EXPECT_EQ(f.grid.DragMode(), 3);
    f.Up();
    EXPECT_EQ(f.Of(4), (Spans{{60, 200}}));
    EXPECT_EQ(f.Of(1), (Spans{{60, 200}})) << "the pressed day type is merged too";
    EXPECT_EQ(f.grid.DragMode(), 0);
}

TEST(ScheduleGrid, AfterADragThePeriodBoxesShowTheSelectedPeriod) {
    struct Case {
        const char* what;
        Spans periods;
        int press, move;
        const char *start, *stop; // the boxes after the release
        Spans after;
    };
    const Case cases[] = {
        // A new period 150..300 merges into 100..200: the boxes show what it became.
        {"merged new period", {{100, 200}}, 300, 150, "01:40", "05:00", {{100, 300}}},
        // The press inside B (205..300) grabs A's stop (200): B stays selected.
        {"neighbour's edge grabbed", {{100, 200}, {205, 300}}, 210, 150, "03:25", "05:00", {{100, 150}, {205, 300}}},
        // Grabbing a start just outside: no period selected, the boxes keep the dragged one.
        {"edge grabbed from outside", {{420, 960}}, 410, 400, "06:40", "16:00", {{400, 960}}},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.Set(2, c.periods);
        f.Down(1, c.press, 2);
        f.Move(c.move, 2);
        f.Up();
        EXPECT_EQ(f.Of(2), c.after) << c.what;
        EXPECT_EQ(f.host.PeriodStart, c.start) << c.what;
        EXPECT_EQ(f.host.PeriodStop, c.stop) << c.what;
        if (f.schedule->m_SelectedPeriod) {
            EXPECT_EQ(f.schedule->m_EditStartMinute, f.schedule->m_SelectedPeriod->m_StartMinute) << c.what;
            // Enter in a box now leaves the selected period as it is.
            f.schedule->ExtractTimeFromTextboxes(f.grid);
            EXPECT_EQ(f.Of(2), c.after) << c.what;
        }
    }
}

TEST(ScheduleGrid, DayTypesWithoutARowAreNotDrawnOverAnotherRow) {
    // Special day type 8 grouped with Monday, then switched off: its row index is now the
    // row of day type 9. A drag on Monday copies to it, and its repaint must not land there.
    Fixture f;
    f.schedule->m_UseCalendar = -1;
    f.schedule->SetActive(8, 1);
    f.schedule->SetActive(9, 1);
    f.schedule->m_Grouped[0] = -1;
    f.schedule->m_Grouped[8] = -1;
    f.schedule->SetActive(8, 0);
    f.grid.RecalculateAndPrepareToPaint();
    ASSERT_EQ(f.schedule->m_AxisIndex[8], f.schedule->m_AxisIndex[9]);
    f.Down(1, 600);
    f.Move(700);
    f.surface.Clear();
    f.Up();
    EXPECT_EQ(f.Of(8), (Spans{{600, 700}})) << "the model still copies";
    EXPECT_TRUE(f.surface.With("line 30,179-318,179").empty()) << "row 7 (day type 9) left alone";
    EXPECT_FALSE(f.surface.With("line 30,4-318,4").empty()) << "Monday repainted";
    f.surface.Clear();
    f.schedule->m_UseCalendar = 0; // without the calendar the special day types have no rows
    f.schedule->SetActive(8, 1);
    f.grid.RecalculateAndPrepareToPaint();
    f.grid.PaintDayTypeAxis(8, f.calendar);
    EXPECT_TRUE(f.surface.Calls.empty());
}
