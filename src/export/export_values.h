// The nine exported values of one row, shared by the CSV and the Excel export. A value
// that cannot be formed (a record number that is no integer, a time text that is no time)
// raises ExportValueError; the exports show its message.
#pragma once
#include <array>
#include <stdexcept>
#include <string>

#include "export/export_row.h"

namespace movra {

class ExportValueError : public std::runtime_error {
 public:
  explicit ExportValueError(const std::string& message) : std::runtime_error(message) {}
};

// The INR as the list shows it (one decimal, ties to even) and its range: above 7.0, or
// below 0.7 where an INR of exactly 0.7 counts as below.
double RoundedInr(double inr);
InrRange RangeOf(double roundedInr);
// "INR ↑" or "INR ↓" (UTF-8).
std::string ArrowText(InrRange range);

// The column titles, in export order.
extern const std::array<const char*, 9> kExportTitles;

// Columns 1 and 5, each on its own so a walk can stop at the column that fails.
std::string RecordNumberText(const ExportRow& row);  // "00" below 1, else as stored
std::string TimeText(const ExportRow& row);           // "hh:mm"
std::string DateText(const ExportRow& row);           // "YY-MM-DD"

// A text from the meter as the CSV holds it: one that a spreadsheet would take for a
// formula (it begins with "=", "+", "-", "@", a tab or CR and is no number) gets an
// apostrophe in front, so it is shown as the text it is; any other is left as it is.
std::string CsvSafeText(const std::string& meterText);

// The values as the CSV file writes them (blanks around date, time and in-range numbers;
// the meter's texts made safe).
std::array<std::string, 9> CsvValues(const ExportRow& row);
// The value of one column (0-based) as the Excel cell gets it.
std::string ExcelValue(const ExportRow& row, int column);

}  // namespace movra
