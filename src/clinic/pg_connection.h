// One connection to the clinic's PostgreSQL server through libpq: statements with their
// values always passed as parameters, transactions, and every failure a ClinicError in a
// sentence the user can read, ending with libpq's or the server's own reason.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/result_sink.h"

struct pg_conn;
struct pg_result;

namespace movra {

// A failure the server reported for one statement; sqlState is its SQLSTATE code ("" when
// the connection itself failed).
class PgError : public ClinicError {
 public:
  PgError(const std::string& what, std::string sqlState) : ClinicError(what), sqlState_(std::move(sqlState)) {}
  const std::string& sqlState() const { return sqlState_; }

 private:
  std::string sqlState_;
};

// SQLSTATEs the callers tell apart.
constexpr const char* kSqlInsufficientPrivilege = "42501";

// A statement's parameter in PostgreSQL's text form; no value is SQL NULL.
using PgParam = std::optional<std::string>;
PgParam PgNumber(double value);  // NaN becomes NULL
PgParam PgInteger(int64_t value);

class PgResult {
 public:
  explicit PgResult(pg_result* result) : result_(result) {}
  ~PgResult();
  PgResult(PgResult&& other) noexcept : result_(std::exchange(other.result_, nullptr)) {}
  PgResult& operator=(PgResult&&) = delete;
  PgResult(const PgResult&) = delete;

  int rows() const;
  // Rows a command changed (INSERT, UPDATE).
  int affected() const;
  bool isNull(int row, int column) const;
  std::string text(int row, int column) const;
  std::optional<double> number(int row, int column) const;
  int64_t integer(int row, int column) const;

 private:
  pg_result* result_;
};

class PgConnection {
 public:
  // Opens the connection: connect_timeout 5 s and application_name Movra unless the URL says
  // otherwise, UTF-8 always. Raises ClinicError "The clinic's database could not be reached:
  // <libpq's reason>".
  explicit PgConnection(const std::string& url);
  ~PgConnection();
  PgConnection(const PgConnection&) = delete;
  PgConnection& operator=(const PgConnection&) = delete;

  // Runs one statement; raises PgError with the server's message. A connection lost since
  // the last statement is opened again first (outside a transaction), with the session's
  // settings made again.
  PgResult Exec(const std::string& sql, const std::vector<PgParam>& params = {});
  // A setting of this session (set_config), kept across a reconnection.
  void SetSession(const std::string& name, const std::string& value);

  void Begin();
  void Commit();
  void Rollback();  // never raises: a lost connection has rolled back by itself
  bool inTransaction() const { return inTransaction_; }

 private:
  void reconnectIfLost();
  pg_conn* conn_ = nullptr;
  bool inTransaction_ = false;
  std::vector<std::pair<std::string, std::string>> session_;
};

// Rolls back unless committed.
class PgTransaction {
 public:
  explicit PgTransaction(PgConnection& conn) : conn_(conn) { conn_.Begin(); }
  ~PgTransaction() {
    if (conn_.inTransaction()) conn_.Rollback();
  }
  void Commit() { conn_.Commit(); }

 private:
  PgConnection& conn_;
};

}  // namespace movra
