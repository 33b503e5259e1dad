// The markers of poor control, the variance growth rate and the mean interval between
// tests, worked out by hand for each row of the table. Days count from 2024-03-01, values
// are INR in tenths in the TTR sums; the target range is 2.0-3.0. VGR is the mean over
// consecutive test days of (change in INR)^2 / (days / 7); a gap of one day is 1/7 week,
// so its term is change^2 * 7. The markers are written as name[days of the results that
// raised it].
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "report/poor_control.h"
#include "report/report_rows.h"
#include "report/test_interval.h"
#include "report/vgr.h"
#include "report_rows.h"

namespace movra::test {
namespace {

struct ControlCase {
  const char* name;
  std::vector<RowSpec> rows;
  std::string markers;
  std::optional<double> vgr;
  std::optional<double> interval;
  int measuringHighTenths = kMeasuringHighTenths;
};

const ControlCase kCases[] = {
    // TTR 100 % (all 2.1-2.8). VGR: (0.3^2 / 1 + 0.7^2 / 2) / 2 = (0.09 + 0.245) / 2.
    // Interval: 21 days over 2 gaps.
    {"NoMarkers", {{0, 2.5}, {7, 2.8}, {21, 2.1}}, "none", (0.09 + 0.245) / 2, 10.5},
    // 16, 36, 24 on days 0, 4, 8: 5 of 9 days in, 55.6 % < 65 %. Out of range: 1.6 (day
    // 0) and 3.6 (day 4). VGR: (2.0^2 * 7/4 + 1.2^2 * 7/4) / 2 = (7 + 2.52) / 2.
    {"TtrBelow65", {{0, 1.6}, {4, 3.6}, {8, 2.4}}, "ttr-below-65[0,4]", (7 + 2.52) / 2, 4.0},
    // 25 on days 0 and 11: days 0-10 in (11). 25 -> 50 over 8 days: 25 + 25k/8 = 25, 28.1
    // in, 31.3 .. 46.9 above (6); day 19's 50 above. 13 of 20 days = 65 % exactly: not
    // below 65. 5.0 is not above 5. VGR: (0 + 2.5^2 * 7/8) / 2 = 5.46875 / 2.
    {"TtrOfExactly65AndAResultOf5NotRaised", {{0, 2.5}, {11, 2.5}, {19, 5.0}}, "none", 5.46875 / 2, 9.5},
    // 1.4 and an arrow below (0.7) raise it; 1.5 (day 42) is not below 1.5. TTR: day 0
    // below, days 1-40 in (40), 41 and 42 below: 40 of 43. VGR: 1.1^2 * 7 = 8.47, 0,
    // 1.8^2 * 7 = 22.68, 0.8^2 * 7 = 4.48; (8.47 + 22.68 + 4.48) / 4. Interval 42 / 4.
    {"TwoBelow15WithAnArrowBelow",
     {{0, 1.4}, {1, 2.5}, {40, 2.5}, {41, kBelowRange}, {42, 1.5}},
     "two-below-1.5[0,41]", (8.47 + 22.68 + 4.48) / 4, 10.5},
    // 5.1 and an arrow above (7.0) are two above 5; the arrow alone raises "above the
    // measuring range", not above 8, with the meter's limit of 7.0. TTR: days 0-40 in
    // (41), 41 and 42 above: 41 of 43. VGR: 0, 2.6^2 * 7 = 47.32, 1.9^2 * 7 = 25.27.
    {"TwoAbove5AndAnArrowAboveTheMeasuringRange",
     {{0, 2.5}, {40, 2.5}, {41, 5.1}, {42, kAboveRange}},
     "two-above-5[41,42] above-range[42]", (47.32 + 25.27) / 3, 14.0},
    // The same with a meter measuring up to 8.0: the arrow stands for 8.0 and is above 8.
    // VGR: 0, 47.32, 2.9^2 * 7 = 58.87.
    {"AnArrowAboveIsAbove8WhenTheLimitIs8",
     {{0, 2.5}, {40, 2.5}, {41, 5.1}, {42, kAboveRange}},
     "two-above-5[41,42] above-8[42]", (47.32 + 58.87) / 3, 14.0, 80},
    // The last result is on day 184 (2024-09-01): the window starts on 2024-03-01, day 0.
    // Day -1's 1.2 is left out; days 0 and 1 are the two below 1.5. TTR in the window: day
    // 0 below, day 1 alone (gap 149), days 150-184 in (35): 35 of 37. VGR over the whole
    // period: 0.2^2 * 7 = 0.28, 0.1^2 * 7 = 0.07, 1.2^2 * 7/149, 0. Interval 185 / 4.
    {"SixMonthWindowLeavesOlderResultsOut",
     {{-1, 1.2}, {0, 1.4}, {1, 1.3}, {150, 2.5}, {184, 2.5}},
     "two-below-1.5[0,1]", (0.28 + 0.07 + 1.44 * 7 / 149) / 4, 46.25},
    // The last result on day 183 (2024-08-31): February has no 31st, so the window starts
    // on its last day, 2024-02-29 (day -1). Day -2's 1.2 is left out; days -1 and 0 are the
    // two below 1.5. TTR in the window: days -1 and 0 below, days 150-183 in (34): 34 of
    // 36. VGR: 0.1^2 * 7 = 0.07 twice, 1.1^2 * 7/150, 0. Interval 185 / 4.
    {"SixMonthWindowFromAShorterMonthsLastDay",
     {{-2, 1.2}, {-1, 1.3}, {0, 1.4}, {150, 2.5}, {183, 2.5}},
     "two-below-1.5[-1,0]", (0.07 + 0.07 + 1.21 * 7 / 150) / 4, 46.25},
    // 1.8 and 2.4 on day 0 average 2.1; 3.3 on day 2. TTR 66.7 % (ttr_test). VGR: 1.2^2 *
    // 7/2 = 5.04. Interval: one gap of 2 days, not 2 days over 2 tests.
    {"SameDayResultsAveraged",
     {{0, 1.8, "Downloaded Sample", 8}, {0, 2.4, "Downloaded Sample", 18}, {2, 3.3}},
     "none", 5.04, 2.0},
    // Controls below 1.5 on days 1-3 are no patient's results: 2.5 on days 0 and 7 only.
    {"ControlsIgnored",
     {{0, 2.5}, {1, 1.0, "EC"}, {2, 1.2, "Downloaded CS"}, {3, 1.1, "CS"}, {7, 2.5}},
     "none", 0.0, 7.0},
    // Two tests on one day: two results below 1.5, but one test day gives no VGR, no
    // interval and no TTR.
    {"OneTestDay",
     {{0, 1.2, "Downloaded Sample", 8}, {0, 1.3, "Downloaded Sample", 9}},
     "two-below-1.5[0,0]", std::nullopt, std::nullopt},
};

void PrintTo(const ControlCase& c, std::ostream* os) { *os << c.name; }

class PoorControlTable : public ::testing::TestWithParam<ControlCase> {};

std::string Shown(const PoorControlMarkers& m) {
  if (m.raised.empty()) return "none";
  const long first = static_cast<long>(*EncodeDate(2024, 3, 1));
  std::string out;
  for (const RaisedMarker& r : m.raised) {
    out += (out.empty() ? "" : " ") + std::string(MarkerName(r.marker)) + "[";
    for (size_t i = 0; i < r.results.size(); ++i)
      out += (i ? "," : "") + std::to_string(static_cast<long>(std::floor(r.results[i].when)) - first);
    out += "]";
  }
  return out;
}

void ExpectNear(const std::optional<double>& got, const std::optional<double>& want, const char* what) {
  ASSERT_EQ(got.has_value(), want.has_value()) << what;
  if (want) {
    EXPECT_NEAR(*got, *want, 1e-9) << what;
  }
}

TEST_P(PoorControlTable, MarkersVariabilityAndInterval) {
  const ControlCase& c = GetParam();
  std::vector<ReportGroup> groups = GroupReportRows(MakeRows(c.rows));
  ASSERT_EQ(groups.size(), 1u);
  std::vector<ReportResult> tests = groups[0].tests;
  // An arrow above enters as the meter's upper limit.
  for (ReportResult& r : tests)
    if (r.measured == Measured::Above) r.tenths = c.measuringHighTenths;
  EXPECT_EQ(Shown(FindPoorControl(tests, TargetRange{20, 30}, c.measuringHighTenths)), c.markers);
  ExpectNear(VarianceGrowthRate(tests), c.vgr, "VGR");
  ExpectNear(MeanDaysBetweenTests(tests), c.interval, "interval");
}

INSTANTIATE_TEST_SUITE_P(Cases, PoorControlTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ControlCase>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace movra::test
