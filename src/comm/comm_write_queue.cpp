#include "comm/comm_write_queue.h"

namespace movra {

bool CommWriteQueue::Post(Message m) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return false;
    queue_.push_back(std::move(m));
  }
  cv_.notify_all();
  return true;
}

CommWriteQueue::Taken CommWriteQueue::TryTake(Message& out) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_) return Taken::Closed;
  if (queue_.empty()) return Taken::Empty;
  out = std::move(queue_.front());
  queue_.pop_front();
  return Taken::Message;
}

bool CommWriteQueue::WaitForWork() {
  std::unique_lock<std::mutex> lock(mutex_);
  cv_.wait(lock, [this] { return closed_ || !queue_.empty(); });
  return !closed_;
}

void CommWriteQueue::Close() {
  std::deque<Message> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    dropped.swap(queue_);
  }
  cv_.notify_all();
}

}  // namespace movra
