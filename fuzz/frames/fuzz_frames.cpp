// The receive path over arbitrary byte streams: the frame cutter fed chunk by chunk, as
// the serial port delivers them, and every frame it cuts through the record parser.
// Input: a repeat count byte, then chunks, each a length byte (mod 129, the port delivers
// at most 128 bytes at a time) and that many bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "meter/frame_cutter.h"
#include "meter/record_frame.h"
#include "port_chunks.h"

using namespace movra;
using movra::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // Repeating the stream lets short inputs reach the buffer's bound.
  int repeats = data[0] % 64 + 1;
  std::vector<std::string> chunks = fuzz::PortChunks(data + 1, size - 1);

  std::string buffer, whole;
  std::vector<std::string> frames;
  for (int r = 0; r < repeats; ++r) {
    for (const auto& chunk : chunks) {
      whole += chunk;
      AppendAndCut(buffer, chunk, frames);
      Require(buffer.size() <= kReceiveBufferLimit);
    }
  }

  for (const auto& f : frames) {
    // What the cutter promises the transfer thread.
    Require(f.size() >= 10 && f.compare(0, 3, "&PZ") == 0);
    Require(f.size() == static_cast<uint8_t>(f[6]) + 10u && f.back() == '\r');
    RecordFrameParse p = ParseRecordFrame(f, "SN");
    if (p.check.verdict == RecordFrameVerdict::Accepted) {
      // Only the total length decides where the CRC is read: a longer frame passes when
      // its bytes 25..26 happen to hold the CRC of its first 24.
      Require(p.check.payload.size() == (f.size() == 25 ? 15u : 17u));
      Require(p.Result() == static_cast<uint8_t>(f[7]) && p.record.RecordNumber == std::to_string(p.Result()));
    } else {
      Require(p.Result() == -1 && !p.check.errorText.empty());
    }
  }

  // Below the bound, how the bytes were chunked makes no difference.
  if (whole.size() <= kReceiveBufferLimit) {
    std::vector<std::string> oneShot;
    CutFrames(whole, oneShot);
    Require(oneShot == frames);
    Require(whole == buffer);
  }
  return 0;
}
