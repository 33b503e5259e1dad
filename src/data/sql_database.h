// A thin owner of one SQLCipher connection and its prepared statements. Every failure
// becomes a DbError carrying the engine's own message.
#pragma once
#include <cstdint>
#include <string>

#include "data/field_value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace movra {

class SqlDatabase {
 public:
  SqlDatabase() = default;
  ~SqlDatabase();
  SqlDatabase(const SqlDatabase&) = delete;
  SqlDatabase& operator=(const SqlDatabase&) = delete;

  // Opens an existing file (never creates one) with the given key and reads its schema
  // once: a wrong key only shows at the first statement that reads the file.
  void open(const std::string& path, const std::string& key);
  // Opens an existing, empty file and keys it, for the installation step.
  void openNew(const std::string& path, const std::string& key);
  void close();
  bool isOpen() const { return db_ != nullptr; }

  void exec(const std::string& sql);
  // SQLite's quick check over the whole file: "ok", or what is damaged (one finding a
  // line). A page that cannot be read or decrypted raises DbError with the reason.
  std::string quickCheck();
  // True when the engine opened the file for reading only (a read-only file, medium or
  // an immutable file): no statement can write to it.
  bool readOnly() const;
  int64_t lastInsertRowId() const;
  int changes() const;
  bool inTransaction() const;
  sqlite3* handle() const { return db_; }

 private:
  void openKeyed(const std::string& path, const std::string& key);
  sqlite3* db_ = nullptr;
};

class SqlStatement {
 public:
  SqlStatement(SqlDatabase& db, const std::string& sql);
  ~SqlStatement();
  SqlStatement(const SqlStatement&) = delete;
  SqlStatement& operator=(const SqlStatement&) = delete;

  // 1-based index of a named parameter (":Name"), 0 when the statement has none such.
  int parameterIndex(const std::string& name) const;
  int parameterCount() const;
  std::string parameterName(int index) const;
  void bind(int index, const FieldValue& v);

  // True while a row is available; false when done. Raises DbError on failure.
  bool step();
  void reset();

  int columnCount() const;
  std::string columnName(int i) const;
  // The declared type of the table column behind result column i ("" for expressions).
  std::string columnDeclType(int i) const;
  // The value in its storage class: empty, integer, double or text.
  FieldValue column(int i) const;

 private:
  SqlDatabase& db_;
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace movra
