#include "app/make_folders.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace movra {

bool MakeFolders(const std::string& folder, std::string& why) {
  for (size_t i = 1; i <= folder.size(); ++i) {
    if (i != folder.size() && folder[i] != '/') continue;
    std::string part = folder.substr(0, i);
    if (part.back() == '/') continue;
    struct stat st {};
    if (stat(part.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) {
        why = part + " is not a folder";
        return false;
      }
      continue;
    }
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      why = part + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

}  // namespace movra
