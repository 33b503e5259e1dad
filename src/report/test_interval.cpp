#include "report/test_interval.h"

#include "report/test_days.h"

namespace movra {

std::optional<double> MeanDaysBetweenTests(const std::vector<ReportResult>& tests) {
  const std::vector<TestDay> days = TestDays(tests);
  if (days.size() < 2) return std::nullopt;
  return static_cast<double>(days.back().day - days.front().day) / static_cast<double>(days.size() - 1);
}

}  // namespace movra
