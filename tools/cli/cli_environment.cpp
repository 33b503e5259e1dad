#include "cli_environment.h"

#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <string>

#include "app/folders.h"
#include "app/trace.h"

namespace movra::cli {

namespace {
std::atomic<bool> gInterrupted{false};
void OnInterrupt(int) { gInterrupted = true; }
}  // namespace

void PrepareCliEnvironment() {
  PrepareFolders(RunningExeDir());
  // OpenTrace would show an error box for a missing Data folder; a tool just goes on.
  struct stat st {};
  std::string dataFolder = DataRoot + "/Data";
  if (stat(dataFolder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) OpenTrace();
}

void InstallInterruptFlag() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

bool Interrupted() { return gInterrupted.load(); }

}  // namespace movra::cli
