// adoConn: the one connection to the database file. While connected it holds the lock
// file beside the database (MovraData1.ldb), which start-up uses to refuse a second copy.
#pragma once
#include <string>
#include <vector>

#include "app/lock_file.h"
#include "data/sql_database.h"

namespace movra {

class RowSet;

// The lock file beside a database file: the same base name with ".ldb". The installed
// database movradata1.dat gets the spelling start-up looks for, MovraData1.ldb.
std::string LockFilePathFor(const std::string& dataFile);

class TAdoConnection {
 public:
  TAdoConnection() = default;
  ~TAdoConnection();
  TAdoConnection(const TAdoConnection&) = delete;
  TAdoConnection& operator=(const TAdoConnection&) = delete;

  void setConnectionString(const std::string& cs) { connectionString_ = cs; }
  const std::string& connectionString() const { return connectionString_; }

  // Takes the lock file, opens the file named by "Data Source" with the password of
  // "Jet OLEDB:Database Password" and reads it once. Raises DbError with the reason
  // (no such file, "locked by another process", "file is not a database" …).
  void open();
  // Closes the row sets opened on it, the file, and removes the lock file.
  void close();
  bool connected() const { return db_.isOpen(); }

  // A statement that returns no rows (qryUpdate).
  void execute(const std::string& sql);

  SqlDatabase& database() { return db_; }
  const SqlDatabase& database() const { return db_; }
  const std::string& dataFile() const { return dataFile_; }

  // Row sets opened on this connection are closed with it.
  void attach(RowSet* rs);
  void detach(RowSet* rs);

 private:
  std::string connectionString_;
  std::string dataFile_;
  SqlDatabase db_;
  DbLockFile lock_;
  std::vector<RowSet*> rowSets_;
};

}  // namespace movra
