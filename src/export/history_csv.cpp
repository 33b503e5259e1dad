#include "export/history_csv.h"

#include <algorithm>

#include "export/csv_export.h"
#include "export/replacement_file.h"

namespace movra {

namespace {
// The measuring range's limits, the values an arrow stands for.
constexpr const char* kAboveLimit = "7.0";
constexpr const char* kBelowLimit = "0.7";
}  // namespace

std::string HistoryCsvHeader() {
  return "serial_number,patient_id,date,time,inr,inr_comparator,sample_type,control_level\r\n";
}

std::string HistoryCsvLine(const InrResult& r) {
  std::string inr = r.inrText, comparator;
  if (r.range == InrRange::Above) inr = kAboveLimit, comparator = ">";
  if (r.range == InrRange::Below) inr = kBelowLimit, comparator = "<";
  // A decimal comma of the desktop's never reaches the data file.
  std::replace(inr.begin(), inr.end(), ',', '.');
  return CsvField(r.serialNumber) + "," + CsvField(r.patientId) + "," + r.dateText + "," + r.timeText + "," + inr +
         "," + comparator + "," + CsvField(r.sampleType) + "," + CsvField(r.controlLevel) + "\r\n";
}

void WriteHistoryCsv(const std::vector<HistoryEntry>& entries, const std::string& file) {
  ReplacementFile out(file);
  out.Write(HistoryCsvHeader());
  for (const HistoryEntry& e : entries) out.Write(HistoryCsvLine(e.result));
  out.Commit();
}

}  // namespace movra
