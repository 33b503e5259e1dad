#include "pty_line.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace movra::sim {

namespace {

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what + ": " + std::strerror(errno)); }

int BaudOf(speed_t s) {
  switch (s) {
    case B50: return 50;
    case B75: return 75;
    case B110: return 110;
    case B134: return 134;
    case B150: return 150;
    case B200: return 200;
    case B300: return 300;
    case B600: return 600;
    case B1200: return 1200;
    case B1800: return 1800;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return 0;
  }
}

}  // namespace

void PtyLine::Open() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) Fail("posix_openpt");
  if (grantpt(master_) != 0) Fail("grantpt");
  if (unlockpt(master_) != 0) Fail("unlockpt");
  char name[128];
  if (ptsname_r(master_, name, sizeof name) != 0) Fail("ptsname");
  slavePath_ = name;
  slave_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave_ < 0) Fail("open " + slavePath_);
  termios t{};
  if (tcgetattr(slave_, &t) != 0) Fail("tcgetattr");
  cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  if (tcsetattr(slave_, TCSANOW, &t) != 0) Fail("tcsetattr");
  // Added after our own open, so every event comes from someone else.
  watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ < 0) Fail("inotify_init1");
  if (inotify_add_watch(watch_, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) Fail("inotify_add_watch");
}

void PtyLine::Close() {
  // The master goes first: that is the hang-up the host sees.
  for (int* fd : {&master_, &slave_, &watch_}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

int PtyLine::Baud() const {
  termios t{};
  if (master_ < 0 || tcgetattr(master_, &t) != 0) return 0;
  return BaudOf(cfgetospeed(&t));
}

bool PtyLine::Read(Bytes& out) {
  char buf[4096];
  for (;;) {
    ssize_t n = read(master_, buf, sizeof buf);
    if (n > 0) {
      out.append(buf, size_t(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return true;
    return false;
  }
}

long PtyLine::Write(const char* bytes, size_t n) {
  for (;;) {
    ssize_t w = write(master_, bytes, n);
    if (w >= 0) return long(w);
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return 0;
    return -1;
  }
}

std::vector<PtyLine::HostEvent> PtyLine::ReadHostEvents() {
  std::vector<HostEvent> events;
  alignas(inotify_event) char buf[4096];
  for (;;) {
    ssize_t n = read(watch_, buf, sizeof buf);
    if (n <= 0) return events;
    for (char* p = buf; p < buf + n;) {
      auto* e = reinterpret_cast<inotify_event*>(p);
      if (e->mask & IN_OPEN) events.push_back(HostEvent::Opened);
      if (e->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) events.push_back(HostEvent::Closed);
      p += sizeof(inotify_event) + e->len;
    }
  }
}

void PtyLine::ForgetHost() {
  tcflush(slave_, TCIFLUSH);
  ioctl(slave_, TIOCNXCL);
}

}  // namespace movra::sim
