#include "cli_environment.h"

#include <string>

#include "app/file_system.h"
#include "app/folders.h"
#include "app/trace.h"

namespace movra::cli {

void PrepareCliEnvironment() {
  PrepareFolders(RunningExeDir());
  // OpenTrace would show an error box for a missing Data folder; a tool just goes on.
  std::string dataFolder = DataRoot + "/Data";
  if (KindOfPath(dataFolder) == PathKind::Folder) OpenTrace();
}

}  // namespace movra::cli
