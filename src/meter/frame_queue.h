// TBufQuery: complete record frames on their way from the receive handler (owner thread)
// to the transfer thread. Every operation takes the queue's one lock.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

namespace movra {

class TBufQuery {
 public:
  void Add(const std::string& frame);
  // False (and `out` untouched) when empty.
  bool Pop(std::string& out);
  void Clear();
  int32_t Count() const;

  // Waits up to `timeout` until a frame is waiting (true) or, once Interrupt() has been
  // called with `interrupt` set, returns early.
  bool WaitForFrame(std::chrono::milliseconds timeout, const std::atomic<bool>& interrupt);
  // Wakes every WaitForFrame so it looks at its interrupt flag again.
  void Interrupt();

 private:
  mutable std::mutex mutex_;
  std::condition_variable added_;
  std::deque<std::string> frames_;
};

}  // namespace movra
