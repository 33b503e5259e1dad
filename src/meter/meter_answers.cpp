#include "meter/meter_answers.h"

#include <algorithm>

#include "meter/frame_layout.h"
#include "meter/meter_crc.h"

namespace movra {

namespace {
constexpr size_t kSerialLength = 11;

SerialAnswerScan NotTaken(SerialAnswerVerdict verdict, const std::string& why) {
  return {verdict, std::string(), "[In OnGetMeterData] " + why + ", the serial number stays Unknown"};
}
SerialAnswerScan CutShort() { return NotTaken(SerialAnswerVerdict::CutShort, "Serial number answer cut short"); }
}  // namespace

std::optional<std::string> DevModeLogText(const std::string& chunk) {
  if (chunk.size() <= 6) return std::nullopt;
  if (chunk.find("&PA") != std::string::npos) return std::string("收到DevMode数据, 进入查询SN..");
  return std::string("收到不正确DevMode数据, 进入查询SN..");
}

SerialAnswerScan TakeSerialAnswer(std::string& bytes) {
  size_t p = bytes.find(kSerialAnswerStart);
  if (p == std::string::npos) {
    bytes.clear();
    return NotTaken(SerialAnswerVerdict::NoAnswer, "No serial number answer");
  }
  size_t length = bytes.size() > p + kLengthOffset
                      ? static_cast<unsigned char>(bytes[p + kLengthOffset]) + kFrameOverhead
                      : kFrameOverhead;
  // The meter sends its records only after the answer; once they come, no more of it will.
  size_t records = bytes.find(kRecordFrameStart, p + kFrameStartLength);
  if (records < p + length) {
    bytes.erase(0, records);
    return CutShort();
  }
  if (bytes.size() < p + length) return {SerialAnswerVerdict::Waiting, std::string(), std::string()};
  std::string answer = bytes.substr(p, length);
  if (answer.back() != '\r') {
    // Its length byte cannot be trusted: only the "&PP" goes, the rest may hold records.
    bytes.erase(0, p + kFrameStartLength);
    return NotTaken(SerialAnswerVerdict::Damaged, "Serial number answer damaged (no carriage return at its end)");
  }
  bytes.erase(0, p + length);
  size_t n = length - kFrameOverhead;
  if (!CheckCrc(answer.substr(0, kFrameHeaderLength + n), answer.substr(kFrameHeaderLength + n, 2)))
    return NotTaken(SerialAnswerVerdict::CrcMismatch, "Serial number answer CRC error");
  if (n == 0) return NotTaken(SerialAnswerVerdict::Empty, "Serial number answer without a serial number");
  return {SerialAnswerVerdict::Taken, answer.substr(kFrameHeaderLength, std::min(n, kSerialLength)), std::string()};
}

SerialAnswerScan AbandonSerialAnswer(std::string& bytes) {
  bytes.clear();
  return CutShort();
}

}  // namespace movra
