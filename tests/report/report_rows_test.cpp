// Which ticked rows a report is made of, and the figures as movra-cli prints them.
#include <gtest/gtest.h>

#include <cmath>

#include "report/report_lines.h"
#include "report/report_rows.h"
#include "report_rows.h"

namespace movra::test {
namespace {

TEST(ReportGroups, OnePerMeterAndPatientWithThatMetersControls) {
  std::vector<ExportRow> rows = MakeRows({
      {3, 2.5, "Downloaded Sample", 9, true, "SN1", "7"},
      {1, 2.1, "Downloaded Sample", 9, true, "SN2", "7"},
      {0, 2.2, " ", 9, true, "SN1", "7"},
      {2, 1.9, "Unknown", 9, true, "SN1", "8"},
      {1, 2.6, "EC", 9, true, "SN1", ""},
      {2, 1.2, "Downloaded CS", 9, true, "SN2", ""},
      {4, 2.9, "CS", 9, false, "SN1", ""},                // not ticked
      {5, 3.0, "Downloaded Sample", 9, false, "SN3", "9"},  // not ticked: no group
      {6, 2.0, "Downloaded EC", 9, true, "SN4", ""},      // a meter with controls only
  });
  std::vector<ReportGroup> groups = GroupReportRows(rows);
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(GroupName(groups[0]), "SN1/7");
  EXPECT_EQ(GroupName(groups[1]), "SN2/7");
  EXPECT_EQ(GroupName(groups[2]), "SN1/8");
  // Oldest first, whatever the list's order; a blank sample type is a patient test.
  ASSERT_EQ(groups[0].tests.size(), 2u);
  EXPECT_EQ(groups[0].tests[0].tenths, 22);
  EXPECT_EQ(groups[0].tests[1].tenths, 25);
  ASSERT_EQ(groups[0].controls.size(), 1u);
  EXPECT_EQ(groups[0].controls[0].sampleType, "EC");
  ASSERT_EQ(groups[1].controls.size(), 1u);
  EXPECT_EQ(groups[1].controls[0].sampleType, "Downloaded CS");
  EXPECT_EQ(groups[2].controls.size(), 1u);  // the meter's controls go with each patient
}

TEST(ReportGroups, ValuesAsTheListShowsThem) {
  // The list's rounding (ties to even after the single-precision value) and its arrows.
  struct Case {
    double inr;
    int tenths;
    Measured measured;
  } cases[] = {{2.25, 22, Measured::In}, {0.74, 7, Measured::Below}, {0.75, 8, Measured::In},
               {7.04, 70, Measured::In}, {7.05, 70, Measured::Above}, {12.5, 70, Measured::Above},
               {1e30, 70, Measured::Above}, {HUGE_VAL, 70, Measured::Above}, {-HUGE_VAL, 7, Measured::Below}};
  for (const Case& c : cases) {
    ReportResult r = ReportResultOf(MakeRow({0, c.inr}));
    EXPECT_EQ(r.tenths, c.tenths) << c.inr;
    EXPECT_EQ(r.measured, c.measured) << c.inr;
  }
}

TEST(ReportGroups, ARowWithoutAnInrNumberStaysOutOfTheFigures) {
  // An older version stored a damaged record's INR as no value; it must not become a
  // result of 0.7 or a mean from a NaN.
  std::vector<ReportGroup> groups = GroupReportRows(MakeRows({{0, 2.0}, {1, std::nan("")}, {2, 3.0}}));
  ASSERT_EQ(groups.size(), 1u);
  ASSERT_EQ(groups[0].tests.size(), 2u);
  ReportFigures f = ComputeFigures(groups[0].tests, TargetRange{20, 30});
  EXPECT_EQ(FigureLines(groups[0], TargetRange{20, 30}, f)[7], "Mean\t2.50");
}

TEST(ReportLines, NameTabValueWithPointsAndPerCents) {
  // 18 on 2024-03-01, 28 on 2024-03-11 (the across-the-bound case): 9 of 11 days in.
  std::vector<ReportGroup> groups = GroupReportRows(MakeRows({{0, 1.8}, {10, 2.8}}));
  ASSERT_EQ(groups.size(), 1u);
  ReportFigures f = ComputeFigures(groups[0].tests, TargetRange{20, 30});
  EXPECT_EQ(FigureLines(groups[0], TargetRange{20, 30}, f),
            (std::vector<std::string>{"Group\tSN1/7", "Target\t2.0-3.0", "Tests\t2", "TTR\t81.8", "Below\t18.2",
                                      "Above\t0.0", "InRangeTests\t1\t50.0", "Mean\t2.30", "Last\t2.8",
                                      "From\t2024-03-01", "To\t2024-03-11",
                                      // 1.0^2 / (10/7 weeks); one gap of 10 days; 81.8 % TTR.
                                      "VGR\t0.70", "Interval\t10.0", "Flags\tnone"}));
  groups = GroupReportRows(MakeRows({{0, kAboveRange}}));
  f = ComputeFigures(groups[0].tests, TargetRange{20, 30});
  EXPECT_EQ(FigureLines(groups[0], TargetRange{20, 30}, f)[8], "Last\tINR \xE2\x86\x91");
}

TEST(ReportLines, NoTtrWithoutAnInterpolatedDay) {
  // One test: no day to interpolate, so TTR and the day shares are "-"; the figures of
  // the tests themselves stay.
  std::vector<ReportGroup> groups = GroupReportRows(MakeRows({{0, 2.5}}));
  ReportFigures f = ComputeFigures(groups[0].tests, TargetRange{20, 30});
  EXPECT_EQ(FigureLines(groups[0], TargetRange{20, 30}, f),
            (std::vector<std::string>{"Group\tSN1/7", "Target\t2.0-3.0", "Tests\t1", "TTR\t-", "Below\t-",
                                      "Above\t-", "InRangeTests\t1\t100.0", "Mean\t2.50", "Last\t2.5",
                                      "From\t2024-03-01", "To\t2024-03-01",
                                      "VGR\t-", "Interval\t-", "Flags\tnone"}));
}

}  // namespace
}  // namespace movra::test
