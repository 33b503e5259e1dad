// Time in therapeutic range, worked out by hand for each row of the table. Values in the
// comments are tenths of INR; "k" is the day within an interval of g days, valued
// v_a + (v_b - v_a) * k / g; the last test day counts once.
#include <gtest/gtest.h>

#include "report/report_rows.h"
#include "report/ttr.h"
#include "report_rows.h"

namespace movra::test {
namespace {

struct TtrCase {
  const char* name;
  std::vector<RowSpec> rows;
  TargetRange range;
  int tests, inRangeTests;
  long days, daysIn, daysBelow, daysAbove;
  double ttr, below, above, mean;
  // Whether any day was interpolated between two tests: without one there is no TTR.
  bool hasTtr = true;
};

const TargetRange kUsual{20, 30};

const TtrCase kCases[] = {
    // One test, one day, in range: 1/1 days in, but nothing to interpolate: no TTR.
    {"SingleResult", {{0, 2.5}}, kUsual, 1, 1, 1, 1, 0, 0, 100.0, 0.0, 0.0, 2.5, false},
    // One test below: its one day is below; no TTR either.
    {"SingleResultBelow", {{0, 1.5}}, kUsual, 1, 0, 1, 0, 1, 0, 0.0, 100.0, 0.0, 1.5, false},
    // Two tests on one day average to 25: still one day and no TTR.
    {"TestsOnOneDayOnly", {{0, 2.0, "Downloaded Sample", 8}, {0, 3.0, "Downloaded Sample", 18}}, kUsual, 2, 2, 1, 1, 0, 0,
     100.0, 0.0, 0.0, 2.5, false},
    // One day apart: the interval [0, 1) is interpolated (day 0 at its own value), so this
    // is the shortest history with a TTR. 15 (below) and 25 (in): 50 % each.
    {"TwoResultsOneDayApart", {{0, 1.5}, {1, 2.5}}, kUsual, 2, 1, 2, 1, 1, 0, 50.0, 50.0, 0.0, 2.0},
    // 18 on day 0, 28 on day 10: k = 0..9 gives 18..27 (18, 19 below; 20..27 in, 8 days),
    // day 10 gives 28 (in). 11 days: 9 in = 81.8 %, 2 below = 18.2 %. Mean (18+28)/2 = 23.
    {"TwoResultsAcrossTheLowBound", {{0, 1.8}, {10, 2.8}}, kUsual, 2, 1, 11, 9, 2, 0, 81.8, 18.2, 0.0, 2.3},
    // 36 on day 0, 24 on day 6: k = 0..5 gives 36, 34, 32 (above), 30 (the bound: in), 28,
    // 26; day 6 gives 24. 7 days: 4 in = 57.1 %, 3 above = 42.9 %. Mean 30.
    {"CrossingDownThroughTheHighBound", {{0, 3.6}, {6, 2.4}}, kUsual, 2, 1, 7, 4, 0, 3, 57.1, 0.0, 42.9, 3.0},
    // 16 (day 0), 36 (day 4), 24 (day 8), listed out of order. Up: 16+5k = 16 (below),
    // 21, 26 (in), 31 (above). Down: 36-3k = 36, 33 (above), 30, 27 (in). Day 8: 24 (in).
    // 9 days: 5 in = 55.6 %, 1 below = 11.1 %, 3 above = 33.3 %. Mean 76/3 = 25.33.
    {"CrossingUpAndDown", {{4, 3.6}, {0, 1.6}, {8, 2.4}}, kUsual, 3, 1, 9, 5, 1, 3, 55.6, 11.1, 33.3, 2.5333},
    // Day 0 at 08:00 18 and at 18:00 24 average to 21; day 2: 33. k = 0: 21 (in); k = 1:
    // (21+33)/2 = 27 (in); day 2: 33 (above). 3 days: 2 in = 66.7 %, 1 above. Taking the
    // morning test alone would have put day 0 below. Mean (18+24+33)/3 = 25.
    {"ResultsOnTheSameDayAveraged", {{0, 1.8, "Downloaded Sample", 8}, {0, 2.4, "Downloaded Sample", 18}, {2, 3.3}},
     kUsual, 3, 1, 3, 2, 0, 1, 66.7, 0.0, 33.3, 2.5},
    // 15 on day 0, 25 on day 60: the gap of 60 days is left out. Day 0 (below) and day 60
    // (in): 2 days, 50 % each, none interpolated: no TTR.
    {"GapOver56DaysNotInterpolated", {{0, 1.5}, {60, 2.5}}, kUsual, 2, 1, 2, 1, 1, 0, 50.0, 50.0, 0.0, 2.0, false},
    // Every gap over 56 days: three lone days, no TTR.
    {"AllGapsOver56Days", {{0, 2.5}, {57, 2.5}, {200, 1.5}}, kUsual, 3, 2, 3, 2, 1, 0, 66.7, 33.3, 0.0, 2.1667, false},
    // 25 on day 0, 15 on day 100, 25 on day 110: day 0 alone (in); 15 + k for k = 0..9
    // gives 15..19 below (5), 20..24 in (5); day 110 in. 12 days: 7 in = 58.3 %, 5 below.
    // One interval within 56 days is enough for a TTR.
    {"OneGapOver56AndOneWithin", {{0, 2.5}, {100, 1.5}, {110, 2.5}}, kUsual, 3, 2, 12, 7, 5, 0, 58.3, 41.7, 0.0, 2.1667},
    // The same over exactly 56 days is interpolated: 15 + 10k/56 < 20 for k < 28, so
    // k = 0..27 below (28 days), k = 28..55 in (28), day 56 in. 57 days: 29 in = 50.9 %,
    // 28 below = 49.1 %.
    {"GapOf56DaysInterpolated", {{0, 1.5}, {56, 2.5}}, kUsual, 2, 1, 57, 29, 28, 0, 50.9, 49.1, 0.0, 2.0},
    // "INR ↑" enters as 70 on day 0, 20 on day 7: 70 - 50k/7 <= 30 first at k = 6 (27.1);
    // k = 0..5 above (6 days), k = 6 in, day 7 (20, on the bound) in. 8 days: 2 in = 25 %,
    // 6 above = 75 %. The arrow test counts above. Mean (70+20)/2 = 45.
    {"ArrowAboveEntersAsTheLimit", {{0, kAboveRange}, {7, 2.0}}, kUsual, 2, 1, 8, 2, 0, 6, 25.0, 0.0, 75.0, 4.5},
    // "INR ↓" enters as 7 on day 0, 22 on day 3: 7 + 5k = 7, 12, 17 (below); day 3: 22
    // (in). 4 days: 1 in = 25 %, 3 below = 75 %. Mean (7+22)/2 = 14.5.
    {"ArrowBelowEntersAsTheLimit", {{0, kBelowRange}, {3, 2.2}}, kUsual, 2, 1, 4, 1, 3, 0, 25.0, 75.0, 0.0, 1.45},
    // Control tests (EC on day 1, Downloaded CS on day 2) and an unticked test (day 1, 5.0)
    // stay out: 25 on days 0 and 3, all 4 days in.
    {"ControlAndUntickedResultsLeftOut",
     {{0, 2.5}, {1, 1.0, "EC"}, {2, 5.0, "Downloaded CS"}, {1, 5.0, "Downloaded Sample", 9, false}, {3, 2.5}},
     kUsual, 2, 2, 4, 4, 0, 0, 100.0, 0.0, 0.0, 2.5},
    // The first pair again with the range 1.8-2.5: 18..25 in (k = 0..7, 8 days), 26, 27 and
    // day 10's 28 above. 11 days: 8 in = 72.7 %, 3 above = 27.3 %. 1.8 on the bound is in.
    {"RangeEdited", {{0, 1.8}, {10, 2.8}}, TargetRange{18, 25}, 2, 1, 11, 8, 0, 3, 72.7, 0.0, 27.3, 2.3},
};

void PrintTo(const TtrCase& c, std::ostream* os) { *os << c.name; }

class Ttr : public ::testing::TestWithParam<TtrCase> {};

TEST_P(Ttr, CountsTheInterpolatedDays) {
  const TtrCase& c = GetParam();
  std::vector<ReportGroup> groups = GroupReportRows(MakeRows(c.rows));
  ASSERT_EQ(groups.size(), 1u);
  ReportFigures f = ComputeFigures(groups[0].tests, c.range);
  EXPECT_EQ(f.tests, c.tests);
  EXPECT_EQ(f.inRangeTests, c.inRangeTests);
  EXPECT_EQ(f.days, c.days);
  EXPECT_EQ(f.daysIn, c.daysIn);
  EXPECT_EQ(f.daysBelow, c.daysBelow);
  EXPECT_EQ(f.daysAbove, c.daysAbove);
  EXPECT_NEAR(f.ttrPercent(), c.ttr, 0.05);
  EXPECT_NEAR(f.belowPercent(), c.below, 0.05);
  EXPECT_NEAR(f.abovePercent(), c.above, 0.05);
  EXPECT_NEAR(f.meanInr, c.mean, 0.0005);
  EXPECT_EQ(f.HasTtr(), c.hasTtr);
}

INSTANTIATE_TEST_SUITE_P(Table, Ttr, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TtrFigures, NoTestsGiveNoDays) {
  ReportFigures f = ComputeFigures({}, kUsual);
  EXPECT_EQ(f.days, 0);
  EXPECT_EQ(f.ttrPercent(), 0);
  EXPECT_FALSE(f.HasTtr());
  EXPECT_FALSE(f.last);
}

}  // namespace
}  // namespace movra::test
