// Start-up as the window and movra-cli share it: the folders, the settings, the single
// instance, then the data module (trace and database). It shows nothing: each front end
// hears what to tell, at the moment it happens, and does the steps only it has.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "app/notice.h"
#include "data/data_module.h"

namespace movra {

class StartFrontEnd {
 public:
  virtual ~StartFrontEnd() = default;
  // Another copy holds the database. True when it is the user's own and came to the front,
  // so this start has done its job; otherwise the refusal is told and the start ends.
  virtual bool OtherCopyCameForward() { return false; }
  // What the user is to be told now, in the order it happened.
  virtual void Tell(const std::vector<Notice>& notices) = 0;
  // The settings are read and nothing of the database is open yet.
  virtual void SettingsRead() {}
};

enum class StartEnd {
  Started,               // the data module is open
  OtherCopyCameForward,  // the user's running copy took over
  Refused,               // another copy holds the database (told)
  CannotGoOn,            // the data module asked the program to end (told)
};

struct ProgramStartOutcome {
  StartEnd end = StartEnd::Started;
  // Made whenever the data module ran, CannotGoOn included: the window still makes its
  // windows before it ends.
  std::unique_ptr<TDM> dm;
};

// The whole start in the program folder exeDir (the executable's when empty).
ProgramStartOutcome StartProgram(const std::string& exeDir, StartFrontEnd& frontEnd);

// The start of a command that needs no database: the folders and the settings, and the
// trace when the data folder exists (without it the command goes on untraced).
void StartWithoutDatabase(const std::string& exeDir, StartFrontEnd& frontEnd);

}  // namespace movra
