#include "data/program_start.h"

#include <optional>

#include "app/file_system.h"
#include "app/folders.h"
#include "app/single_instance.h"
#include "app/trace.h"

namespace movra {

namespace {

void TellOne(StartFrontEnd& frontEnd, const std::optional<Notice>& notice) {
  if (notice) frontEnd.Tell({*notice});
}

}  // namespace

ProgramStartOutcome StartProgram(const std::string& exeDir, StartFrontEnd& frontEnd) {
  const std::string dir = exeDir.empty() ? RunningExeDir() : exeDir;
  ProgramStartOutcome outcome;
  LocateFolders(dir);
  // Before anything is made or opened: the folders may be the running copy's.
  if (RunningCopyHoldsLock(LockFilePath())) {
    if (frontEnd.OtherCopyCameForward()) {
      outcome.end = StartEnd::OtherCopyCameForward;
      return outcome;
    }
    frontEnd.Tell({RunningCopyRefusal()});
    outcome.end = StartEnd::Refused;
    return outcome;
  }
  TellOne(frontEnd, PrepareFolders(dir));
  frontEnd.SettingsRead();
  CreatedDataModule created = CreateDataModule();
  outcome.dm = std::move(created.dm);
  frontEnd.Tell(created.notices);
  if (outcome.dm->TerminateRequested()) outcome.end = StartEnd::CannotGoOn;
  return outcome;
}

void StartWithoutDatabase(const std::string& exeDir, StartFrontEnd& frontEnd) {
  TellOne(frontEnd, PrepareFolders(exeDir.empty() ? RunningExeDir() : exeDir));
  // A missing Data folder would fail the trace.
  if (KindOfPath(DataRoot + "/Data") != PathKind::Folder) return;
  if (StepResult trace = OpenTrace(); !trace) frontEnd.Tell({trace.failure});
}

}  // namespace movra
