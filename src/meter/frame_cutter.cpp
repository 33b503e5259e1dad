#include "meter/frame_cutter.h"

#include "meter/frame_layout.h"

namespace movra {

CutStop CutFrames(std::string& buffer, std::vector<std::string>& frames) {
  for (;;) {
    size_t crs = buffer.find_first_not_of('\r');
    buffer.erase(0, crs == std::string::npos ? buffer.size() : crs);
    size_t a = buffer.find(kRecordFrameStart);
    if (a == std::string::npos) return CutStop::NoFrameStart;
    // The length byte counts only when at least one byte follows it.
    size_t n = buffer.size() > a + kLengthOffset + 1 ? static_cast<unsigned char>(buffer[a + kLengthOffset]) : 0;
    size_t length = n + kFrameOverhead;
    size_t end = a + length - 1;  // where the frame's carriage return must stand
    if (buffer.size() <= end) return CutStop::Incomplete;
    if (buffer[end] != '\r') return CutStop::Damaged;
    frames.push_back(buffer.substr(a, length));
    buffer.erase(a, length);
  }
}

void BoundReceiveBuffer(std::string& buffer, CutStop stop) {
  if (buffer.size() <= kReceiveBufferLimit) return;
  size_t a = buffer.find(kRecordFrameStart);
  if (a == std::string::npos) a = buffer.size();
  if (a > 2) buffer.erase(0, a - 2);
  if (stop == CutStop::Damaged && buffer.size() > kReceiveBufferLimit) buffer.resize(kReceiveBufferLimit);
}

CutStop AppendAndCut(std::string& buffer, const std::string& chunk, std::vector<std::string>& frames) {
  buffer += chunk;
  CutStop stop = CutFrames(buffer, frames);
  BoundReceiveBuffer(buffer, stop);
  return stop;
}

}  // namespace movra
