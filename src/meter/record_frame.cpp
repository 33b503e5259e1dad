#include "meter/record_frame.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

#include "meter/frame_layout.h"
#include "meter/meter_crc.h"

namespace movra {

namespace {
constexpr size_t kShortFrame = 25;   // a record without the patient identifier
constexpr size_t kInrOffset = 9;     // payload bytes 9..12
const char kFormatErrorText[] = "Error in transfering, Format error! Please try again!";

uint8_t At(const std::string& s, size_t i) { return static_cast<uint8_t>(s[i]); }

std::string TwoDigits(unsigned v) {
  std::string t = std::to_string(v);
  return t.size() < 2 ? "0" + t : t;
}
}  // namespace

double SingleFromBigEndian(const std::string& b) {
  uint32_t bits = 0;
  for (size_t i = 0; i < 4 && i < b.size(); ++i) bits = (bits << 8) | At(b, i);
  return static_cast<double>(std::bit_cast<float>(bits));
}

std::string CalibrationTypeText(uint8_t code) {
  switch (code) {
    case 0: return " ";
    case 1: return "EC";
    case 2: return "CS";
    case 4: return "Downloaded Sample";
    case 5: return "Downloaded EC";
    case 6: return "Downloaded CS";
    default: return "Unknown";
  }
}

std::string CalibrationLevelText(uint8_t code) {
  switch (code) {
    case 1: return "Level 1";
    case 2: return "Level2(EC Only)";
    default: return "Unknown";
  }
}

RecordFrameCheck CheckRecordFrame(const std::string& frame) {
  RecordFrameCheck c;
  if (frame.size() < kShortFrame) {
    c.verdict = RecordFrameVerdict::TooShort;
    c.traceText = "[In FillMeterData] 收到数据少于1条记录！";
    c.errorText = kFormatErrorText;
    return c;
  }
  // The length byte is not consulted: a 26-byte frame is checked against the wrong bytes.
  size_t covered = frame.size() == kShortFrame ? 22 : 24;
  std::string body = frame.substr(0, covered);
  std::string crc = frame.substr(covered, 2);
  c.recordNumber = At(frame, kFrameHeaderLength);
  if (!CheckCrc(body, crc)) {
    c.verdict = RecordFrameVerdict::CrcMismatch;
    c.errorText = "Record " + std::to_string(c.recordNumber) + " CRC error! Please try again!";
    return c;
  }
  std::string payload = body.substr(kFrameHeaderLength);
  // A test gives a number: NaN or infinity is a damaged frame, and the meter keeps the record.
  if (!std::isfinite(SingleFromBigEndian(payload.substr(kInrOffset, 4)))) {
    c.verdict = RecordFrameVerdict::BadInr;
    c.traceText = "[In FillMeterData] Record " + std::to_string(c.recordNumber) + ": the INR is no number";
    c.errorText = kFormatErrorText;
    return c;
  }
  c.verdict = RecordFrameVerdict::Accepted;
  c.payload = std::move(payload);
  return c;
}

TMeterRecord ConvertRecordPayload(const std::string& p, const std::string& serialNumber) {
  TMeterRecord r;
  r.RecordNumber = std::to_string(At(p, 0));
  r.SerialNumber = serialNumber;
  r.Date = std::to_string(2000 + At(p, 1)) + "-" + TwoDigits(At(p, 2)) + "-" + TwoDigits(At(p, 3));
  r.Region = At(p, 4) == 0 ? "US" : "EUR";
  r.Time = TwoDigits(At(p, 5)) + ":" + TwoDigits(At(p, 6));
  if (At(p, 7) != 0) r.AmPm = At(p, 8) == 0 ? "AM" : "PM";
  r.InrValue = SingleFromBigEndian(p.substr(kInrOffset, 4));
  r.CalibrationType = CalibrationTypeText(At(p, 13));
  r.CalibrationLevel = CalibrationLevelText(At(p, 14));
  if (p.size() >= 17) {
    unsigned patient = (static_cast<unsigned>(At(p, 15)) << 8) | At(p, 16);
    r.MeterType = patient == 0 ? "00" : std::to_string(patient);
  }
  return r;
}

RecordFrameParse ParseRecordFrame(const std::string& frame, const std::string& serialNumber) {
  RecordFrameParse parse;
  parse.check = CheckRecordFrame(frame);
  if (parse.check.verdict == RecordFrameVerdict::Accepted) parse.record = ConvertRecordPayload(parse.check.payload, serialNumber);
  return parse;
}

}  // namespace movra
