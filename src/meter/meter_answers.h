// The meter's first two answers, told apart by their order: the answer to EnterDev
// ("DevMode") and the serial number answer. Pure functions over received bytes.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace movra {

// The raw-log line for the DevMode chunk; none for a chunk of 6 bytes or less.
std::optional<std::string> DevModeLogText(const std::string& chunk);

enum class SerialAnswerVerdict : uint8_t {
  Taken,        // a whole answer with the right CRC
  Waiting,      // an "&PP" answer has begun; its end has not arrived yet
  NoAnswer,     // the bytes hold no "&PP"
  CutShort,     // record frames began before the answer was whole
  Damaged,      // no carriage return where the answer's length byte says it ends
  CrcMismatch,
  Empty,        // a whole answer without a serial number in it
};

struct SerialAnswerScan {
  SerialAnswerVerdict verdict = SerialAnswerVerdict::Waiting;
  std::string serialNumber;  // when Taken: up to 11 bytes of the answer's payload
  std::string traceText;     // why the serial number stays unknown; empty when Taken or Waiting
};

// The serial number answer from the bytes received since the DevMode answer, assembled
// across chunks like a record frame. Waiting leaves the bytes as they are; any other
// verdict removes the answer and what came before it, and leaves what follows it (the
// first record frames) in `bytes`. Bytes without "&PP" are dropped whole.
SerialAnswerScan TakeSerialAnswer(std::string& bytes);

// The transfer ends while an answer is still waited for: it was cut short. Drops the bytes.
SerialAnswerScan AbandonSerialAnswer(std::string& bytes);

}  // namespace movra
