#include "app/lock_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace movra {

bool DbLockFile::acquire(const std::string& path) {
  release();
  busy_ = false;
  for (int attempt = 0; attempt < 3; ++attempt) {
    // A link in its place is refused rather than followed to a file of someone else's.
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
      reason_ = errno == ELOOP ? "a link stands in the lock file's place" : std::strerror(errno);
      return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      reason_ = "locked by another process";
      busy_ = true;
      close(fd);
      return false;
    }
    // The file may have been deleted by a starting copy between open and flock: make
    // sure the locked file is the one at the path.
    struct stat a {}, b {};
    if (fstat(fd, &a) == 0 && stat(path.c_str(), &b) == 0 && a.st_ino == b.st_ino && a.st_dev == b.st_dev) {
      fd_ = fd;
      path_ = path;
      reason_.clear();
      return true;
    }
    close(fd);
  }
  reason_ = "lock file keeps changing";
  busy_ = true;
  return false;
}

void DbLockFile::release() {
  if (fd_ < 0) return;
  unlink(path_.c_str());
  close(static_cast<int>(fd_));
  fd_ = -1;
  path_.clear();
}

bool TryDeleteLockFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
  // A link is no lock anyone holds: the name goes, what it leads to stays.
  if (fd < 0 && errno == ELOOP) return unlink(path.c_str()) == 0 || errno == ENOENT;
  if (fd < 0) return access(path.c_str(), F_OK) != 0;
  bool gone = false;
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
    // Nobody holds it: a leftover of a copy that ended abnormally.
    gone = unlink(path.c_str()) == 0 || errno == ENOENT;
    flock(fd, LOCK_UN);
  }
  close(fd);
  return gone;
}

}  // namespace movra
