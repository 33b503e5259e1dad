#include "app/file_in_use.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace movra {

bool FileInUse(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return true;
  bool inUse = false;
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  if (fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK) inUse = true;
  if (!inUse) {
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) inUse = true;
    else flock(fd, LOCK_UN);
  }
  close(fd);
  return inUse;
}

}  // namespace movra
