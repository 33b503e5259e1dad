// The history's tables beside the designed ones, and the schema version that says whether a
// file has them (PRAGMA user_version: 0 is the designed database, 1 adds the history, 2 the
// queue of kept results waiting for the clinic's server).
#pragma once
#include <string>

namespace movra {

class SqlDatabase;

constexpr int kSchemaVersion = 2;

// The refusal of a file made by a newer program; the file and its version follow.
extern const char* const kNewerDatabaseText;
// Why the history cannot be read or written in a file that has not gained it (it could
// not be written when it was opened).
extern const char* const kNoHistoryText;

int SchemaVersion(SqlDatabase& db);

// Brings a file of an older version up to kSchemaVersion in one transaction. Raises DbError
// with the reason when the file is newer, or when a step fails (everything is rolled back
// then and the file is as it was). A file at the current version is not written.
void MigrateDatabase(SqlDatabase& db);

// Adds the tables, indexes and triggers of the versions after `fromVersion` up to
// `toVersion` inside the caller's transaction.
void AddHistoryTables(SqlDatabase& db, int fromVersion, int toVersion);

}  // namespace movra
