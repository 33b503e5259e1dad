#include <unistd.h>

#include "app/folders.h"

namespace movra {

std::string RunningExeDir() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./";
  return FolderOf(std::string(buf, static_cast<size_t>(n)));
}

}  // namespace movra
