// A consistent copy of the encrypted database, made through the engine's online backup
// while the window may hold the file open and write to it. Tells its outcome; shows nothing.
#pragma once
#include <cstdint>
#include <string>

#include "data/schema.h"

namespace movra {

class SqlDatabase;

struct BackupOutcome {
  bool done = false;
  std::string error;         // why not, when not done
  int64_t keptResults = -1;  // the history's results in the copy (-1 when it has none)
};

// Copies the open database into a new file at target, keyed with the same key; the copy
// is checked (opened, quick check) before it takes the name. An existing file at target
// (the database itself among them) is never replaced.
BackupOutcome BackupDatabase(SqlDatabase& source, const std::string& target, const std::string& key = kDatabasePassword);
// The same from the file at source, opened for the copy alone (no lock file, no migration),
// so it works while another program has the database open.
BackupOutcome BackupDatabaseFile(const std::string& source, const std::string& target,
                                 const std::string& key = kDatabasePassword);

}  // namespace movra
