#include "host_line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace movra::test {

const char* const kEnterDev = "26 50 41 00 00 00 04 52 34 3D 76 7E BD 0D";
const char* const kQuerySN = "26 50 50 00 00 00 00 9E 90 0D";
const char* const kDownload = "26 50 5A 00 00 00 00 9F 08 0D";

std::string AckFor(int n) {
  static const char* const crcs[] = {"56 63", "56 27", "96 1A", "56 AF", "96 92",
                                     "96 D6", "56 EB", "57 BF", "97 82", "97 C6"};
  if (n < 1 || n > 10) throw std::out_of_range("no acknowledgement worked out for this record");
  char head[32];
  std::snprintf(head, sizeof head, "26 50 5A %02X 00 00 01 01 ", n);
  return Hex(std::string(head) + crcs[n - 1] + " 0D");
}

std::string Hex(const std::string& text) {
  std::string out;
  std::string digits;
  for (char c : text) {
    if (c == ' ') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) throw std::invalid_argument("not hex: " + text);
    digits += c;
  }
  if (digits.size() % 2) throw std::invalid_argument("odd hex: " + text);
  for (size_t i = 0; i < digits.size(); i += 2) out += char(std::stoi(digits.substr(i, 2), nullptr, 16));
  return out;
}

std::string HexOf(const std::string& bytes) {
  std::string s;
  char b[4];
  for (unsigned char c : bytes) {
    std::snprintf(b, sizeof b, s.empty() ? "%02X" : " %02X", c);
    s += b;
  }
  return s;
}

HostLine::HostLine(const std::string& path, speed_t speed, bool exclusive) {
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    error_ = path + ": " + std::strerror(errno);
    return;
  }
  if (exclusive) ioctl(fd_, TIOCEXCL);
  termios t{};
  tcgetattr(fd_, &t);
  cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);
  tcsetattr(fd_, TCSANOW, &t);
}

void HostLine::send(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t w = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (w > 0) {
      done += size_t(w);
    } else if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd p{fd_, POLLOUT, 0};
      poll(&p, 1, 100);
    } else {
      return;
    }
  }
}

std::string HostLine::read(size_t n, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string out;
  while (out.size() < n) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, int(left)) <= 0) continue;
    char buf[256];
    ssize_t r = ::read(fd_, buf, std::min(sizeof buf, n - out.size()));
    if (r > 0) out.append(buf, size_t(r));
    else if (r == 0 || (errno != EAGAIN && errno != EINTR)) break;
  }
  return out;
}

std::string HostLine::readFor(int ms) { return read(size_t(-1) / 2, ms); }

bool HostLine::waitHangUp(int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, int(left)) <= 0) continue;
    if (p.revents & (POLLHUP | POLLERR)) return true;
    char buf[256];
    ssize_t r = ::read(fd_, buf, sizeof buf);
    if (r == 0 || (r < 0 && errno == EIO)) return true;
  }
}

void HostLine::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace movra::test
