// The period lists of a parsed schedule start packed in one block: unpacking on first use,
// growing, moving lists and schedules, and failed parses must keep every period where it was.
#include "core/errors.h"
#include "core/records/timeschedule.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

using namespace korvel;

namespace {

using Spans = std::vector<std::pair<int, int>>;

Spans SpansOf(const PeriodList& list) {
    Spans out;
    for (const PeriodPtr& p : list) out.emplace_back(p->m_StartMinute, p->m_StopMinute);
    return out;
}

PeriodPtr Period(int start, int stop) {
    return std::make_shared<cTimeSchedulePeriod>(
        cTimeSchedulePeriod{static_cast<int16_t>(start), static_cast<int16_t>(stop)});
}

// A schedule whose day type d has d % 3 periods (10d..10d+5, ...), parsed from its string.
cTimeSchedule Parsed() {
    cTimeSchedule source;
    for (int d = 0; d < kDayTypeCount; ++d)
        for (int i = 0; i < d % 3; ++i) source.m_Periods[d].push_back(Period(10 * d + 100 * i, 10 * d + 100 * i + 5));
    cTimeSchedule parsed;
    EXPECT_TRUE(parsed.ExtractPeriodArray(source.ComposePeriodArray()));
    return parsed;
}

} // namespace

TEST(PeriodList, ParsedListsGrowShrinkAndMoveWithoutLosingPeriods) {
    cTimeSchedule s = Parsed();
    const Bytes form = s.ComposePeriodArray();
    EXPECT_EQ(SpansOf(s.m_Periods[2]), (Spans{{20, 25}, {120, 125}}));

    // Growing day 1 leaves day 2 (the next periods of the block) alone.
    for (int i = 0; i < 5; ++i) s.m_Periods[1].push_back(Period(500 + i, 501 + i));
    s.m_Periods[1].push_back(s.m_Periods[1][0]); // an element of the list itself
    EXPECT_EQ(s.m_Periods[1].size(), 7u);
    EXPECT_EQ(s.m_Periods[1][6], s.m_Periods[1][0]);
    EXPECT_EQ(SpansOf(s.m_Periods[2]), (Spans{{20, 25}, {120, 125}}));
    s.m_Periods[2].erase(s.m_Periods[2].begin());
    EXPECT_EQ(SpansOf(s.m_Periods[2]), (Spans{{120, 125}}));
    s.m_Periods[2].push_back(Period(1, 2));
    EXPECT_EQ(SpansOf(s.m_Periods[2]), (Spans{{120, 125}, {1, 2}}));

    // A list moved out of its schedule outlives it; a period held elsewhere too.
    PeriodList moved;
    PeriodPtr held;
    {
        cTimeSchedule t = Parsed();
        held = t.m_Periods[5][1];
        moved = std::move(t.m_Periods[5]);
        EXPECT_TRUE(t.m_Periods[5].empty());
        PeriodList copied = t.m_Periods[4];
        EXPECT_EQ(copied, t.m_Periods[4]) << "copies share the period objects, as a vector would";
    }
    EXPECT_EQ(SpansOf(moved), (Spans{{50, 55}, {150, 155}}));
    EXPECT_EQ(held->m_StopMinute, 155);

    // Moving and copying whole schedules; parsing again over unpacked lists.
    cTimeSchedule a = Parsed();
    a.m_SelectedPeriod = a.m_Periods[8][1];
    cTimeSchedule b(std::move(a));
    EXPECT_EQ(SpansOf(b.m_Periods[8]), (Spans{{80, 85}, {180, 185}}));
    EXPECT_EQ(b.m_SelectedPeriod, b.m_Periods[8][1]);
    cTimeSchedule c;
    c = std::move(b);
    c = Parsed();
    cTimeSchedule d(c);
    EXPECT_EQ(d.ComposePeriodArray(), c.ComposePeriodArray());
    EXPECT_NE(d.m_Periods[8][0], c.m_Periods[8][0]);
    c.ExtractPeriodArray(form);
    EXPECT_EQ(c.ComposePeriodArray(), form);
}

TEST(PeriodList, ShortStringChangesNothing) {
    cTimeSchedule s = Parsed();
    const Bytes before = s.ComposePeriodArray();
    for (std::size_t cut : {std::size_t{0}, std::size_t{5}, std::size_t{13}, before.size() - 1})
        EXPECT_THROW(s.ExtractPeriodArray(std::string_view(before).substr(0, cut)), DecodeError) << cut;
    EXPECT_EQ(s.ComposePeriodArray(), before);
}
