// A real pseudo-terminal for the serial tests: the component opens the slave by its path,
// the test plays the device on the master side.
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>

namespace movra::test {

class PtyPair {
 public:
  PtyPair() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
      throw std::runtime_error("no pseudo-terminal");
    slavePath_ = ::ptsname(master_);
  }
  ~PtyPair() { closeMaster(); }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& slavePath() const { return slavePath_; }
  int master() const { return master_; }

  // Everything in one write call, as a device that sends a burst.
  void send(const std::string& bytes) const {
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) throw std::runtime_error("write to the pseudo-terminal failed");
      done += static_cast<size_t>(n);
    }
  }

  // What the component sent, until `count` bytes came or the time is up.
  std::string receive(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5)) const {
    std::string got;
    auto until = std::chrono::steady_clock::now() + limit;
    while (got.size() < count) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      char buf[256];
      ssize_t n = ::read(master_, buf, sizeof buf);
      if (n <= 0) break;
      got.append(buf, static_cast<size_t>(n));
    }
    return got;
  }

  termios lineSettings() const {
    termios t{};
    ::tcgetattr(master_, &t);
    return t;
  }

  // The device is unplugged.
  void closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  std::string slavePath_;
};

}  // namespace movra::test
