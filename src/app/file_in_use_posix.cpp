#include "app/file_in_use.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

WriteRefusal FileRefusesWriting(const std::string& path) {
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd >= 0) {
    close(fd);
    return WriteRefusal::None;
  }
  switch (errno) {
    case EROFS: return WriteRefusal::ReadOnly;
    case EACCES: return WriteRefusal::Denied;
    case EPERM: break;
    default: return WriteRefusal::None;
  }
  // Refused even to root: the file system's unchangeable mark, or a rule of the system.
  int flags = 0;
  int ro = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  bool immutable = ro >= 0 && ioctl(ro, FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL));
  if (ro >= 0) close(ro);
  return immutable ? WriteRefusal::Immutable : WriteRefusal::Denied;
}

}  // namespace movra
