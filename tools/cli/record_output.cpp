#include "record_output.h"

#include <cstdio>

namespace movra::cli {

std::string RecordLine(const TMeterRecord& r) {
  char inr[40];
  std::snprintf(inr, sizeof inr, "%.9g", r.InrValue);
  std::string line;
  for (const std::string* field : {&r.RecordNumber, &r.SerialNumber, &r.MeterType, &r.Date, &r.Time, &r.Region,
                                   &r.AmPm, &r.CalibrationType, &r.CalibrationLevel}) {
    line += *field;
    line += '\t';
  }
  return line + inr;
}

}  // namespace movra::cli
