#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "app/user_folders.h"

namespace movra {

namespace {
std::string environment(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}
}  // namespace

void ReadUserFolders(DataLocationInput& in) {
  in.convention = FolderConvention::Xdg;
  in.xdgDataHome = environment("XDG_DATA_HOME");
  in.xdgConfigHome = environment("XDG_CONFIG_HOME");
  in.home = environment("HOME");
  if (in.home.empty()) {
    if (const passwd* pw = getpwuid(getuid())) in.home = pw->pw_dir ? pw->pw_dir : "";
  }
}

}  // namespace movra
