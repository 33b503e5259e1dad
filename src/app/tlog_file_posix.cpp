#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "app/tlog.h"

namespace movra {

std::FILE* OpenPrivateAppend(const std::string& path) {
  // The logs hold health data: a new file is readable by the user alone, and a link in the
  // log's place is not followed into a file of someone else's choosing.
  int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return nullptr;
  std::FILE* f = fdopen(fd, "ab");
  if (!f) close(fd);
  return f;
}

bool RotateBeforeAppend(std::FILE*& file, const std::string& path, std::size_t adding, std::uintmax_t limit) {
  struct stat opened {}, named {};
  // A line that fits the open file needs no look at the name: with the file kept open that
  // look is all a line costs. Another writer's rotation is seen once this file is full.
  if (file && fstat(fileno(file), &opened) == 0 &&
      (opened.st_size == 0 || static_cast<std::uintmax_t>(opened.st_size) + adding <= limit))
    return true;
  const bool isNamed = file && fstat(fileno(file), &opened) == 0 && stat(path.c_str(), &named) == 0 &&
                       named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
  if (isNamed) {
    const auto size = static_cast<std::uintmax_t>(named.st_size);
    if (size == 0 || size + adding <= limit) return true;
    // When the rename fails the line still goes to the file as it is: nothing is lost.
    if (std::rename(path.c_str(), (path + ".1").c_str()) != 0) return true;
  }
  if (file) std::fclose(file);
  file = OpenPrivateAppend(path);
  return file != nullptr;
}

}  // namespace movra
