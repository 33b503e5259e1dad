#include "cli_environment.h"

#include <string>
#include <vector>

#include "app/dialogs.h"
#include "data/program_start.h"

namespace movra::cli {

namespace {

// The tool tells on stderr what the window shows as boxes; no running copy comes forward.
class CliStart : public StartFrontEnd {
 public:
  void Tell(const std::vector<Notice>& notices) override { ShowNotices(notices); }
};

}  // namespace

void PrepareCliEnvironment() {
  CliStart start;
  StartWithoutDatabase(std::string(), start);
}

std::unique_ptr<TDM> OpenProgramDatabase() {
  CliStart start;
  ProgramStartOutcome started = StartProgram(std::string(), start);
  if (started.end != StartEnd::Started) return nullptr;
  return std::move(started.dm);
}

}  // namespace movra::cli
