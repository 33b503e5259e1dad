// The text lines movra-cli prints for a download.
#pragma once
#include <string>

#include "data/row_set.h"
#include "meter/meter_record.h"

namespace movra::cli {

// Writes the line and a line end to stdout at once, so a reader sees each as it happens.
void PrintLine(const std::string& line);

// RecordNumber, SerialNumber, MeterType, Date, Time, Region, AmPm, CalibrationType,
// CalibrationLevel, InrValue (%.9g), tab-separated, without the line end.
std::string RecordLine(const TMeterRecord& r);

// One row of the result list, tab-separated, without the line end: fRecordNumber,
// fMeterType, fDateFmt_Cal, fDate as "mm/dd/yyyy hh:nn:ss" (empty when not set),
// fTime_String, fAMPM, fINR_v, fINR_s, fPT_Cal, fSampleType_Cal, fCalibrationLevel, fSN,
// fVisCheck as 0 or 1. Numbers as the list shows them, with the locale's decimal separator.
std::string ResultListLine(const RowSetCursor& row);

}  // namespace movra::cli
