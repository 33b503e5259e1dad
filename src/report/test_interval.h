// How often the patient tests: the mean number of days between consecutive test days of
// the period. Several tests on one day are one test day, as in the TTR and the variance
// growth rate, so a repeated test does not shorten the interval: (last day - first day) /
// (test days - 1).
#pragma once
#include <optional>
#include <vector>

#include "report/report_rows.h"

namespace movra {

// Nothing with fewer than two test days.
std::optional<double> MeanDaysBetweenTests(const std::vector<ReportResult>& tests);

}  // namespace movra
