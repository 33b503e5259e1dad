// A program folder in a scratch folder with a real encrypted database in PTDATA/Data,
// and small helpers that look into the file behind the row set's back.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "data/connection.h"
#include "data/connection_string.h"
#include "data/result_queries.h"
#include "data/row_set.h"
#include "data/schema.h"
#include "data/sql_database.h"
#include "temp_dir.h"

namespace movra::test {

class DataFolder {
 public:
  // Resets the process-wide settings, sets ExeDir/DataRoot to a new scratch folder, makes
  // PTDATA/Data and, unless told otherwise, the database in it.
  explicit DataFolder(const DatabaseOptions& options = {}, bool makeDatabase = true);
  const std::string& exeDir() const { return dir_.path(); }
  std::string dataFile() const;
  TempDir& dir() { return dir_; }

 private:
  TempDir dir_;
};

// A second, plain connection to the file with the right key.
class RawDb {
 public:
  explicit RawDb(const std::string& path, const std::string& key = kDatabasePassword);
  void exec(const std::string& sql) { db_.exec(sql); }
  // The first column of the first row of a query, empty when it returns none.
  FieldValue scalar(const std::string& sql);
  int64_t count(const std::string& table);
  SqlDatabase& db() { return db_; }

 private:
  SqlDatabase db_;
};

// Overwrites bytes in the middle of the first page of `table` in the encrypted file, as a
// failing disk would: the page's HMAC no longer matches. Returns the page number.
int DamageTablePage(const std::string& dataFile, const std::string& table);

// Sets or clears the immutable attribute of a file or folder (root can write through
// permission bits, not through this). False, with errno, where it cannot be set.
bool SetImmutable(const std::string& path, bool on);

// The result list on a connection to a fresh database, with a second plain connection
// to look at the file itself.
class ResultListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    conn.setConnectionString(BuildConnectionString(folder.dataFile()));
    conn.open();
    raw = std::make_unique<RawDb>(folder.dataFile());
    SetupCheckDataEntry(q, conn);
  }
  DataFolder folder;
  TAdoConnection conn;
  std::unique_ptr<RawDb> raw;
  RowSet q{"qryCheckDataEntry"};
};

// A parameterised test's name from a case's description: letters and digits only.
std::string CaseName(const std::string& description);

}  // namespace movra::test
