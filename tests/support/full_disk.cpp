#include "full_disk.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace movra::test {

bool MakeFullDiskFile(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return false;
#else
  struct stat full {};
  if (stat("/dev/full", &full) != 0 || !S_ISCHR(full.st_mode)) return false;
  return mknod(path.c_str(), S_IFCHR | 0600, full.st_rdev) == 0;
#endif
}

}  // namespace movra::test
