// The time schedule model: the period string to the byte, merging, inverting, grouping,
// copy and paste, delete, the time boxes, and day types outside 0..22.
#include "core/errors.h"
#include "core/records/timeschedule.h"
#include "tests/core/recordbuilders.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace korvel;
using korvel::testing::Hex;

namespace {

using Spans = std::vector<std::pair<int, int>>;

Spans SpansOf(const cTimeSchedule& s, int d) {
    Spans out;
    for (const auto& p : s.m_Periods[d]) out.emplace_back(p->m_StartMinute, p->m_StopMinute);
    return out;
}

void SetSpans(cTimeSchedule& s, int d, const Spans& spans) {
    s.m_Periods[d].clear();
    for (auto [a, b] : spans) {
        auto p = std::make_shared<cTimeSchedulePeriod>();
        p->m_StartMinute = static_cast<int16_t>(a);
        p->m_StopMinute = static_cast<int16_t>(b);
        s.m_Periods[d].push_back(p);
    }
}

// Records what the operations ask of the grid.
class RecordingView : public ScheduleView {
public:
    Bytes StartText, StopText;
    bool MonFriChecked = false;
    std::vector<int> PaintedRows;
    int FullPaints = 0;
    Bytes Get_Text_Schedule_Period_Start() override { return StartText; }
    Bytes Get_Text_Schedule_Period_Stop() override { return StopText; }
    void Set_Text_Schedule_Period_Start(std::string_view t) override { StartText = Bytes(t); }
    void Set_Text_Schedule_Period_Stop(std::string_view t) override { StopText = Bytes(t); }
    bool Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked() override { return MonFriChecked; }
    void PaintDayTypeAxis(int d) override { PaintedRows.push_back(d); }
    void Paint() override { ++FullPaints; }
};

} // namespace

TEST(TimeSchedule, NewScheduleDefaultsAndItsPeriodString) {
    cTimeSchedule s;
    const Bytes text = s.ComposePeriodArray();
    ASSERT_EQ(text.size(), 186u);
    for (int d = 0; d < kDayTypeCount; ++d) {
        Bytes want = d < 7 ? Hex({0xFF, 0xFF, 0, 0, 0, 0, 0, 0}) : Hex({0, 0, 0, 0, 0, 0, 0, 0});
        EXPECT_EQ(text.substr(static_cast<std::size_t>(8 * d), 8), want) << d;
    }
    EXPECT_EQ(text.substr(184), Hex({0, 0}));
    EXPECT_EQ(s.m_SelectedDayType, -1);
    EXPECT_EQ(s.m_CopiedDayType, -1);
}

TEST(TimeSchedule, PeriodStringRoundTripsValuesAsRead) {
    cTimeSchedule s;
    SetSpans(s, 0, {{420, 960}, {1000, 1440}});
    s.m_Grouped[0] = -1;
    s.m_AxisIndex[0] = 0x0102;
    s.m_UseCalendar = -1;
    const Bytes text = s.ComposePeriodArray();
    EXPECT_EQ(text.substr(0, 18), Hex({0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 0x01, 0xA4, 0x03, 0xC0, 0x03, 0xE8, 0x05, 0xA0, 1, 2, 0xFF, 0xFF}));
    EXPECT_EQ(text.size(), 186u + 8u);
    Bytes edited = text;
    edited[1] = 1, edited[0] = 0; // active = 1 is stored as read
    cTimeSchedule t;
    t.m_SelectedDayType = 4;
    t.m_CopiedDayType = 2;
    t.ExtractPeriodArray(edited);
    EXPECT_EQ(t.GetActive(0), 1);
    EXPECT_EQ(SpansOf(t, 0), (Spans{{420, 960}, {1000, 1440}}));
    EXPECT_EQ(t.m_UseCalendar, -1);
    EXPECT_EQ(t.m_SelectedDayType, 4) << "the selection is not touched";
    EXPECT_EQ(t.m_CopiedDayType, 2);
    EXPECT_EQ(t.ComposePeriodArray(), edited);
}

TEST(TimeSchedule, ShortPeriodStringLeavesTheScheduleAsItWas) {
    cTimeSchedule source;
    SetSpans(source, 3, {{1, 2}, {3, 4}});
    const Bytes text = source.ComposePeriodArray();
    cTimeSchedule s;
    SetSpans(s, 0, {{10, 20}});
    const Bytes before = s.ComposePeriodArray();
    for (std::size_t cut = 0; cut < text.size(); ++cut) {
        EXPECT_THROW(s.ExtractPeriodArray(std::string_view(text).substr(0, cut)), DecodeError) << cut;
        EXPECT_EQ(s.ComposePeriodArray(), before);
    }
}

TEST(TimeSchedule, OverlongPeriodStringIsRefused) {
    cTimeSchedule s;
    SetSpans(s, 0, Spans((32767 - 186) / 4, {0, 1})); // exactly 32767 - 1 bytes: fits
    EXPECT_EQ(s.ComposePeriodArray().size(), 186u + 4u * ((32767 - 186) / 4));
    SetSpans(s, 0, Spans((32767 - 186) / 4 + 1, {0, 1}));
    EXPECT_THROW(s.ComposePeriodArray(), EncodeError);
}

TEST(TimeSchedule, MergeOverlappingPeriods) {
    struct Case {
        Spans in, want;
    } cases[] = {
        {{{60, 120}, {120, 180}}, {{60, 180}}},
        {{{60, 120}, {121, 180}}, {{60, 120}, {121, 180}}},
        {{{60, 200}, {100, 150}}, {{60, 200}}},
        {{{100, 150}, {60, 200}}, {{60, 200}}},
        {{{0, 10}, {10, 20}, {20, 30}}, {{0, 30}}},
        {{{20, 30}, {0, 10}, {10, 20}}, {{0, 30}}},
        {{{500, 600}, {0, 10}, {550, 700}}, {{500, 700}, {0, 10}}},
        {{{420, 960}, {420, 960}}, {{420, 960}}},
    };
    for (const Case& c : cases) {
        cTimeSchedule s;
        SetSpans(s, 2, c.in);
        s.MergeOverlappingPeriods(2);
        EXPECT_EQ(SpansOf(s, 2), c.want);
    }
    cTimeSchedule s;
    SetSpans(s, 1, {{0, 10}, {5, 20}});
    s.m_SelectedPeriod = s.m_Periods[1][1];
    const PeriodPtr first = s.m_Periods[1][0];
    s.MergeOverlappingPeriods(1);
    EXPECT_EQ(s.m_SelectedPeriod, first) << "a merged-away selection moves to the survivor";
    s.MergeOverlappingPeriods(-1);
    s.MergeOverlappingPeriods(23);
}

TEST(TimeSchedule, InvertCoversExactlyTheUncoveredMinutes) {
    struct Case {
        Spans in, want;
    } cases[] = {
        {{}, {{0, 1440}}},
        {{{420, 960}}, {{0, 420}, {960, 1440}}},
        {{{0, 1440}}, {}},
        {{{0, 420}, {960, 1440}}, {{420, 960}}},
        {{{-50, 10}, {1430, 2000}}, {{10, 1430}}}, // marks are clamped to 0..1440
        {{{-32768, 32767}}, {}},
        {{{100, 50}}, {{0, 1440}}}, // a reversed period covers nothing
    };
    for (const Case& c : cases) {
        cTimeSchedule s;
        SetSpans(s, 5, c.in);
        s.m_SelectedDayType = 5;
        RecordingView view;
        s.InvertTimeSchedule(view);
        EXPECT_EQ(SpansOf(s, 5), c.want);
        EXPECT_EQ(view.PaintedRows, std::vector<int>{5});
    }
}

TEST(TimeSchedule, DeleteWithAndWithoutClearAllDay) {
    ClientState state;
    for (bool clearAll : {true, false}) {
        state.ClearAllDayWhenDeleting = clearAll;
        cTimeSchedule s;
        SetSpans(s, 1, {{0, 10}, {20, 30}, {40, 50}});
        s.m_Grouped[1] = -1;
        s.m_SelectedDayType = 1;
        s.m_SelectedPeriod = s.m_Periods[1][1];
        RecordingView view;
        view.StartText = "00:20";
        s.Delete(state, view);
        EXPECT_EQ(SpansOf(s, 1), clearAll ? Spans{} : (Spans{{0, 10}, {40, 50}}));
        EXPECT_FALSE(s.m_SelectedPeriod);
        EXPECT_EQ(view.StartText, "");
        EXPECT_EQ(s.m_Grouped[1], 0);
        EXPECT_EQ(s.m_SelectedDayType, -1);
        EXPECT_EQ(view.PaintedRows, std::vector<int>{1});
    }
    // Without the flag and without a selected period nothing is removed, but the day
    // type is still ungrouped and the selection ends.
    state.ClearAllDayWhenDeleting = false;
    cTimeSchedule s;
    SetSpans(s, 2, {{0, 10}});
    s.m_Grouped[2] = -1;
    s.m_SelectedDayType = 2;
    RecordingView view;
    view.StartText = "kept";
    s.Delete(state, view);
    EXPECT_EQ(SpansOf(s, 2), (Spans{{0, 10}}));
    EXPECT_EQ(view.StartText, "kept");
    EXPECT_EQ(s.m_Grouped[2], 0);
    EXPECT_EQ(s.m_SelectedDayType, -1);
}

TEST(TimeSchedule, GroupCopiesTheLowestOtherGroupedDayType) {
    cTimeSchedule s;
    SetSpans(s, 1, {{100, 200}});
    SetSpans(s, 3, {{300, 400}});
    SetSpans(s, 5, {{1, 2}});
    s.m_Grouped[1] = s.m_Grouped[3] = -1;
    s.m_SelectedDayType = 5;
    RecordingView view;
    s.Group(view);
    EXPECT_EQ(s.m_Grouped[5], -1);
    EXPECT_EQ(SpansOf(s, 5), (Spans{{100, 200}}));
    EXPECT_NE(s.m_Periods[5][0], s.m_Periods[1][0]) << "copies, not shared periods";
    s.Group(view); // leaving the group changes no periods
    EXPECT_EQ(s.m_Grouped[5], 0);
    EXPECT_EQ(SpansOf(s, 5), (Spans{{100, 200}}));
    EXPECT_EQ(view.PaintedRows, (std::vector<int>{5, 5}));
    // Alone in the group: keeps its periods.
    cTimeSchedule t;
    SetSpans(t, 0, {{7, 8}});
    t.m_SelectedDayType = 0;
    t.Group(view);
    EXPECT_EQ(SpansOf(t, 0), (Spans{{7, 8}}));
}

TEST(TimeSchedule, GroupMonFriSpreadsMonday) {
    cTimeSchedule s;
    SetSpans(s, 0, {{420, 960}});
    SetSpans(s, 5, {{1, 2}});
    s.m_Grouped[9] = -1;
    RecordingView view;
    s.GroupMonFri(view);
    for (int d = 0; d < kDayTypeCount; ++d) EXPECT_EQ(s.m_Grouped[d], d < 5 ? -1 : 0) << d;
    for (int d = 1; d < 5; ++d) EXPECT_EQ(SpansOf(s, d), (Spans{{420, 960}}));
    EXPECT_EQ(SpansOf(s, 5), (Spans{{1, 2}}));
    EXPECT_EQ(view.FullPaints, 1);
    view.MonFriChecked = true; // a checked entry ungroups everything
    s.GroupMonFri(view);
    for (int d = 0; d < kDayTypeCount; ++d) EXPECT_EQ(s.m_Grouped[d], 0);
}

TEST(TimeSchedule, CopyAndPaste) {
    cTimeSchedule s;
    SetSpans(s, 2, {{10, 20}, {15, 30}});
    s.m_Grouped[2] = -1;
    s.m_SelectedDayType = 2;
    s.Copy();
    SetSpans(s, 2, {{10, 20}, {15, 30}, {40, 50}}); // Paste reads the periods as they are then
    s.m_SelectedDayType = 6;
    RecordingView view;
    s.Paste(view);
    EXPECT_EQ(SpansOf(s, 6), (Spans{{10, 30}, {40, 50}}));
    EXPECT_EQ(s.m_Grouped[6], -1);
    // Pasting onto the copied day type, without a selection, or from outside 0..22: nothing.
    for (auto [selected, copied] : {std::pair{2, 2}, {-1, 2}, {6, 23}, {6, -1}, {40, 2}}) {
        cTimeSchedule t = s;
        t.m_SelectedDayType = selected;
        t.m_CopiedDayType = copied;
        RecordingView v;
        t.Paste(v);
        EXPECT_EQ(t.ComposePeriodArray(), s.ComposePeriodArray());
        EXPECT_TRUE(v.PaintedRows.empty());
    }
}

TEST(TimeSchedule, TimeBoxesAndWholeDay) {
    cTimeSchedule s;
    SetSpans(s, 4, {{0, 10}, {500, 600}});
    s.m_Grouped[4] = s.m_Grouped[6] = -1;
    s.m_SelectedDayType = 4;
    s.m_SelectedPeriod = s.m_Periods[4][0];
    RecordingView view;
    view.StartText = "17:00";
    view.StopText = "08:00";
    s.ExtractTimeFromTextboxes(view);
    EXPECT_EQ(SpansOf(s, 4), (Spans{{480, 1020}})) << "swapped, then merged with 500..600";
    EXPECT_EQ(view.StartText, "08:00");
    EXPECT_EQ(view.StopText, "17:00");
    EXPECT_EQ(SpansOf(s, 6), (Spans{{480, 1020}})) << "spread to the group";
    s.SetTimeFrom00to24(view);
    EXPECT_EQ(SpansOf(s, 4), (Spans{{0, 1440}}));
    EXPECT_EQ(s.m_Grouped[4], 0);
    EXPECT_EQ(s.m_SelectedDayType, -1);
}

TEST(TimeSchedule, DefaultPeriodAndLookUps) {
    cTimeSchedule s;
    SetSpans(s, 0, {{420, 960}});
    s.SetDefaultPeriod();
    EXPECT_EQ(SpansOf(s, 0), (Spans{{420, 960}, {420, 960}}));
    EXPECT_EQ(SpansOf(s, 4), (Spans{{420, 960}}));
    EXPECT_EQ(s.m_Grouped[4], -1);
    int16_t start = -5, stop = -5;
    PeriodPtr first = s.GetNextTimePeriod(0, start, stop, nullptr);
    EXPECT_EQ(first, s.m_Periods[0][0]);
    EXPECT_EQ(s.GetNextTimePeriod(0, start, stop, first), s.m_Periods[0][1]);
    EXPECT_FALSE(s.GetNextTimePeriod(0, start, stop, s.m_Periods[0][1]));
    EXPECT_FALSE(s.GetNextTimePeriod(0, start, stop, std::make_shared<cTimeSchedulePeriod>()));
    EXPECT_EQ(start, 420);
    s.SetActive(0, 0);
    EXPECT_FALSE(s.GetNextTimePeriod(0, start, stop, nullptr));
    EXPECT_EQ(s.GetTimeSchedulePeriod(0), nullptr);
    EXPECT_EQ(s.GetTimeSchedulePeriod(1), &s.m_Periods[1]);
    // Day types outside 0..22.
    for (int d : {-1, 23, 1000}) {
        s.SetActive(d, 1);
        EXPECT_EQ(s.GetActive(d), 0);
        EXPECT_FALSE(s.GetNextTimePeriod(d, start, stop, nullptr));
        EXPECT_EQ(s.GetTimeSchedulePeriod(d), nullptr);
        RecordingView view;
        s.m_SelectedDayType = d;
        s.Group(view);
        s.InvertTimeSchedule(view);
        s.SetTimeFrom00to24(view);
        s.CopyToGroupedDayTypes(view, d);
        EXPECT_TRUE(view.PaintedRows.empty());
    }
    s.SetActive(3, 7);
    EXPECT_EQ(s.GetActive(3), -1);
}
