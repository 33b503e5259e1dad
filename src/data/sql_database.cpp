#define SQLITE_HAS_CODEC 1
#include "data/sql_database.h"

#include <sqlcipher/sqlite3.h>

namespace movra {

namespace {
std::string messageOf(sqlite3* db, int rc) {
  const char* m = db ? sqlite3_errmsg(db) : nullptr;
  return m && *m ? m : sqlite3_errstr(rc);
}
}  // namespace

SqlDatabase::~SqlDatabase() { close(); }

void SqlDatabase::openKeyed(const std::string& path, const std::string& key) {
  close();
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc != SQLITE_OK) {
    std::string m = messageOf(db, rc);
    sqlite3_close(db);
    throw DbError(m);
  }
  rc = sqlite3_key(db, key.data(), static_cast<int>(key.size()));
  if (rc != SQLITE_OK) {
    std::string m = messageOf(db, rc);
    sqlite3_close(db);
    throw DbError(m);
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, 2000);
  db_ = db;
}

void SqlDatabase::open(const std::string& path, const std::string& key) {
  openKeyed(path, key);
  try {
    // The key is checked here: a wrong one gives "file is encrypted or is not a database".
    exec("SELECT count(*) FROM sqlite_master");
    // Sorts and other scratch data stay in memory rather than in unencrypted temp files.
    exec("PRAGMA temp_store = MEMORY");
  } catch (...) {
    close();
    throw;
  }
}

void SqlDatabase::openNew(const std::string& path, const std::string& key) { openKeyed(path, key); }

void SqlDatabase::close() {
  if (!db_) return;
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

void SqlDatabase::exec(const std::string& sql) {
  if (!db_) throw DbError("Connection is not open");
  char* err = nullptr;
  int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
  if (rc != SQLITE_OK) {
    std::string m = err ? err : messageOf(db_, rc);
    sqlite3_free(err);
    throw DbError(m);
  }
}

std::string SqlDatabase::quickCheck() {
  SqlStatement st(*this, "PRAGMA quick_check");
  std::string findings;
  while (st.step()) {
    FieldValue v = st.column(0);
    const auto* text = std::get_if<std::string>(&v);
    if (!findings.empty()) findings += "\n";
    findings += text ? *text : std::string("?");
  }
  return findings;
}

bool SqlDatabase::readOnly() const { return db_ && sqlite3_db_readonly(db_, "main") == 1; }

int64_t SqlDatabase::lastInsertRowId() const { return db_ ? sqlite3_last_insert_rowid(db_) : 0; }
int SqlDatabase::changes() const { return db_ ? sqlite3_changes(db_) : 0; }
bool SqlDatabase::inTransaction() const { return db_ && sqlite3_get_autocommit(db_) == 0; }

SqlStatement::SqlStatement(SqlDatabase& db, const std::string& sql) : db_(db) {
  if (!db.handle()) throw DbError("Connection is not open");
  int rc = sqlite3_prepare_v2(db.handle(), sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr);
  if (rc != SQLITE_OK) {
    std::string m = messageOf(db.handle(), rc);
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    throw DbError(m);
  }
  if (!stmt_) throw DbError("Empty statement");
}

SqlStatement::~SqlStatement() { sqlite3_finalize(stmt_); }

int SqlStatement::parameterIndex(const std::string& name) const {
  return sqlite3_bind_parameter_index(stmt_, (":" + name).c_str());
}

int SqlStatement::parameterCount() const { return sqlite3_bind_parameter_count(stmt_); }

std::string SqlStatement::parameterName(int index) const {
  const char* n = sqlite3_bind_parameter_name(stmt_, index);
  return n ? n : "";
}

void SqlStatement::bind(int index, const FieldValue& v) {
  int rc;
  if (IsNull(v)) rc = sqlite3_bind_null(stmt_, index);
  else if (auto* i = std::get_if<int64_t>(&v)) rc = sqlite3_bind_int64(stmt_, index, *i);
  else if (auto* d = std::get_if<double>(&v)) rc = sqlite3_bind_double(stmt_, index, *d);
  else {
    const std::string& s = std::get<std::string>(v);
    rc = sqlite3_bind_text(stmt_, index, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
  }
  if (rc != SQLITE_OK) throw DbError(messageOf(db_.handle(), rc));
}

bool SqlStatement::step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  std::string m = messageOf(db_.handle(), rc);
  sqlite3_reset(stmt_);
  throw DbError(m);
}

void SqlStatement::reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

int SqlStatement::columnCount() const { return sqlite3_column_count(stmt_); }

std::string SqlStatement::columnName(int i) const {
  const char* n = sqlite3_column_name(stmt_, i);
  return n ? n : "";
}

std::string SqlStatement::columnDeclType(int i) const {
  const char* t = sqlite3_column_decltype(stmt_, i);
  return t ? t : "";
}

FieldValue SqlStatement::column(int i) const {
  switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_INTEGER:
      return static_cast<int64_t>(sqlite3_column_int64(stmt_, i));
    case SQLITE_FLOAT:
      return sqlite3_column_double(stmt_, i);
    case SQLITE_NULL:
      return {};
    default: {
      const unsigned char* t = sqlite3_column_text(stmt_, i);
      int n = sqlite3_column_bytes(stmt_, i);
      return std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(n));
    }
  }
}

}  // namespace movra
