#include "report/test_days.h"

#include <cmath>

namespace movra {

long DayOf(TDateTime when) { return static_cast<long>(std::floor(when)); }

std::vector<TestDay> TestDays(const std::vector<ReportResult>& tests) {
  std::vector<TestDay> days;
  for (const ReportResult& t : tests) {
    long d = DayOf(t.when);
    if (days.empty() || days.back().day != d) days.push_back({d, 0, 0});
    days.back().sum += t.tenths;
    ++days.back().count;
  }
  return days;
}

}  // namespace movra
