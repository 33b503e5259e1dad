// movra-cli backup FILE: a consistent copy of the encrypted database, also while the window
// has it open and a download writes to it.
#include <string>

#include "app/dialogs.h"
#include "app/file_system.h"
#include "app/folders.h"
#include "data/database_backup.h"
#include "record_output.h"
#include "subcommand.h"

namespace movra::cli {

namespace {

int RunBackup(const ParsedOptions& options) {
  if (options.words().size() != 1 || options.words()[0].empty()) throw UsageError("backup wants one FILE");
  const std::string target = options.words()[0];
  // Only the file's name is needed: the copy takes neither the lock nor the trace, so the
  // window may keep running.
  LocateFolders();
  const std::string source = DataFilePath();
  if (KindOfPath(source) != PathKind::Regular) {
    ShowError("The database " + source + " is not there");
    return kExitDatabase;
  }
  BackupOutcome out = BackupDatabaseFile(source, target);
  if (!out.done) {
    ShowError(out.error);
    return out.error.rfind("The database ", 0) == 0 ? kExitDatabase : kExitFailure;
  }
  PrintLine("Backup\t" + target);
  if (out.keptResults >= 0) PrintLine("KeptResults\t" + std::to_string(out.keptResults));
  return kExitOk;
}

}  // namespace

Subcommand BackupSubcommand() {
  return Subcommand{
      "backup",
      "FILE: a consistent copy of the encrypted database, also while the window runs",
      {},
      &RunBackup,
      "    The copy is checked before it takes the name FILE; an existing FILE is never replaced.\n"
      "    To restore it, close Movra and copy FILE over PTDATA/Data/movradata1.dat.\n"
      "    Prints Backup TAB FILE and KeptResults TAB the history's results in the copy.\n"
      "    Exit codes: 0 done; 1 the copy cannot be made or FILE exists; 2 usage; 4 the database\n"
      "    cannot be opened.\n",
      1,
  };
}

}  // namespace movra::cli
