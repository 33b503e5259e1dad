// A worker thread that its owner can wait for with a limit. A thread that does not end in
// time is left to finish on its own; everything it uses is held by shared pointers, so
// nothing is freed under it.
#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace movra {

class CommWorker {
 public:
  // Starts body on a new thread; throws std::system_error when no thread can be made.
  explicit CommWorker(std::function<void()> body);
  // Waits for the end of a thread that was neither joined nor left behind.
  ~CommWorker();
  CommWorker(const CommWorker&) = delete;
  CommWorker& operator=(const CommWorker&) = delete;

  // True when the thread ended within the time (it is then joined).
  bool WaitFor(std::chrono::milliseconds limit);
  // Lets a thread that did not end go on without an owner.
  void Abandon();

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace movra
