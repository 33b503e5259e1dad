#include "journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace movra::sim {

Journal::~Journal() {
  if (fd_ >= 0) close(fd_);
}

void Journal::Open(const std::string& path) {
  if (path.empty()) return;
  fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd_ < 0) throw std::runtime_error("cannot open journal " + path + ": " + std::strerror(errno));
}

void Journal::Write(const std::string& line) {
  if (fd_ < 0) return;
  // One write per line: a reader never sees half a line followed by another one.
  std::string text = line + "\n";
  const char* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    ssize_t w = write(fd_, p, left);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;
    p += w;
    left -= size_t(w);
  }
}

}  // namespace movra::sim
