// One write transaction on a connection, rolled back unless committed.
#pragma once
#include <exception>

#include "data/sql_database.h"

namespace movra {

class SqlTransaction {
 public:
  // IMMEDIATE: the write lock is taken at the start, so the transaction never fails half-way
  // for another writer.
  explicit SqlTransaction(SqlDatabase& db) : db_(db) { db_.exec("BEGIN IMMEDIATE"); }
  ~SqlTransaction() {
    if (open_) {
      try {
        db_.exec("ROLLBACK");
      } catch (const std::exception&) {
        // Rolled back by the engine already.
      }
    }
  }
  SqlTransaction(const SqlTransaction&) = delete;
  SqlTransaction& operator=(const SqlTransaction&) = delete;
  void Commit() {
    db_.exec("COMMIT");
    open_ = false;
  }

 private:
  SqlDatabase& db_;
  bool open_ = true;
};

}  // namespace movra
