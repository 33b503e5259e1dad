#include "meter/frame_queue.h"

namespace movra {

void TBufQuery::Add(const std::string& frame) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    frames_.push_back(frame);
  }
  added_.notify_all();
}

bool TBufQuery::Pop(std::string& out) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (frames_.empty()) return false;
  out = std::move(frames_.front());
  frames_.pop_front();
  return true;
}

void TBufQuery::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  frames_.clear();
}

int32_t TBufQuery::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int32_t>(frames_.size());
}

bool TBufQuery::WaitForFrame(std::chrono::milliseconds timeout, const std::atomic<bool>& interrupt) {
  std::unique_lock<std::mutex> lock(mutex_);
  added_.wait_for(lock, timeout, [&] { return !frames_.empty() || interrupt.load(); });
  return !frames_.empty();
}

void TBufQuery::Interrupt() {
  // Taking the lock orders this wake-up after a waiter's look at its flag.
  { std::lock_guard<std::mutex> lock(mutex_); }
  added_.notify_all();
}

}  // namespace movra
