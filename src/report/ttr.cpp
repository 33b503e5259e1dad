#include "report/ttr.h"

#include <cstdint>

#include "report/test_days.h"

namespace movra {

namespace {

// The value num / den (tenths, den > 0) against the range.
AgainstTarget Compare(int64_t num, int64_t den, TargetRange range) {
  if (num < range.lowTenths * den) return AgainstTarget::Below;
  if (num > range.highTenths * den) return AgainstTarget::Above;
  return AgainstTarget::In;
}

void CountDay(ReportFigures& f, AgainstTarget where) {
  ++f.days;
  if (where == AgainstTarget::In) ++f.daysIn;
  if (where == AgainstTarget::Below) ++f.daysBelow;
  if (where == AgainstTarget::Above) ++f.daysAbove;
}

}  // namespace

AgainstTarget CompareWithTarget(const ReportResult& r, TargetRange range) {
  if (r.measured == Measured::Above) return AgainstTarget::Above;
  if (r.measured == Measured::Below) return AgainstTarget::Below;
  return Compare(r.tenths, 1, range);
}

ReportFigures ComputeFigures(const std::vector<ReportResult>& tests, TargetRange range) {
  ReportFigures f;
  if (tests.empty()) return f;
  int64_t sum = 0;
  for (const ReportResult& t : tests) {
    ++f.tests;
    sum += t.tenths;
    switch (CompareWithTarget(t, range)) {
      case AgainstTarget::In: ++f.inRangeTests; break;
      case AgainstTarget::Below: ++f.belowTests; break;
      case AgainstTarget::Above: ++f.aboveTests; break;
    }
  }
  f.meanInr = static_cast<double>(sum) / f.tests / 10.0;
  f.last = tests.back();
  f.firstDay = DayOf(tests.front().when);
  f.lastDay = DayOf(tests.back().when);

  std::vector<TestDay> days = TestDays(tests);
  for (size_t i = 0; i + 1 < days.size(); ++i) {
    const TestDay& a = days[i];
    const TestDay& b = days[i + 1];
    const long gap = b.day - a.day;
    if (gap > kMaxInterpolatedGapDays) {
      CountDay(f, Compare(a.sum, a.count, range));
      continue;
    }
    ++f.intervals;
    // Day a.day + k: (sa/ca) * (g-k)/g + (sb/cb) * k/g over the common denominator ca*cb*g.
    for (long k = 0; k < gap; ++k) {
      int64_t num = a.sum * b.count * (gap - k) + b.sum * a.count * k;
      int64_t den = a.count * b.count * gap;
      CountDay(f, Compare(num, den, range));
    }
  }
  CountDay(f, Compare(days.back().sum, days.back().count, range));
  return f;
}

}  // namespace movra
