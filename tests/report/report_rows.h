// Result-list rows for the report tests: a patient test or a control test a number of
// days after a fixed first day.
#pragma once
#include <string>
#include <vector>

#include "export/export_row.h"

namespace movra::test {

constexpr double kAboveRange = 7.5;  // the list shows "INR ↑"
constexpr double kBelowRange = 0.5;  // the list shows "INR ↓"

struct RowSpec {
  int day = 0;          // days after 2024-03-01
  double inr = 2.5;
  std::string sampleType = "Downloaded Sample";
  int hour = 9;
  bool checked = true;
  std::string serial = "SN1";
  std::string patient = "7";
};

ExportRow MakeRow(const RowSpec& spec);
std::vector<ExportRow> MakeRows(const std::vector<RowSpec>& specs);

}  // namespace movra::test
