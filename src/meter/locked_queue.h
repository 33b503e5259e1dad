// A first-in first-out list shared by two threads: every operation takes the list's one
// lock, and a consumer may sleep until an item arrives instead of polling.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace movra {

template <class T>
class LockedQueue {
 public:
  void Add(T item) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      items_.push_back(std::move(item));
    }
    added_.notify_all();
  }
  // False (and `out` untouched) when empty.
  bool Pop(T& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (items_.empty()) return false;
    out = std::move(items_.front());
    items_.pop_front();
    return true;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.clear();
  }
  int32_t Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int32_t>(items_.size());
  }
  // Waits up to `timeout` until an item is waiting (true), or returns early once
  // Interrupt() has been called with `interrupt` set.
  bool WaitForItem(std::chrono::milliseconds timeout, const std::atomic<bool>& interrupt) {
    std::unique_lock<std::mutex> lock(mutex_);
    added_.wait_for(lock, timeout, [&] { return !items_.empty() || interrupt.load(); });
    return !items_.empty();
  }
  // Wakes every waiter so it looks at its interrupt flag again.
  void Interrupt() {
    // Taking the lock orders this wake-up after a waiter's look at its flag.
    { std::lock_guard<std::mutex> lock(mutex_); }
    added_.notify_all();
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable added_;
  std::deque<T> items_;
};

}  // namespace movra
