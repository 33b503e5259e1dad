// The test days of a patient's results: several tests on one day become one value, their
// mean. The TTR, the variance growth rate and the mean interval between tests all count
// days this way.
#pragma once
#include <cstdint>
#include <vector>

#include "report/report_rows.h"

namespace movra {

// One test day: the sum of its values in tenths and how many tests it had, so the day's
// mean sum / count stays exact.
struct TestDay {
  long day = 0;
  int64_t sum = 0;
  int64_t count = 0;
  double MeanTenths() const { return static_cast<double>(sum) / static_cast<double>(count); }
};

// The whole day a test was on.
long DayOf(TDateTime when);

// The test days of tests oldest first, arrows at the limits they passed.
std::vector<TestDay> TestDays(const std::vector<ReportResult>& tests);

}  // namespace movra
