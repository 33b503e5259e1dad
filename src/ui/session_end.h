// The desktop session or the system ending the program: a logout, a shutdown, a closed
// terminal, Ctrl+C. SIGTERM, SIGHUP and SIGINT here; the end-of-session messages and the
// console's close, logoff and shutdown events on Windows.
#pragma once
#include <functional>
#include <memory>

namespace movra {

class SessionEndWatcher {
 public:
  // onEnd runs once, on the thread that made the watcher (it must run a message loop),
  // and has returned before the process may be ended.
  explicit SessionEndWatcher(std::function<void()> onEnd);
  ~SessionEndWatcher();  // the previous handling comes back
  SessionEndWatcher(const SessionEndWatcher&) = delete;
  SessionEndWatcher& operator=(const SessionEndWatcher&) = delete;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace movra
