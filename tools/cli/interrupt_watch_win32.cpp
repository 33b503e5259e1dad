// Ctrl-C, Ctrl-Break and the console closing during a download. The system calls the
// console handler on a thread of its own, so it may post to the download's event loop
// directly.
#include <mutex>

#include "interrupt_watch.h"
// After the program's own headers: <windows.h> defines some of their names as macros.
#include "app/win32_strings.h"

namespace movra::cli {

namespace {

std::mutex gWatchMutex;
InterruptWatch* gWatch = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  std::lock_guard<std::mutex> lock(gWatchMutex);
  if (!gWatch) return FALSE;  // nobody downloads: the default ends the program
  gWatch->Notify();
  return TRUE;
}

}  // namespace

InterruptWatch::InterruptWatch(std::shared_ptr<Dispatcher> loop) : loop_(std::move(loop)) {
  {
    std::lock_guard<std::mutex> lock(gWatchMutex);
    gWatch = this;
  }
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptWatch::~InterruptWatch() {
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  std::lock_guard<std::mutex> lock(gWatchMutex);
  gWatch = nullptr;
}

void InterruptWatch::Notify() {
  // Wakes the loop; the download looks at Interrupted() there.
  if (!interrupted_.exchange(true)) loop_->dispatch([] {});
}

// Windows has no SIGPIPE: a write to a closed pipe fails and is told as on Linux.
void IgnoreBrokenPipe() {}

}  // namespace movra::cli
