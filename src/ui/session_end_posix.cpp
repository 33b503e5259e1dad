#include <QSocketNotifier>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "ui/session_end.h"

namespace movra {

namespace {

int gWritePipe = -1;

// Only write() is safe in a signal handler: the GUI thread reads the pipe.
void OnTerminate(int signal) {
  int saved = errno;
  unsigned char byte = static_cast<unsigned char>(signal);
  if (gWritePipe >= 0) [[maybe_unused]] ssize_t ignored = write(gWritePipe, &byte, 1);
  errno = saved;
}

}  // namespace

void WatchSessionEnd(QObject* owner, std::function<void()> onEnd, std::function<bool()>) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  gWritePipe = fds[1];
  auto* notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, owner);
  QObject::connect(notifier, &QSocketNotifier::activated, owner, [fd = fds[0], onEnd] {
    unsigned char drained[16];
    while (read(fd, drained, sizeof drained) > 0) {
    }
    onEnd();
  });
  QObject::connect(owner, &QObject::destroyed, [fds] {
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    gWritePipe = -1;
    close(fds[0]);
    close(fds[1]);
  });
  struct sigaction sa {};
  sa.sa_handler = OnTerminate;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
}

}  // namespace movra
