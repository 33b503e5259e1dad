// INR variability: the variance growth rate, method B1 of
//
// Fihn SD, Gadisseur AA, Pasterkamp E, et al. Comparison of control and stability of oral
// anticoagulant therapy using acenocoumarol versus phenprocoumon. Thromb Haemost
// 2003;90:260-6.
//
// Over the test days of the period (several tests on one day averaged first, arrows at the
// limits they passed), the mean over consecutive days i-1, i of
//   (INR_i - INR_i-1)^2 / t_i,   t_i = the weeks between them (days / 7),
// in INR^2 per week. Every pair counts, however far apart; it needs two test days.
#pragma once
#include <optional>
#include <vector>

#include "report/report_rows.h"

namespace movra {

// Nothing with fewer than two test days.
std::optional<double> VarianceGrowthRate(const std::vector<ReportResult>& tests);

}  // namespace movra
