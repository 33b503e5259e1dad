// The serial number answer over arbitrary bytes, fed in chunks as the serial port delivers
// them. Input: chunks, each a length byte (mod 129, the port delivers at most 128 bytes at
// a time) and that many bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "meter/frame_layout.h"
#include "meter/meter_answers.h"
#include "meter/meter_crc.h"
#include "port_chunks.h"

using namespace movra;
using movra::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> chunks = fuzz::PortChunks(data, size);

  std::string buffer, fed;
  SerialAnswerScan scan;
  for (const auto& chunk : chunks) {
    buffer += chunk;
    fed += chunk;
    scan = TakeSerialAnswer(buffer);
    if (scan.verdict != SerialAnswerVerdict::Waiting) break;
    // Waiting keeps every byte, and only an answer that has begun is waited for.
    Require(buffer == fed && fed.find(kSerialAnswerStart) != std::string::npos);
  }
  if (scan.verdict == SerialAnswerVerdict::Waiting) return 0;

  // What is left is what followed the answer: a tail of what came.
  Require(buffer.size() <= fed.size() && fed.compare(fed.size() - buffer.size(), buffer.size(), buffer) == 0);
  Require(scan.verdict == SerialAnswerVerdict::Taken ? scan.traceText.empty() : scan.serialNumber.empty());
  if (scan.verdict != SerialAnswerVerdict::Taken) return 0;

  // Taken only from a whole answer with the right CRC, whatever the pieces were.
  size_t p = fed.find(kSerialAnswerStart);
  Require(p != std::string::npos && fed.size() >= p + 10);
  size_t n = static_cast<uint8_t>(fed[p + 6]);
  Require(n > 0 && fed.size() >= p + n + 10 && fed[p + n + 9] == '\r');
  Require(CheckCrc(fed.substr(p, n + 7), fed.substr(p + n + 7, 2)));
  Require(scan.serialNumber == fed.substr(p + 7, n < 11 ? n : 11));
  // The same bytes in one piece give the same serial number.
  std::string whole = fed;
  SerialAnswerScan once = TakeSerialAnswer(whole);
  Require(once.verdict == SerialAnswerVerdict::Taken && once.serialNumber == scan.serialNumber);
  return 0;
}
