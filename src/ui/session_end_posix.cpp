#include "ui/session_end.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace movra {

namespace {

// A signal handler may do almost nothing: it writes a byte, and the message loop, woken by
// it, does the work.
int gWakeFds[2] = {-1, -1};

void OnSessionSignal(int) {
  int saved = errno;
  char byte = 1;
  [[maybe_unused]] ssize_t n = write(gWakeFds[1], &byte, 1);
  errno = saved;
}

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

}  // namespace

struct SessionEndWatcher::Impl {
  std::function<void()> onEnd;
  std::unique_ptr<QSocketNotifier> notifier;
  struct sigaction previous[kSignalCount] = {};
  bool installed[kSignalCount] = {};
  bool ended = false;
};

SessionEndWatcher::SessionEndWatcher(std::function<void()> onEnd) : impl_(std::make_unique<Impl>()) {
  impl_->onEnd = std::move(onEnd);
  if (pipe2(gWakeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
    gWakeFds[0] = gWakeFds[1] = -1;
    return;  // the signals keep their default actions
  }
  impl_->notifier = std::make_unique<QSocketNotifier>(gWakeFds[0], QSocketNotifier::Read);
  QObject::connect(impl_->notifier.get(), &QSocketNotifier::activated, [impl = impl_.get()] {
    char buffer[16];
    while (read(gWakeFds[0], buffer, sizeof buffer) > 0) {
    }
    if (impl->ended) return;
    impl->ended = true;
    impl->onEnd();
  });
  for (int i = 0; i < kSignalCount; ++i) {
    struct sigaction now = {};
    sigaction(kSignals[i], nullptr, &now);
    // Started with nohup, or in the background of a shell: the hang-up and the interrupt
    // stay ignored, as whoever started the program asked.
    if (kSignals[i] != SIGTERM && now.sa_handler == SIG_IGN) continue;
    struct sigaction act = {};
    act.sa_handler = OnSessionSignal;
    sigemptyset(&act.sa_mask);
    act.sa_flags = SA_RESTART;
    impl_->installed[i] = sigaction(kSignals[i], &act, &impl_->previous[i]) == 0;
  }
}

SessionEndWatcher::~SessionEndWatcher() {
  for (int i = 0; i < kSignalCount; ++i)
    if (impl_->installed[i]) sigaction(kSignals[i], &impl_->previous[i], nullptr);
  impl_->notifier.reset();
  for (int& fd : gWakeFds) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

}  // namespace movra
