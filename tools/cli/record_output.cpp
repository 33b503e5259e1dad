#include "record_output.h"

#include <cstdio>

#include "app/format_settings.h"
#include "data/record_conversion.h"

namespace movra::cli {

void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string RecordLine(const TMeterRecord& r) {
  char inr[40];
  std::snprintf(inr, sizeof inr, "%.9g", r.InrValue);
  std::string line;
  for (const std::string* field : {&r.RecordNumber, &r.SerialNumber, &r.MeterType, &r.Date, &r.Time, &r.Region,
                                   &r.AmPm, &r.CalibrationType, &r.CalibrationLevel}) {
    // A control byte from the meter must not break the one line a record gets.
    line += ReplaceControlCharacters(*field);
    line += '\t';
  }
  return line + inr;
}

std::string ResultListLine(const RowSetCursor& row) {
  auto text = [&](const char* name) { return row.fieldByName(name).asString(); };
  FieldRef date = row.fieldByName("fDate");
  std::string dateText = date.isNull() ? std::string() : FormatDateTime("mm/dd/yyyy hh:nn:ss", date.asDateTime());
  std::string line;
  for (const std::string& value :
       {text("fRecordNumber"), text("fMeterType"), text("fDateFmt_Cal"), dateText, text("fTime_String"), text("fAMPM"),
        text("fINR_v"), text("fINR_s"), text("fPT_Cal"), text("fSampleType_Cal"), text("fCalibrationLevel"),
        text("fSN")}) {
    line += value;
    line += '\t';
  }
  return line + (row.fieldByName("fVisCheck").asBoolean() ? "1" : "0");
}

}  // namespace movra::cli
