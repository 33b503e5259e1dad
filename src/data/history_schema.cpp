#include "data/history_schema.h"

#include <exception>

#include "app/language.h"
#include "data/sql_database.h"

namespace movra {

const char* const kNewerDatabaseText =
    "This database was made by a newer version of Movra. It has been left as it is: open it with that version.";
const char* const kNoHistoryText =
    "The history is not in this database yet: it is added the next time Movra opens the database with permission "
    "to write it.";

namespace {

// A result is kept once by its meter, patient, the time of the test, INR text, sample type
// and level. Record numbers are left out: one byte wraps, and a meter renumbers its memory.
// The texts compare exactly (the designed columns ignore case; serial numbers must not).
// Rows are never erased (a deleted one is marked), so the row ids need no AUTOINCREMENT, whose
// bookkeeping would cost every kept row a write; a pair's days are read through the identity
// index, whose first columns are the pair and the time of the test.
constexpr const char* kVersion1[] = {
    "CREATE TABLE Result_History (\n"
    "  fID INTEGER PRIMARY KEY,\n"
    "  fSN TEXT NOT NULL,\n"
    "  fPatientNo TEXT NOT NULL,\n"
    "  fDate DOUBLE NOT NULL,\n"
    "  fTime_String TEXT NOT NULL,\n"
    "  fAMPM TEXT NOT NULL DEFAULT '',\n"
    "  fINR_s TEXT NOT NULL,\n"
    "  fINR_v DOUBLE,\n"
    "  fSampleType TEXT NOT NULL,\n"
    "  fLevel TEXT NOT NULL,\n"
    "  fRecordNumber TEXT NOT NULL DEFAULT '',\n"
    "  fStored DOUBLE,\n"
    "  fDeleted INTEGER NOT NULL DEFAULT 0 CHECK (fDeleted IN (0, 1)))",
    "CREATE UNIQUE INDEX Result_History_Identity ON Result_History "
    "(fSN, fPatientNo, fDate, fTime_String, fINR_s, fSampleType, fLevel)",
    // Which saved patient (Patient_info.fID) a meter's patient ID belongs to: one each.
    "CREATE TABLE Patient_Meter (\n"
    "  fSN TEXT NOT NULL,\n"
    "  fPatientNo TEXT NOT NULL,\n"
    "  fPatient INTEGER NOT NULL,\n"
    "  PRIMARY KEY (fSN, fPatientNo))",
    "CREATE INDEX Patient_Meter_Patient ON Patient_Meter (fPatient)",
    // Every row a download appends to the list is kept in the same transaction, whoever
    // stores it; one kept already (or deleted from the history) is left as it is.
    "CREATE TRIGGER Result_Log_Keep AFTER INSERT ON Result_Log\n"
    "WHEN NEW.fSN IS NOT NULL AND NEW.fDate IS NOT NULL AND NEW.fINR_s IS NOT NULL\n"
    "BEGIN\n"
    "  INSERT OR IGNORE INTO Result_History (fSN, fPatientNo, fDate, fTime_String, fAMPM, fINR_s, fINR_v,\n"
    "      fSampleType, fLevel, fRecordNumber, fStored)\n"
    "  VALUES (NEW.fSN, ifnull(NEW.fMeterType, ''), NEW.fDate, ifnull(NEW.fTime_String, ''),\n"
    "      ifnull(NEW.fAMPM, ''), NEW.fINR_s, NEW.fINR_v, ifnull(NEW.fCalibrationType, ''),\n"
    "      ifnull(NEW.fCalibrationLevel, ''), ifnull(NEW.fRecordNumber, ''), NEW.fDateTime);\n"
    "END",
};

// The kept results the clinic's server has not taken yet, by their history row. A result is
// queued by the trigger in the transaction that keeps it (a download's commit), and only on a
// PC with a server configured (the one row of History_Server): one without queues nothing.
// History_Copy remembers how far the whole history was copied to each server.
constexpr const char* kVersion2[] = {
    "CREATE TABLE History_Queue (fHistory INTEGER PRIMARY KEY)",
    "CREATE TABLE History_Server (fOne INTEGER PRIMARY KEY CHECK (fOne = 1))",
    "CREATE TABLE History_Copy (fUrl TEXT PRIMARY KEY, fLastID INTEGER NOT NULL)",
    "CREATE TRIGGER Result_History_Queue AFTER INSERT ON Result_History\n"
    "WHEN EXISTS (SELECT 1 FROM History_Server)\n"
    "BEGIN\n"
    "  INSERT OR IGNORE INTO History_Queue (fHistory) VALUES (NEW.fID);\n"
    "END",
};

}  // namespace

int SchemaVersion(SqlDatabase& db) {
  SqlStatement st(db, "PRAGMA user_version");
  if (!st.step()) return 0;
  const FieldValue v = st.column(0);
  const auto* n = std::get_if<int64_t>(&v);
  return n ? static_cast<int>(*n) : 0;
}

void AddHistoryTables(SqlDatabase& db, int fromVersion, int toVersion) {
  if (fromVersion < 1 && toVersion >= 1)
    for (const char* sql : kVersion1) db.exec(sql);
  if (fromVersion < 2 && toVersion >= 2)
    for (const char* sql : kVersion2) db.exec(sql);
}

void MigrateDatabase(SqlDatabase& db) {
  // Read before anything is written: a newer file is only looked at.
  int version = SchemaVersion(db);
  if (version > kSchemaVersion)
    throw DbError(TranslateText(kNewerDatabaseText) + "\r\nPRAGMA user_version = " + std::to_string(version));
  if (version == kSchemaVersion) return;
  db.exec("BEGIN IMMEDIATE");
  try {
    // Another copy may have migrated it between the look and the lock.
    version = SchemaVersion(db);
    AddHistoryTables(db, version, kSchemaVersion);
    if (version < kSchemaVersion) db.exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
    db.exec("COMMIT");
  } catch (const std::exception& e) {
    std::string why = e.what();
    try {
      db.exec("ROLLBACK");
    } catch (const std::exception&) {
      // The engine rolled back by itself.
    }
    throw DbError("The database could not be brought to version " + std::to_string(kSchemaVersion) +
                  " and is left as it was: " + why);
  }
}

}  // namespace movra
