// The figures of an INR report: time in therapeutic range by the Rosendaal method, the
// shares of days below and above, and the counts of the tests.
//
// Rosendaal FR, Cannegieter SC, van der Meer FJ, Briet E. A method to determine the optimal
// intensity of oral anticoagulant therapy. Thromb Haemost 1993;69:236-9.
//
// How the days are counted here:
// - Values are the INR in tenths as the list shows it; an arrow (above 7.0 or below 0.7)
//   enters as the limit it passed, 7.0 or 0.7. The target range lies inside the
//   measuring range, so an arrow's days always count above or below the target.
// - Several tests on one day are averaged first; that day then has one value.
// - Between consecutive test days d_i and d_i+1 (gap g = d_i+1 - d_i days) the interval
//   [d_i, d_i+1) gives g days, day d_i + k valued by linear interpolation
//   v_i + (v_i+1 - v_i) * k / g for k = 0 .. g-1. The last test day is counted once.
// - A gap longer than 56 days is not interpolated: its first day counts with its own
//   value and the days between are left out.
// - A day is in range when low <= value <= high: the bounds count as in range. The
//   comparisons are exact (integer arithmetic on tenths), so a day interpolated onto a
//   bound counts as in range.
// - The TTR needs at least one interpolated interval (two test days at most 56 days
//   apart). A single test, tests on one day only, or only longer gaps leave every counted
//   day a test day of its own: the shares of days are then not computable and the report
//   says so; the figures of the tests themselves still are.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "report/report_rows.h"

namespace movra {

// The target range in tenths of INR; both bounds belong to it.
struct TargetRange {
  int lowTenths = 20;
  int highTenths = 30;
  bool operator==(const TargetRange&) const = default;
};

// Longest gap between test days that is interpolated.
constexpr int kMaxInterpolatedGapDays = 56;

enum class AgainstTarget { Below, In, Above };
AgainstTarget CompareWithTarget(const ReportResult& r, TargetRange range);

struct ReportFigures {
  int tests = 0;
  int inRangeTests = 0;
  int belowTests = 0;
  int aboveTests = 0;
  // Interpolated days and how they fall.
  long days = 0;
  long daysIn = 0;
  long daysBelow = 0;
  long daysAbove = 0;
  long intervals = 0;  // gaps between test days that were interpolated
  double meanInr = 0;  // arrows at their limits
  std::optional<ReportResult> last;
  TDateTime firstDay = 0;  // the day of the first and of the last test (whole days)
  TDateTime lastDay = 0;

  // Whether the TTR and the shares of days below and above mean anything.
  bool HasTtr() const { return intervals > 0; }
  // Shares in per cent (0 when there is nothing to share).
  double ttrPercent() const { return Share(daysIn, days); }
  double belowPercent() const { return Share(daysBelow, days); }
  double abovePercent() const { return Share(daysAbove, days); }
  double inRangeTestsPercent() const { return Share(inRangeTests, tests); }
  static double Share(long part, long whole) { return whole > 0 ? 100.0 * part / whole : 0; }
};

// The figures of tests oldest first (as GroupReportRows gives them).
ReportFigures ComputeFigures(const std::vector<ReportResult>& tests, TargetRange range);

}  // namespace movra
