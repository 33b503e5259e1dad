#include "history_fixture.h"

#include <cstdio>

#include "data/inr_result_conversion.h"

namespace movra::test {

InrResult MeterResult(const std::string& serial, const std::string& patient, int day, int hour, double inr,
                      const std::string& recordNumber, const std::string& sampleType) {
  TMeterRecord rec;
  rec.SerialNumber = serial;
  rec.MeterType = patient;
  rec.RecordNumber = recordNumber;
  char date[16];
  std::snprintf(date, sizeof date, "2024-03-%02d", day);
  rec.Date = date;
  char time[8];
  std::snprintf(time, sizeof time, "%02d:30", hour);
  rec.Time = time;
  rec.CalibrationType = sampleType;
  rec.CalibrationLevel = sampleType == "EC" ? "Level 1" : "";
  rec.InrValue = inr;
  return *ResultOfMeterRecord(rec).result;
}

}  // namespace movra::test
