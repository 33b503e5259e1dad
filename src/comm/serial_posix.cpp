// The serial port on a POSIX system: termios on a non-blocking descriptor. The close signal
// is an eventfd that is written once and never read, so every later poll sees it.
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>

#include "comm/serial_backend.h"
#include "comm/serial_termios.h"

namespace movra {

namespace {

using Clock = std::chrono::steady_clock;

// Driver counters of line errors and modem lines are looked at this often while waiting;
// a driver without them (a pseudo-terminal) is waited on without waking.
constexpr int kLineEventPollMs = 100;

std::string osText(const std::string& what, int err) { return what + ": " + std::strerror(err); }

PortFailure failureForOpenErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
      return PortFailure::NoSuchDevice;
    case EACCES:
    case EPERM:
    case EROFS:
      return PortFailure::PermissionDenied;
    case EBUSY:
    case EWOULDBLOCK:
      return PortFailure::Busy;
    default:
      return PortFailure::Other;
  }
}

std::optional<speed_t> speedFor(uint32_t baud) {
  static const struct {
    uint32_t rate;
    speed_t code;
  } kRates[] = {
      {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
      {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
      {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
      {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
      {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
      {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
      {3500000, B3500000}, {4000000, B4000000},
  };
  for (const auto& r : kRates)
    if (r.rate == baud) return r.code;
  return std::nullopt;
}

int remainingMs(Clock::time_point until) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
  if (left <= 0) return 0;
  // Round up so a wait never ends a millisecond early and spins.
  return static_cast<int>(std::min<long long>(left + 1, 1 << 30));
}

}  // namespace

bool LineSettingsToTermios(const SerialLineSettings& s, termios& tio) {
  auto speed = speedFor(s.baudRate);
  if (!speed) return false;

  // Binary transfer: no line editing, echo, signals or character translation.
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK |
                   IGNPAR);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  tio.c_cflag |= CREAD | CLOCAL;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, *speed);
  ::cfsetospeed(&tio, *speed);

  static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  tio.c_cflag |= kSizes[std::clamp<int>(s.dataBits, 5, 8) - 5];
  switch (s.parity) {
    case TParity::Odd: tio.c_cflag |= PARENB | PARODD; break;
    case TParity::Even: tio.c_cflag |= PARENB; break;
    case TParity::Mark: tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case TParity::Space: tio.c_cflag |= PARENB | CMSPAR; break;
    case TParity::None: break;
  }
  // There is no one and a half here; two stop bits are the nearest.
  if (s.stopBits != TStopBits::_1) tio.c_cflag |= CSTOPB;

  switch (s.flowControl) {
    case TFlowControl::Hardware: tio.c_cflag |= CRTSCTS; break;
    case TFlowControl::Software: tio.c_iflag |= IXON | IXOFF; break;
    case TFlowControl::None: break;
  }
  tio.c_cc[VSTART] = 17;  // DC1
  tio.c_cc[VSTOP] = 19;   // DC3
  return true;
}

namespace {

class SerialPosix final : public SerialBackend {
 public:
  ~SerialPosix() override { Close(); }

  SerialOpenResult Open(const std::string& path) override {
    Close();
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      int err = errno;
      return {failureForOpenErrno(err), osText(path, err)};
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
      int err = errno;
      ::close(fd);
      return {PortFailure::NotATty, osText(path, err)};
    }
    // The lock keeps out every other open of the device, ours included; TIOCEXCL then keeps
    // out programs that do not lock (root passes it). A device locked by someone else is
    // left exactly as it was.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int err = errno;
      ::close(fd);
      if (err == EWOULDBLOCK) return {PortFailure::Busy, path + ": in use by another program"};
      return {failureForOpenErrno(err), osText(path, err)};
    }
    ::ioctl(fd, TIOCEXCL);
    fd_ = fd;
    savedTio_ = tio;
    serial_icounter_struct ic{};
    hasCounters_ = ::ioctl(fd_, TIOCGICOUNT, &ic) == 0;
    if (hasCounters_) counters_ = ic;
    return {};
  }

  bool IsOpen() const override { return fd_ >= 0; }

  // The tty layer sizes its own buffers.
  bool SetupQueues(size_t, size_t) override { return fd_ >= 0; }

  void Purge(SerialQueues queues) override {
    if (fd_ < 0) return;
    // Abandoning a pending transfer needs nothing here: the waits wake on the close signal.
    switch (queues) {
      case SerialQueues::Both: ::tcflush(fd_, TCIOFLUSH); break;
      case SerialQueues::Input: ::tcflush(fd_, TCIFLUSH); break;
      case SerialQueues::Output: ::tcflush(fd_, TCOFLUSH); break;
    }
  }

  bool SetLineSettings(const SerialLineSettings& s) override {
    if (fd_ < 0) return false;
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return false;
    // Like a driver that refuses the rate: the block is not written.
    if (!LineSettingsToTermios(s, tio)) return false;
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) return false;

    // Modem lines; a pseudo-terminal has none and refuses, which changes nothing.
    int dtr = TIOCM_DTR;
    int rts = TIOCM_RTS;
    ::ioctl(fd_, s.dataTerminalReady ? TIOCMBIS : TIOCMBIC, &dtr);
    if (s.flowControl != TFlowControl::Hardware) ::ioctl(fd_, s.requestToSend ? TIOCMBIS : TIOCMBIC, &rts);
    return true;
  }

  void SetTimeouts(const SerialTimeouts& t) override {
    std::lock_guard<std::mutex> lock(mutex_);
    timeouts_ = t;
  }

  bool CreateCloseSignal() override {
    if (closeFd_ >= 0) ::close(closeFd_);
    closeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return closeFd_ >= 0;
  }

  void SignalClose() override {
    if (closeFd_ < 0) return;
    uint64_t one = 1;
    // The counter is never read, so the signal stays raised.
    ssize_t r = ::write(closeFd_, &one, sizeof one);
    (void)r;
  }

  bool CloseSignalled() const override {
    if (closeFd_ < 0) return false;
    pollfd p{closeFd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
  }

  SerialReadResult ReadChunk(uint8_t* buffer, size_t want) override {
    SerialReadResult res;
    if (fd_ < 0 || want == 0) {
      res.status = SerialIo::Closed;
      return res;
    }
    SerialTimeouts t;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      t = timeouts_;
    }
    constexpr uint32_t kMax = 0xFFFFFFFF;
    // An interval of MAXDWORD: hand over whatever has arrived as soon as there is something.
    bool takeWhatIsThere = t.readInterval == kMax;
    std::optional<Clock::time_point> deadline;
    uint64_t total = uint64_t(t.readTotalMultiplier) * want + t.readTotalConstant;
    if (total > 0 && !(takeWhatIsThere && t.readTotalMultiplier == 0 && t.readTotalConstant == 0))
      deadline = Clock::now() + std::chrono::milliseconds(total);
    Clock::time_point lastByte{};

    for (;;) {
      if (res.count >= want) return res;
      int timeout = -1;
      if (deadline) timeout = remainingMs(*deadline);
      if (res.count > 0) {
        if (takeWhatIsThere) return res;
        if (t.readInterval > 0) {
          int gap = remainingMs(lastByte + std::chrono::milliseconds(t.readInterval));
          timeout = timeout < 0 ? gap : std::min(timeout, gap);
        }
      }
      if (timeout == 0) {
        if (deadline && res.count == 0) res.status = SerialIo::TimedOut;
        return res;
      }
      if (hasCounters_ && (timeout < 0 || timeout > kLineEventPollMs)) timeout = kLineEventPollMs;

      pollfd p[2] = {{fd_, POLLIN, 0}, {closeFd_, POLLIN, 0}};
      int r = ::poll(p, closeFd_ >= 0 ? 2 : 1, timeout);
      if (r < 0) {
        if (errno == EINTR) continue;
        return hangUp(res, osText("poll", errno));
      }
      if (closeFd_ >= 0 && (p[1].revents & POLLIN)) {
        res.status = SerialIo::Closed;
        return res;
      }
      if (hasCounters_ && takeLineEvents(res) && res.count == 0) return res;
      if (r == 0) continue;  // the next round sees whether the time is up
      if (p[0].revents & POLLNVAL) {
        res.status = SerialIo::Closed;
        return res;
      }
      if (!(p[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;

      ssize_t n = ::read(fd_, buffer + res.count, want - res.count);
      if (n > 0) {
        res.count += static_cast<size_t>(n);
        lastByte = Clock::now();
        continue;
      }
      if (n == 0) return hangUp(res, "read: end of file (the device hung up)");
      int err = errno;
      if (err == EAGAIN || err == EINTR) {
        if (p[0].revents & (POLLHUP | POLLERR)) return hangUp(res, "poll: the device hung up");
        continue;
      }
      if (err == EBADF) {
        res.status = SerialIo::Closed;
        return res;
      }
      // EIO from a hung-up tty, ENXIO or ENODEV from a removed adapter, and anything else
      // the reader cannot get past.
      return hangUp(res, osText("read", err));
    }
  }

  SerialWriteResult Write(const uint8_t* bytes, size_t n) override {
    SerialWriteResult res;
    if (fd_ < 0) {
      res.status = SerialIo::Closed;
      return res;
    }
    SerialTimeouts t;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      t = timeouts_;
    }
    std::optional<Clock::time_point> deadline;
    uint64_t total = uint64_t(t.writeTotalMultiplier) * n + t.writeTotalConstant;
    if (total > 0) deadline = Clock::now() + std::chrono::milliseconds(total);

    while (res.count < n) {
      ssize_t k = ::write(fd_, bytes + res.count, n - res.count);
      if (k > 0) {
        res.count += static_cast<size_t>(k);
        continue;
      }
      int err = k == 0 ? EAGAIN : errno;
      if (err == EINTR) continue;
      if (err == EBADF) {
        res.status = SerialIo::Closed;
        return res;
      }
      if (err != EAGAIN) {
        res.status = SerialIo::HangUp;
        res.osText = osText("write", err);
        return res;
      }
      int timeout = deadline ? remainingMs(*deadline) : -1;
      if (timeout == 0) {
        res.status = SerialIo::TimedOut;
        return res;
      }
      pollfd p[2] = {{fd_, POLLOUT, 0}, {closeFd_, POLLIN, 0}};
      int r = ::poll(p, closeFd_ >= 0 ? 2 : 1, timeout);
      if (r < 0) {
        if (errno == EINTR) continue;
        res.status = SerialIo::HangUp;
        res.osText = osText("poll", errno);
        return res;
      }
      if (closeFd_ >= 0 && (p[1].revents & POLLIN)) {
        res.status = SerialIo::Closed;
        return res;
      }
      if (p[0].revents & POLLNVAL) {
        res.status = SerialIo::Closed;
        return res;
      }
      if ((p[0].revents & (POLLHUP | POLLERR)) && !(p[0].revents & POLLOUT)) {
        res.status = SerialIo::HangUp;
        res.osText = "poll: the device hung up";
        return res;
      }
    }
    return res;
  }

  void Close() override {
    if (fd_ >= 0) {
      // The next program finds the line as we found it; a device that is gone refuses.
      ::tcsetattr(fd_, TCSANOW, &savedTio_);
      ::ioctl(fd_, TIOCNXCL);
      ::flock(fd_, LOCK_UN);
      ::close(fd_);
      fd_ = -1;
    }
    if (closeFd_ >= 0) {
      ::close(closeFd_);
      closeFd_ = -1;
    }
  }

 private:
  static SerialReadResult& hangUp(SerialReadResult& res, std::string text) {
    res.status = SerialIo::HangUp;
    res.osText = std::move(text);
    return res;
  }

  // Compares the driver's counters with the last look; true when something changed.
  bool takeLineEvents(SerialReadResult& res) {
    serial_icounter_struct ic{};
    if (::ioctl(fd_, TIOCGICOUNT, &ic) != 0) return false;
    uint32_t errors = 0;
    if (ic.buf_overrun != counters_.buf_overrun) errors |= LineInputOverflow;
    if (ic.overrun != counters_.overrun) errors |= LineOverrun;
    if (ic.parity != counters_.parity) errors |= LineParityError;
    if (ic.frame != counters_.frame) errors |= LineFramingError;
    if (ic.brk != counters_.brk) errors |= LineBreak;
    uint32_t modem = 0;
    if (ic.dcd != counters_.dcd) modem |= ModemCarrierChanged;
    if (ic.rng != counters_.rng) modem |= ModemRing;
    counters_ = ic;
    res.lineErrors |= errors;
    res.modemEvents |= modem;
    return errors || modem;
  }

  int fd_ = -1;
  int closeFd_ = -1;
  bool hasCounters_ = false;
  serial_icounter_struct counters_{};  // reader thread only, once open
  termios savedTio_{};                  // the line as it was before Open
  mutable std::mutex mutex_;            // guards timeouts_
  SerialTimeouts timeouts_;
};

}  // namespace

std::shared_ptr<SerialBackend> CreateSerialBackend() { return std::make_shared<SerialPosix>(); }

void RaiseCurrentThreadPriority(SerialThreadPriority priority) {
  // Only a privileged process may lower its nice value; the request is simply refused otherwise.
  int nice = priority == SerialThreadPriority::Highest ? -10 : -5;
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), nice);
}

}  // namespace movra
