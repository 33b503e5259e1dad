#include "report/vgr.h"

#include "report/test_days.h"

namespace movra {

std::optional<double> VarianceGrowthRate(const std::vector<ReportResult>& tests) {
  const std::vector<TestDay> days = TestDays(tests);
  if (days.size() < 2) return std::nullopt;
  double sum = 0;
  for (size_t i = 1; i < days.size(); ++i) {
    const double change = (days[i].MeanTenths() - days[i - 1].MeanTenths()) / 10.0;
    const double weeks = static_cast<double>(days[i].day - days[i - 1].day) / 7.0;
    sum += change * change / weeks;
  }
  return sum / static_cast<double>(days.size() - 1);
}

}  // namespace movra
