// One parsed test record and the first-in first-out lists that carry records and frames
// between the transfer thread and the window.
#pragma once
#include <cstdint>
#include <string>

#include "meter/locked_queue.h"

namespace movra {

// Byte strings as the meter sent them, except the INR value.
struct TMeterRecord {
  std::string RecordNumber;
  std::string SerialNumber;
  std::string MeterType;  // the patient identifier
  std::string Date;       // yyyy-mm-dd
  std::string Time;       // hh:nn
  std::string Region;     // "US" or "EUR"
  std::string AmPm;       // "", "AM" or "PM"
  std::string CalibrationType;
  std::string CalibrationLevel;
  double InrValue = 0;
};

// Records parsed by the transfer thread, taken by the window.
class TMeterRecordQuery : public LockedQueue<TMeterRecord> {};

}  // namespace movra
