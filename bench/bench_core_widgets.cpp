// The schedule grid and the calendar month while the user drags: one step of a drag
// repaints only what it changes (the dragged row; the day passed over), never the whole
// picture. Measured on a surface that only sums its calls, so the figures are the
// widgets' own work.
// Goals, measured in this run:
//   grid: time(drag step) / time(full paint of 23 rows)        <= 0.15
//   month: time(drag step over a day) / time(full month paint)  <= 0.15
#include "bench/benchsupport.h"
#include "core/widgets/calendarmonth.h"
#include "core/widgets/schedulegrid.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

using namespace korvel;

namespace {

class SumSurface final : public PaintSurface {
public:
    uint64_t sum = 0;
    void drawLine(int x1, int y1, int x2, int y2, Colour c) override { sum += x1 + y1 + x2 + y2 + c.g; }
    void fillRect(int x, int y, int w, int h, Colour) override { sum += x + y + w + h; }
    void setForeColour(Colour c) override { sum += c.r; }
    void setBold(bool b) override { sum += b; }
    void drawText(int x, int y, std::string_view t) override { sum += x + y + t.size(); }
    int textWidth(std::string_view t) override { return static_cast<int>(t.size()) * 6; }
    int textHeight(std::string_view) override { return 12; }
    void drawImage(int n, int x, int y, bool) override { sum += n + x + y; }
    void setPointer(PointerShape p) override { sum += static_cast<int>(p); }
    void setToolTipText(std::string_view t) override { sum += t.size(); }
};

class QuietHost final : public EditorHost {
public:
    void Draw_ImageList_ListImages(int32_t n, PaintSurface& s, int32_t x, int32_t y, int16_t st) override {
        s.drawImage(n, x, y, st == 1);
    }
    int16_t Get_ImageList_ImageHeight() override { return 11; }
    int16_t Get_ImageList_ImageWidth() override { return 11; }
    int16_t Get_Check_TimeSchedule_ViewDayType() override { return 1; }
    bool Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked() override { return false; }
    int32_t Get_Picture_TimeSchedule_Frame_ScaleHeight() override { return 180; }
    int32_t Get_Picture_TimeSchedule_Frame_ScaleWidth() override { return 400; }
    Bytes Get_Text_Schedule_Period_Start() override { return {}; }
    Bytes Get_Text_Schedule_Period_Stop() override { return {}; }
    int32_t Get_VScroll_Schedule_Left() override { return 383; }
    int32_t Get_VScroll_Schedule_Width() override { return 17; }
    void Set_Menu_TimeSchedulePopup_Delete_Enabled(bool) override {}
    void Set_Menu_TimeSchedulePopup_Grouped_Checked(bool) override {}
    void Set_Menu_TimeSchedulePopup_Grouped_MonFri_Checked(bool) override {}
    void Set_Menu_TimeSchedulePopup_Paste_Enabled(bool) override {}
    void Set_Picture_TimeSchedule_Height(int32_t) override {}
    void Set_Picture_TimeSchedule_Left(int32_t) override {}
    void Set_Picture_TimeSchedule_Top(int32_t) override {}
    void Set_Picture_TimeSchedule_Width(int32_t) override {}
    void Set_Text_Schedule_Period_Start(std::string_view) override {}
    void Set_Text_Schedule_Period_Stop(std::string_view) override {}
    void Set_Text_Schedule_Time(std::string_view) override {}
    void Set_VScroll_Schedule_Height(int32_t) override {}
    void Set_VScroll_Schedule_Left(int32_t) override {}
    void Set_VScroll_Schedule_Max(int32_t) override {}
    void Set_VScroll_Schedule_Top(int32_t) override {}
    bool Get_Combo_Calendar_DayType_SelectedItem() override { return true; }
    int16_t Get_Combo_Calendar_DayType_SelectedItem_Index() override { return m_Index; }
    Bytes Get_Combo_Calendar_DayType_ComboItems(int32_t) override { return "Day type"; }
    void Set_Text_Calendar_Month(std::string_view) override {}
    int16_t m_Index = 9;
};

struct GridSetup {
    ClientState state;
    QuietHost host;
    SumSurface surface;
    std::shared_ptr<cTimeSchedule> schedule = std::make_shared<cTimeSchedule>();
    std::shared_ptr<const cCalendar> calendar = std::make_shared<cCalendar>();
    ScheduleGrid grid{schedule, host, state};
    GridSetup() {
        schedule->m_UseCalendar = -1;
        for (int d = 0; d < kDayTypeCount; ++d) {
            schedule->SetActive(d, 1);
            for (int p = 0; p < 3; ++p) {
                auto period = std::make_shared<cTimeSchedulePeriod>();
                period->m_StartMinute = static_cast<int16_t>(100 + 400 * p);
                period->m_StopMinute = static_cast<int16_t>(300 + 400 * p);
                schedule->m_Periods[d].push_back(period);
            }
        }
        grid.RecalculateAndPrepareToPaint(&surface);
    }
};

void GridFullPaint(benchmark::State& st) {
    GridSetup g;
    for (auto _ : st) g.grid.Paint(g.calendar);
    benchmark::DoNotOptimize(g.surface.sum);
}

void GridDragStep(benchmark::State& st) {
    GridSetup g;
    g.grid.MouseDown(1, 0, 30 + 300 / 5.0, 25 * 11 + 10, g.calendar); // grabs the stop edge of row 11
    int i = 0;
    for (auto _ : st) g.grid.MouseMove(1, 0, 30 + (260 + (i++ % 20)) / 5.0, 25 * 11 + 10, g.calendar);
    benchmark::DoNotOptimize(g.surface.sum);
}

struct MonthSetup {
    ClientState state;
    QuietHost host;
    SumSurface surface;
    cCalendar calendar;
    CalendarMonth month{host, state};
    MonthSetup() {
        calendar.m_SelectedYear = 2024;
        calendar.m_SelectedMonth = 3;
        calendar.m_ShowTimeAxis = true;
        auto schedule = std::make_shared<cTimeSchedule>();
        schedule->SetDefaultPeriod();
        calendar.m_AssociatedTimeSchedule = schedule;
        month.RecalculateAndPrepareToPaint(calendar);
    }
};

void MonthFullPaint(benchmark::State& st) {
    MonthSetup m;
    for (auto _ : st) m.month.Paint(m.calendar, m.surface);
    benchmark::DoNotOptimize(m.surface.sum);
}

void MonthDragStep(benchmark::State& st) {
    MonthSetup m;
    m.month.MouseDown(m.calendar, m.surface, 1, 0, 255, 40);
    int i = 0;
    for (auto _ : st) {
        // Alternate the painted value so every step stores and repaints its day.
        m.host.m_Index = static_cast<int16_t>(9 + (i & 1));
        m.month.MouseDown(m.calendar, m.surface, 1, 0, 255, 40);
        m.month.MouseMove(m.calendar, m.surface, 1, 0, 55 + 50 * (i++ % 7), 72);
    }
    benchmark::DoNotOptimize(m.surface.sum);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("grid/full_paint_23_rows", GridFullPaint)->Repetitions(3);
    benchmark::RegisterBenchmark("grid/drag_step", GridDragStep)->Repetitions(3);
    benchmark::RegisterBenchmark("month/full_paint", MonthFullPaint)->Repetitions(3);
    benchmark::RegisterBenchmark("month/drag_step", MonthDragStep)->Repetitions(3);
    benchmark::Initialize(&argc, argv);
    bench::FastestRepetition collector(bench::Clock::Real);
    benchmark::RunSpecifiedBenchmarks(&collector);
    auto ratio = [&](const char* what, const std::string& part, const std::string& whole) {
        bench::Verdict(what, collector.Seconds(part) / collector.Seconds(whole), 0.15, 40);
    };
    std::printf("\n");
    ratio("grid drag step / full paint", "grid/drag_step", "grid/full_paint_23_rows");
    ratio("month drag step / full paint", "month/drag_step", "month/full_paint");
    benchmark::Shutdown();
    return 0; // the lines above carry the verdict
}
