#include "paced_output.h"

#include <algorithm>

namespace movra::sim {

PacedOutput::Clock::duration PacedOutput::ByteTime(int baud) {
  if (baud <= 0) baud = 9600;
  return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(10'000'000'000LL / baud));
}

void PacedOutput::Clear() {
  steps_.clear();
  started_ = false;
  written_ = 0;
}

PacedOutput::Clock::time_point PacedOutput::StartOfHead(Clock::time_point now) const {
  if (started_) return start_;
  return std::max(now, lineFree_) + std::chrono::milliseconds(steps_.front().gapMsBefore);
}

std::optional<PacedOutput::Clock::time_point> PacedOutput::NextDue(int baud, Clock::time_point now) const {
  if (steps_.empty()) return std::nullopt;
  const OutStep& s = steps_.front();
  if (s.kind == OutStep::Kind::Unplug) return now;
  Clock::time_point start = StartOfHead(now);
  if (!pace_) return start;
  return start + ByteTime(baud) * long(written_);
}

PacedOutput::Progress PacedOutput::Run(const WriteFn& write, int baud, Clock::time_point now) {
  Progress p;
  const auto byteTime = ByteTime(baud);
  while (!steps_.empty()) {
    OutStep& s = steps_.front();
    if (s.kind == OutStep::Kind::Unplug) {
      p.unplug = true;
      return p;
    }
    if (!started_) {
      start_ = StartOfHead(now);
      started_ = true;
      written_ = 0;
    }
    if (now < start_) return p;
    size_t due = s.bytes.size();
    // Bytes that fell behind (a busy machine) go out together, so the average rate holds.
    if (pace_) due = std::min(due, size_t((now - start_) / byteTime) + 1);
    while (written_ < due) {
      long w = write(s.bytes.data() + written_, due - written_);
      if (w < 0) {
        p.lineGone = true;
        return p;
      }
      if (w == 0) {
        p.lineFull = true;
        return p;
      }
      written_ += size_t(w);
    }
    if (written_ < s.bytes.size()) return p;
    lineFree_ = pace_ ? start_ + byteTime * long(s.bytes.size()) : now;
    if (!s.journalWhenDone.empty()) p.done.push_back(s.journalWhenDone);
    steps_.pop_front();
    started_ = false;
    written_ = 0;
  }
  return p;
}

}  // namespace movra::sim
