#include "cli_environment.h"

#include <string>

#include "app/dialogs.h"
#include "app/file_system.h"
#include "app/folders.h"
#include "app/trace.h"

namespace movra::cli {

void PrepareCliEnvironment() {
  ShowNotice(PrepareFolders(RunningExeDir()));
  // A missing Data folder would fail the trace; a tool just goes on without one.
  std::string dataFolder = DataRoot + "/Data";
  if (KindOfPath(dataFolder) != PathKind::Folder) return;
  if (StepResult trace = OpenTrace(); !trace) ShowNotice(trace.failure);
}

}  // namespace movra::cli
