// The text lines movra-cli prints for a download.
#pragma once
#include <string>

#include "meter/meter_record.h"

namespace movra::cli {

// RecordNumber, SerialNumber, MeterType, Date, Time, Region, AmPm, CalibrationType,
// CalibrationLevel, InrValue (%.9g), tab-separated, without the line end.
std::string RecordLine(const TMeterRecord& r);

}  // namespace movra::cli
