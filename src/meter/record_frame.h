// The record frame: the check that decides whether a frame is taken, and the conversion
// of its payload into a TMeterRecord. Pure functions over bytes.
#pragma once
#include <cstdint>
#include <string>

#include "meter/meter_record.h"

namespace movra {

// The 4 bytes, first byte most significant, read as an IEEE-754 single and widened.
double SingleFromBigEndian(const std::string& fourBytes);

// BadInr: the CRC is right but the INR is NaN or infinite, which no test gives.
enum class RecordFrameVerdict : uint8_t { Accepted, TooShort, CrcMismatch, BadInr };

struct RecordFrameCheck {
  RecordFrameVerdict verdict = RecordFrameVerdict::TooShort;
  int32_t recordNumber = -1;  // payload byte 0, when the frame is long enough to have one
  std::string payload;        // 15 or 17 bytes when accepted
  std::string traceText;      // for the debug trace; empty when nothing is traced
  std::string errorText;      // for the error dialog; empty when accepted
};

// Splits the frame by its total length (not by its length byte): 25 bytes carry their CRC
// at positions 23..24, 26 or more at 25..26; bytes after the CRC are ignored.
RecordFrameCheck CheckRecordFrame(const std::string& frame);

// The record fields from an accepted payload, with the meter's serial number as given.
// May raise (allocation); the caller decides what a failure means.
TMeterRecord ConvertRecordPayload(const std::string& payload, const std::string& serialNumber);

// The calibration texts for their codes.
std::string CalibrationTypeText(uint8_t code);
std::string CalibrationLevelText(uint8_t code);

struct RecordFrameParse {
  RecordFrameCheck check;
  TMeterRecord record;  // filled when accepted
  // The value FillMeterData returns: the record number, or -1 for a rejected frame.
  int32_t Result() const { return check.verdict == RecordFrameVerdict::Accepted ? check.recordNumber : -1; }
};

// Check and conversion together.
RecordFrameParse ParseRecordFrame(const std::string& frame, const std::string& serialNumber);

}  // namespace movra
