#include "cli_environment.h"

#include <sys/stat.h>

#include <string>

#include "app/folders.h"
#include "app/trace.h"

namespace movra::cli {

void PrepareCliEnvironment() {
  PrepareFolders(RunningExeDir());
  // OpenTrace would show an error box for a missing Data folder; a tool just goes on.
  struct stat st {};
  std::string dataFolder = DataRoot + "/Data";
  if (stat(dataFolder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) OpenTrace();
}

}  // namespace movra::cli
