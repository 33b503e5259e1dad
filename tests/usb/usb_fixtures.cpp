#include "usb_fixtures.h"

#include <stdexcept>

#include "app/folders.h"
#include "app/trace.h"

namespace movra::test {

TraceCapture::TraceCapture() {
  dir_.mkdirs("PTDATA/Data");
  DataRoot = dir_.file("PTDATA");
  if (!OpenTrace()) throw std::runtime_error("trace");
}

TraceCapture::~TraceCapture() { CloseTrace(); }

std::string TraceCapture::text() const { return ReadFileBytes(TraceFilePath()); }

void RecordingTonePlayer::Play(uint32_t frequencyHz, uint32_t durationMs) {
  std::lock_guard<std::mutex> lock(mutex_);
  played_.emplace_back(frequencyHz, durationMs);
}

std::vector<std::pair<uint32_t, uint32_t>> RecordingTonePlayer::played() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return played_;
}

ScopedTonePlayer::ScopedTonePlayer() : p_(std::make_shared<RecordingTonePlayer>()) { old_ = SetTonePlayer(p_); }
ScopedTonePlayer::~ScopedTonePlayer() { SetTonePlayer(old_); }

}  // namespace movra::test
