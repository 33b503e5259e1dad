// The report group of a patient's kept results: every meter of the patient in one group,
// the patient tests apart from the control tests.
#pragma once
#include <vector>

#include "data/history_store.h"
#include "report/report_rows.h"

namespace movra {

// "A, B": each of the pairs' meters (or patient IDs) once, in the order they were linked.
std::string DistinctJoined(const std::vector<MeterPatient>& pairs, std::string MeterPatient::*part);

// Entries oldest first, as the history reads them.
ReportGroup HistoryReportGroup(const Patient& patient, const std::vector<HistoryEntry>& entries);

}  // namespace movra
