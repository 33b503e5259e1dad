#include "ui/history_report.h"

#include <algorithm>

namespace movra {

namespace {

// "A, B": each of the patient's meters or IDs once, in the order they were linked.
std::string JoinDistinct(const std::vector<MeterPatient>& pairs, std::string MeterPatient::*part) {
  std::string out;
  std::vector<std::string> seen;
  for (const MeterPatient& p : pairs) {
    if (std::find(seen.begin(), seen.end(), p.*part) != seen.end()) continue;
    seen.push_back(p.*part);
    out += (out.empty() ? "" : ", ") + p.*part;
  }
  return out;
}

}  // namespace

ReportGroup HistoryReportGroup(const Patient& patient, const std::vector<HistoryEntry>& entries) {
  ReportGroup g;
  g.serialNumber = JoinDistinct(patient.meters, &MeterPatient::serialNumber);
  g.patientId = JoinDistinct(patient.meters, &MeterPatient::patientId);
  g.patient = ReportPatient{patient.name, patient.born};
  for (const HistoryEntry& e : entries)
    (IsControlSample(e.result.sampleType) ? g.controls : g.tests).push_back(ReportResultOf(e.result));
  return g;
}

}  // namespace movra
