#include "ui/history_report.h"

#include <algorithm>

namespace movra {

std::string DistinctJoined(const std::vector<MeterPatient>& pairs, std::string MeterPatient::*part) {
  std::string out;
  std::vector<std::string> seen;
  for (const MeterPatient& p : pairs) {
    if (std::find(seen.begin(), seen.end(), p.*part) != seen.end()) continue;
    seen.push_back(p.*part);
    out += (out.empty() ? "" : ", ") + p.*part;
  }
  return out;
}

ReportGroup HistoryReportGroup(const Patient& patient, const std::vector<HistoryEntry>& entries) {
  ReportGroup g;
  g.serialNumber = DistinctJoined(patient.meters, &MeterPatient::serialNumber);
  g.patientId = DistinctJoined(patient.meters, &MeterPatient::patientId);
  g.patient = ReportPatient{patient.name, patient.born};
  for (const HistoryEntry& e : entries)
    (IsControlSample(e.result.sampleType) ? g.controls : g.tests).push_back(ReportResultOf(e.result));
  return g;
}

}  // namespace movra
