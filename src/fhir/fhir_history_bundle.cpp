#include "fhir/fhir_history_bundle.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "report/report_rows.h"

namespace movra {

int FhirObservationCount(const std::vector<HistoryEntry>& entries) {
  int n = 0;
  for (const HistoryEntry& e : entries) n += !IsControlSample(e.result.sampleType) && !std::isnan(e.result.inr);
  return n;
}

std::string HistoryBundleJson(const Patient& patient, const std::vector<HistoryEntry>& entries,
                              const FhirSoftware& software) {
  std::vector<InrResult> results;
  results.reserve(entries.size());
  for (const HistoryEntry& e : entries) results.push_back(e.result);
  return FhirBundleJson(patient, results, software, SystemUtcOffsets{});
}

std::string FhirFileName(const MeterPatient& pair, TDateTime day) {
  // Serial numbers and patient IDs come from the meter; keep only what every file system takes.
  auto safe = [](std::string s) {
    for (char& c : s)
      if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_')) c = '_';
    return s;
  };
  const DateParts p = DecodeDateTime(day);
  char date[16];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", p.year, p.month, p.day);
  return "movra-fhir-" + safe(pair.serialNumber) + "-" + safe(pair.patientId) + "-" + date + ".json";
}

}  // namespace movra
