#include "meter/record_handoff.h"

namespace movra {

struct RecordHandoff::State {
  std::mutex mutex;
  std::condition_variable cv;
  std::function<void()> keep;
  std::shared_ptr<Dispatcher> owner;
  bool pending = false;   // a request waits for the owner
  uint64_t served = 0;    // requests the owner has run

  void runPending() {
    std::function<void()> keepNow;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (!pending || (owner && !owner->isOwnerThread())) return;
      keepNow = keep;
    }
    // Outside the lock: the keeper may take long (a slow disk) and posts of its own.
    if (keepNow) keepNow();
    {
      std::lock_guard<std::mutex> lock(mutex);
      pending = false;
      ++served;
    }
    cv.notify_all();
  }
};

RecordHandoff::RecordHandoff() : state_(std::make_shared<State>()) {}

RecordHandoff::~RecordHandoff() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->keep = nullptr;
}

void RecordHandoff::SetKeeper(std::function<void()> keep, std::shared_ptr<Dispatcher> owner) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->keep = std::move(keep);
  state_->owner = !state_->keep ? nullptr : owner ? std::move(owner) : Dispatcher::current();
}

bool RecordHandoff::HasKeeper() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return static_cast<bool>(state_->keep);
}

bool RecordHandoff::KeepNow() {
  std::shared_ptr<State> s = state_;
  std::unique_lock<std::mutex> lock(s->mutex);
  if (!s->keep || !s->owner) return false;
  s->pending = true;
  uint64_t ticket = s->served + 1;
  std::shared_ptr<Dispatcher> owner = s->owner;
  lock.unlock();
  if (!owner->dispatch([s] { s->runPending(); })) {
    lock.lock();
    s->pending = false;
    return false;
  }
  lock.lock();
  s->cv.wait(lock, [&] { return s->served >= ticket; });
  return true;
}

void RecordHandoff::RunPending() { state_->runPending(); }

std::function<void()> RecordHandoff::Server() const {
  std::shared_ptr<State> s = state_;
  return [s] { s->runPending(); };
}

}  // namespace movra
