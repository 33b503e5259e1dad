// Markers of poor anticoagulation control, as NICE's guidance on atrial fibrillation
// (CG180, NG196) names them, over the 6 months up to the last patient result:
// - a TTR below 65 %: the Rosendaal TTR of that window's results against the patient's
//   target range; not raised when the window gives no TTR (no two test days at most 56
//   days apart), since there is nothing to judge;
// - two results below 1.5: strictly below, 1.5 itself does not count;
// - two results above 5: strictly above, 5.0 itself does not count;
// - one result above 8: strictly above.
// Arrows count as the limits they stand for (below 0.7 as 0.7, above the measuring range
// as its upper limit). A result above the measuring range is known only to be above that
// limit, so it counts as above 8 only when the limit is 8 or more; below that it raises a
// marker of its own, "above the measuring range", rather than claiming what the meter
// never measured.
// The 6 months run from the same calendar day six months before the last result's day
// (the month's last day when it has no such day) to the last result's day, both whole days.
#pragma once
#include <string>
#include <vector>

#include "report/report_rows.h"
#include "report/ttr.h"

namespace movra {

enum class PoorControl { TtrBelow65, TwoBelow15, TwoAbove5, Above8, AboveMeasuringRange };

struct RaisedMarker {
  PoorControl marker;
  // The results that raised it, oldest first: those outside the target range for the
  // TTR, else those below 1.5, above 5, above 8 or above the measuring range.
  std::vector<ReportResult> results;
};

struct PoorControlMarkers {
  TDateTime firstDay = 0;  // the window's first and last day (whole days)
  TDateTime lastDay = 0;
  std::vector<RaisedMarker> raised;  // in the order of PoorControl
};

// tests: a patient's results oldest first, without controls. measuringHighTenths: the
// meter's upper measuring limit.
PoorControlMarkers FindPoorControl(const std::vector<ReportResult>& tests, TargetRange range,
                                   int measuringHighTenths = kMeasuringHighTenths);

// "ttr-below-65", "two-below-1.5", "two-above-5", "above-8", "above-range".
const char* MarkerName(PoorControl marker);

}  // namespace movra
