// Ctrl-C (SIGINT), SIGTERM and SIGHUP during a download; on Windows Ctrl-C, Ctrl-Break and the
// console closing. The signal handler only writes to an eventfd; a watcher thread reads it
// and posts to the download's event loop, which then stops the transfer and stores what
// was read. (interrupt_watch_posix.cpp, interrupt_watch_win32.cpp)
#pragma once
#include <atomic>
#include <memory>
#include <thread>

#include "app/messages.h"

namespace movra::cli {

class InterruptWatch {
 public:
  // Installs the handlers for SIGINT, SIGTERM and SIGHUP; `loop` is woken when one comes.
  explicit InterruptWatch(std::shared_ptr<Dispatcher> loop);
  // Ends the watcher and gives the signals back their previous handlers.
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  bool Interrupted() const { return interrupted_.load(); }
  // Marks the download interrupted and wakes its loop, once.
  void Notify();

 private:
  void Watch();

  std::shared_ptr<Dispatcher> loop_;
  int signalFd_ = -1;  // written by the handler (POSIX)
  int stopFd_ = -1;    // written by the destructor (POSIX)
  std::atomic<bool> interrupted_{false};
  std::thread watcher_;
};

// Writes to a closed pipe fail with an error instead of ending the program.
void IgnoreBrokenPipe();

}  // namespace movra::cli
