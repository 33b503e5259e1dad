#include "data/connection.h"

#include <algorithm>

#include "app/file_system.h"
#include "data/connection_string.h"
#include "data/row_set.h"

namespace movra {

std::string LockFilePathFor(const std::string& dataFile) {
  size_t slash = dataFile.rfind('/');
  std::string dir = slash == std::string::npos ? std::string() : dataFile.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? dataFile : dataFile.substr(slash + 1);
  size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base = base.substr(0, dot);
  if (SameName(base, "movradata1")) base = "MovraData1";
  return dir + base + ".ldb";
}

TAdoConnection::~TAdoConnection() { close(); }

void TAdoConnection::open() {
  close();
  std::string path = ConnectionStringValue(connectionString_, "Data Source").value_or("");
  std::string password = ConnectionStringValue(connectionString_, "Jet OLEDB:Database Password").value_or("");
  if (path.empty()) throw DbError("No data source in the connection string");
  if (KindOfPath(path) != PathKind::Regular) throw DbError("Could not find file '" + path + "'.");
  // The engine follows links; one in the database's place could lead to another's file.
  if (IsLink(path)) throw DbError("The database " + path + " is a symbolic link, which is not followed");

  // The lock is taken first, so a copy that has the file open is noticed before anything
  // is read, and a failed open leaves no lock file behind.
  const std::string lockPath = LockFilePathFor(path);
  if (!lock_.acquire(lockPath)) {
    if (lock_.busy()) throw DbError("The database " + path + " is opened by another process (" + lock_.reason() + ")");
    // A read-only or full folder: saying "another process" would send the user looking
    // for a copy that does not exist.
    throw DbError("The lock file " + lockPath + " cannot be created (" + lock_.reason() + ")");
  }
  try {
    db_.open(path, password);
  } catch (...) {
    lock_.release();
    throw;
  }
  dataFile_ = path;
}

void TAdoConnection::close() {
  // Copy: closing a row set detaches it.
  auto sets = rowSets_;
  for (RowSet* rs : sets) rs->close();
  db_.close();
  lock_.release();
  dataFile_.clear();
}

void TAdoConnection::execute(const std::string& sql) {
  if (!connected()) throw DbError("Connection is not open");
  db_.exec(sql);
}

void TAdoConnection::attach(RowSet* rs) {
  if (std::find(rowSets_.begin(), rowSets_.end(), rs) == rowSets_.end()) rowSets_.push_back(rs);
}

void TAdoConnection::detach(RowSet* rs) { rowSets_.erase(std::remove(rowSets_.begin(), rowSets_.end(), rs), rowSets_.end()); }

}  // namespace movra
