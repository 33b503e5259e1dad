#define SQLITE_HAS_CODEC 1
#include "data/database_backup.h"

#include <sqlcipher/sqlite3.h>

#include <chrono>
#include <exception>
#include <thread>

#include "app/file_system.h"
#include "data/history_schema.h"
#include "data/sql_database.h"

namespace movra {

namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The whole file in one step, so the copy is one moment of it. A writer holding the file
// makes the step wait and start again; the writer waits for the copy in turn.
void CopyPages(SqlDatabase& source, SqlDatabase& copy) {
  sqlite3_backup* backup = sqlite3_backup_init(copy.handle(), "main", source.handle(), "main");
  if (!backup) throw DbError(sqlite3_errmsg(copy.handle()));
  int rc = SQLITE_OK;
  for (int tries = 0; tries < 400; ++tries) {
    rc = sqlite3_backup_step(backup, -1);
    if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  sqlite3_backup_finish(backup);
  if (rc != SQLITE_DONE) throw DbError(rc == SQLITE_BUSY || rc == SQLITE_LOCKED
                                           ? "the database stayed busy for ten seconds"
                                           : std::string(sqlite3_errmsg(copy.handle())));
}

// Opens the copy as the program would and counts what it keeps.
int64_t CheckCopy(const std::string& path, const std::string& key) {
  SqlDatabase copy;
  copy.open(path, key);
  std::string findings = copy.quickCheck();
  if (findings != "ok") throw DbError("the copy does not pass the quick check: " + findings);
  if (SchemaVersion(copy) < 1) return -1;
  SqlStatement st(copy, "SELECT count(*) FROM Result_History WHERE fDeleted = 0");
  st.step();
  const FieldValue n = st.column(0);
  return std::get<int64_t>(n);
}

}  // namespace

BackupOutcome BackupDatabase(SqlDatabase& source, const std::string& target, const std::string& key) {
  BackupOutcome out;
  if (NameTaken(target)) {
    out.error = "The file " + target + " already exists; a backup never replaces a file";
    return out;
  }
  std::string tmp;
  try {
    tmp = CreateFreshPrivateFile(FolderOf(target) + "/.movra-backup-");
  } catch (const std::exception& e) {
    out.error = "Can't create " + target + ": " + e.what();
    return out;
  }
  auto discard = [&] {
    RemoveFileQuietly(tmp);
    RemoveFileQuietly(tmp + "-journal");
  };
  try {
    {
      SqlDatabase copy;
      copy.openNew(tmp, key);
      CopyPages(source, copy);
    }
    out.keptResults = CheckCopy(tmp, key);
  } catch (const std::exception& e) {
    discard();
    out.keptResults = -1;
    out.error = "The backup " + target + " could not be made: " + e.what();
    return out;
  }
  std::string why;
  PublishOutcome published = PublishWithoutReplacing(tmp, target, why);
  discard();
  if (published == PublishOutcome::Exists) out.error = "The file " + target + " already exists; a backup never replaces a file";
  else if (published == PublishOutcome::Failed) out.error = "Can't create " + target + ": " + why;
  else out.done = true;
  return out;
}

BackupOutcome BackupDatabaseFile(const std::string& source, const std::string& target, const std::string& key) {
  SqlDatabase db;
  try {
    db.open(source, key);
  } catch (const std::exception& e) {
    BackupOutcome out;
    out.error = "The database " + source + " could not be opened: " + e.what();
    return out;
  }
  return BackupDatabase(db, target, key);
}

}  // namespace movra
