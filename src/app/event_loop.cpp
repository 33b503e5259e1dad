#include "app/event_loop.h"

namespace movra {

std::shared_ptr<EventLoop> EventLoop::createForThisThread() {
  std::shared_ptr<EventLoop> loop(new EventLoop());
  loop->owner_ = std::this_thread::get_id();
  Dispatcher::setCurrent(loop);
  return loop;
}

EventLoop::~EventLoop() { close(); }

bool EventLoop::dispatch(std::function<void()> fn) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return false;
    queue_.push_back(std::move(fn));
  }
  cv_.notify_all();
  return true;
}

bool EventLoop::isOwnerThread() const { return std::this_thread::get_id() == owner_; }

bool EventLoop::runOne(std::unique_lock<std::mutex>& lock) {
  if (queue_.empty()) return false;
  auto fn = std::move(queue_.front());
  queue_.pop_front();
  lock.unlock();
  fn();
  fn = nullptr;  // free the message before taking the lock again
  lock.lock();
  return true;
}

void EventLoop::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  quit_ = false;
  while (!quit_) {
    if (!runOne(lock)) cv_.wait(lock, [this] { return quit_ || !queue_.empty(); });
  }
  quit_ = false;
}

bool EventLoop::runUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    lock.unlock();
    bool done = pred();
    lock.lock();
    if (done) return true;
    if (runOne(lock)) continue;
    // Nothing queued: sleep until work arrives. The predicate may change on another
    // thread without posting, so wake now and then to look again.
    auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      lock.unlock();
      bool last = pred();
      lock.lock();
      return last;
    }
    auto wake = std::min(deadline, now + std::chrono::milliseconds(20));
    cv_.wait_until(lock, wake, [this] { return !queue_.empty(); });
  }
}

void EventLoop::processPending() {
  std::unique_lock<std::mutex> lock(mutex_);
  size_t n = queue_.size();
  while (n-- > 0 && runOne(lock)) {
  }
}

void EventLoop::quit() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
  }
  cv_.notify_all();
}

void EventLoop::close() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    dropped.swap(queue_);
  }
  cv_.notify_all();
}

size_t EventLoop::pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

}  // namespace movra
