// The message loop of a thread without a window toolkit: tools and tests run it.
#pragma once
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "app/messages.h"

namespace movra {

class EventLoop : public Dispatcher, public std::enable_shared_from_this<EventLoop> {
 public:
  // Creates a loop owned by the calling thread and makes it that thread's current dispatcher.
  static std::shared_ptr<EventLoop> createForThisThread();
  ~EventLoop() override;

  bool dispatch(std::function<void()> fn) override;
  bool isOwnerThread() const override;

  // Runs queued work until quit() is called.
  void run();
  // Runs queued work until pred() is true or the time is up; true when pred() held.
  // Wakes for each queued item, never spins.
  bool runUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);
  // Runs what is queued now and returns.
  void processPending();
  void quit();
  // Stops taking work; what is still queued is dropped (and with it any message data).
  void close();
  size_t pending() const;

 private:
  EventLoop() = default;
  bool runOne(std::unique_lock<std::mutex>& lock);

  std::thread::id owner_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> queue_;
  bool quit_ = false;
  bool closed_ = false;
};

}  // namespace movra
