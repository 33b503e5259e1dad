// The bytes waiting to go out, released no faster than the line would carry them:
// 10 bits per byte (start, 8 data, stop) at the speed the host set.
#pragma once
#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "meter_conversation.h"

namespace movra::sim {

class PacedOutput {
 public:
  using Clock = std::chrono::steady_clock;
  // Bytes taken, 0 when the line is full for now, -1 when it is gone.
  using WriteFn = std::function<long(const char*, size_t)>;

  explicit PacedOutput(bool pace) : pace_(pace) {}

  void Push(const OutStep& step) { steps_.push_back(step); }
  void Clear();
  bool Empty() const { return steps_.empty(); }

  struct Progress {
    std::vector<std::string> done;  // journal lines of steps now completely written
    bool unplug = false;            // an unplug step is due
    bool lineFull = false;          // wait until the line takes bytes again
    bool lineGone = false;
  };
  Progress Run(const WriteFn& write, int baud, Clock::time_point now);
  // When Run has something to do next; nothing when idle.
  std::optional<Clock::time_point> NextDue(int baud, Clock::time_point now) const;

 private:
  static Clock::duration ByteTime(int baud);
  Clock::time_point StartOfHead(Clock::time_point now) const;

  bool pace_;
  std::deque<OutStep> steps_;
  bool started_ = false;
  Clock::time_point start_{};
  size_t written_ = 0;
  Clock::time_point lineFree_{};  // when the last byte handed out has left the line
};

}  // namespace movra::sim
