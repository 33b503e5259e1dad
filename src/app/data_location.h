// Where a user's data and settings live. A program folder the user may write to keeps
// them beside the program, as the portable folder always has. An installed program's
// folder belongs to the package manager, so each user gets a folder of their own.
#pragma once
#include <string>

namespace movra {

enum class FolderConvention { Xdg, Windows };

struct DataLocationInput {
  std::string programDir;          // ExeDir, ending in one separator
  bool programDirWritable = true;  // false for an installed program, whoever runs it
  FolderConvention convention = FolderConvention::Xdg;
  // The environment, as read: empty when unset.
  std::string xdgDataHome;
  std::string xdgConfigHome;
  std::string home;
  std::string localAppData;  // Windows
};

struct DataLocation {
  std::string dataRoot;        // the PTDATA folder, without a trailing separator
  std::string userConfigFile;  // read instead of the program's settings when it exists
  bool perUser = false;        // the user's own folder: the database is made there at first start
  std::string problem;         // why no user folder could be named (dataRoot then stays in programDir)
};

DataLocation DecideDataLocation(const DataLocationInput& in);

}  // namespace movra
