#include "report_rows.h"

#include <cstdio>

#include "app/datetime.h"

namespace movra::test {

ExportRow MakeRow(const RowSpec& s) {
  ExportRow r;
  r.checked = s.checked;
  r.recordNumber = std::to_string(s.day + 1);
  r.patientId = s.patient;
  r.date = *EncodeDate(2024, 3, 1) + s.day + *EncodeTime(s.hour, 0, 0, 0);
  char time[8];
  std::snprintf(time, sizeof time, "%02d:00", s.hour);
  r.timeText = time;
  // The meter's single-precision value, as stored.
  r.inr = static_cast<float>(s.inr);
  r.sampleType = s.sampleType;
  r.serialNumber = s.serial;
  return r;
}

std::vector<ExportRow> MakeRows(const std::vector<RowSpec>& specs) {
  std::vector<ExportRow> rows;
  for (const RowSpec& s : specs) rows.push_back(MakeRow(s));
  return rows;
}

}  // namespace movra::test
