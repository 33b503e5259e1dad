#include "interrupt_watch.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace movra::cli {

namespace {

volatile sig_atomic_t gSignalFd = -1;
struct sigaction gOldInt {}, gOldTerm {}, gOldHup {};

// write() is async-signal-safe; errno is kept for the code the signal interrupted.
void OnSignal(int) {
  int saved = errno;
  uint64_t one = 1;
  if (gSignalFd >= 0) {
    [[maybe_unused]] ssize_t ignored = write(gSignalFd, &one, sizeof one);
  }
  errno = saved;
}

}  // namespace

InterruptWatch::InterruptWatch(std::shared_ptr<Dispatcher> loop) : loop_(std::move(loop)) {
  signalFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (signalFd_ < 0 || stopFd_ < 0) {
    if (signalFd_ >= 0) close(signalFd_);
    if (stopFd_ >= 0) close(stopFd_);
    throw std::runtime_error("cannot watch for Ctrl-C: no eventfd");
  }
  gSignalFd = signalFd_;
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGINT, &sa, &gOldInt);
  sigaction(SIGTERM, &sa, &gOldTerm);
  // A closed terminal or a logout ends the download the same way: what the meter was told
  // arrived must be stored before the program goes.
  sigaction(SIGHUP, &sa, &gOldHup);
  watcher_ = std::thread([this] { Watch(); });
}

InterruptWatch::~InterruptWatch() {
  sigaction(SIGINT, &gOldInt, nullptr);
  sigaction(SIGTERM, &gOldTerm, nullptr);
  sigaction(SIGHUP, &gOldHup, nullptr);
  gSignalFd = -1;
  uint64_t one = 1;
  [[maybe_unused]] ssize_t ignored = write(stopFd_, &one, sizeof one);
  watcher_.join();
  close(signalFd_);
  close(stopFd_);
}

void InterruptWatch::Watch() {
  for (;;) {
    pollfd fds[2] = {{signalFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    uint64_t count = 0;
    if (read(signalFd_, &count, sizeof count) == sizeof count && count > 0) Notify();
  }
}

void InterruptWatch::Notify() {
  // Wakes the loop; the download looks at Interrupted() there.
  if (!interrupted_.exchange(true)) loop_->dispatch([] {});
}

void IgnoreBrokenPipe() {
  // A reader that goes away (`movra-cli download --store | head -1`) must not kill the
  // program between an acknowledgement and its store; the failed write is told instead.
  signal(SIGPIPE, SIG_IGN);
}

}  // namespace movra::cli
