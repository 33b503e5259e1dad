// The history as a data file for analysis: UTF-8, a header, one result a line, ISO dates,
// the INR as a number with a point. An arrow is written as the limit it passed, with the
// comparator in a column of its own, so that the numbers stay numbers.
#pragma once
#include <string>
#include <vector>

#include "data/history_store.h"

namespace movra {

// "serial_number,patient_id,date,time,inr,inr_comparator,sample_type,control_level", CR LF.
std::string HistoryCsvHeader();
std::string HistoryCsvLine(const InrResult& result);
// Writes the file whole or not at all; throws ExportFileError with the reason.
void WriteHistoryCsv(const std::vector<HistoryEntry>& entries, const std::string& file);

}  // namespace movra
