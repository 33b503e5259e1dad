#include "comm/comm_worker.h"

#include <condition_variable>
#include <mutex>

namespace movra {

struct CommWorker::Shared {
  std::mutex mutex;
  std::condition_variable cv;
  bool finished = false;
};

CommWorker::CommWorker(std::function<void()> body) : shared_(std::make_shared<Shared>()) {
  thread_ = std::thread([shared = shared_, body = std::move(body)]() {
    try {
      body();
    } catch (...) {
      // A worker has nobody to report to; it simply ends.
    }
    {
      std::lock_guard<std::mutex> lock(shared->mutex);
      shared->finished = true;
    }
    shared->cv.notify_all();
  });
}

CommWorker::~CommWorker() {
  if (thread_.joinable()) thread_.join();
}

bool CommWorker::WaitFor(std::chrono::milliseconds limit) {
  if (!thread_.joinable()) return true;
  {
    std::unique_lock<std::mutex> lock(shared_->mutex);
    if (!shared_->cv.wait_for(lock, limit, [this] { return shared_->finished; })) return false;
  }
  thread_.join();
  return true;
}

void CommWorker::Abandon() {
  if (thread_.joinable()) thread_.detach();
}

}  // namespace movra
