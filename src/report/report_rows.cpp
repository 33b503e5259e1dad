#include "report/report_rows.h"

#include <algorithm>
#include <cmath>

#include "export/export_values.h"

namespace movra {

bool IsControlSample(const std::string& sampleType) {
  return sampleType == "EC" || sampleType == "CS" || sampleType == "Downloaded EC" || sampleType == "Downloaded CS";
}

ReportResult ReportResultOf(const InrResult& row) {
  ReportResult r;
  r.when = row.date;
  r.timeText = row.timeText;
  r.sampleType = row.sampleType;
  r.recordNumber = row.recordNumber;
  // The value and its arrow exactly as the list and the exports show them.
  double shown = RoundedInr(row.inr);
  switch (RangeOf(shown)) {
    case InrRange::Above:
      r.measured = Measured::Above;
      r.tenths = kMeasuringHighTenths;
      break;
    case InrRange::Below:
      r.measured = Measured::Below;
      r.tenths = kMeasuringLowTenths;
      break;
    case InrRange::In:
      r.measured = Measured::In;
      r.tenths = static_cast<int>(shown * 10 + (shown >= 0 ? 0.5 : -0.5));
      break;
  }
  return r;
}

namespace {

void OldestFirst(std::vector<ReportResult>& results) {
  std::stable_sort(results.begin(), results.end(),
                   [](const ReportResult& a, const ReportResult& b) { return a.when < b.when; });
}

}  // namespace

std::vector<ReportGroup> GroupReportRows(const std::vector<InrResult>& rows) {
  std::vector<ReportGroup> groups;
  for (const InrResult& row : rows) {
    // A row without a number for its INR (written by an older version from a damaged
    // record) has no place on a chart or in an average.
    if (!row.checked || IsControlSample(row.sampleType) || std::isnan(row.inr)) continue;
    auto it = std::find_if(groups.begin(), groups.end(), [&](const ReportGroup& g) {
      return g.serialNumber == row.serialNumber && g.patientId == row.patientId;
    });
    if (it == groups.end()) {
      groups.push_back(ReportGroup{row.serialNumber, row.patientId, {}, {}, {}});
      it = groups.end() - 1;
    }
    it->tests.push_back(ReportResultOf(row));
  }
  for (ReportGroup& g : groups) {
    for (const InrResult& row : rows)
      if (row.checked && IsControlSample(row.sampleType) && row.serialNumber == g.serialNumber)
        g.controls.push_back(ReportResultOf(row));
    OldestFirst(g.tests);
    OldestFirst(g.controls);
  }
  return groups;
}

std::string GroupName(const ReportGroup& group) { return group.serialNumber + "/" + group.patientId; }

}  // namespace movra
