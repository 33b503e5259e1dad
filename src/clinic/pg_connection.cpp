#include "clinic/pg_connection.h"

#include <libpq-fe.h>

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "app/translated_pattern.h"

namespace movra {

namespace {

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

std::string Unreachable(pg_conn* conn) {
  return TranslatePattern("The clinic's database could not be reached: %1",
                          {Trimmed(conn ? PQerrorMessage(conn) : "out of memory")});
}

}  // namespace

PgParam PgNumber(double value) {
  if (std::isnan(value)) return std::nullopt;
  // Shortest text that reads back as the same double, whatever the C locale's decimal point.
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, end);
}

PgParam PgInteger(int64_t value) { return std::to_string(value); }

PgResult::~PgResult() {
  if (result_) PQclear(result_);
}
int PgResult::rows() const { return PQntuples(result_); }
int PgResult::affected() const { return std::atoi(PQcmdTuples(result_)); }
bool PgResult::isNull(int row, int column) const { return PQgetisnull(result_, row, column) != 0; }
std::string PgResult::text(int row, int column) const {
  return std::string(PQgetvalue(result_, row, column), static_cast<size_t>(PQgetlength(result_, row, column)));
}
std::optional<double> PgResult::number(int row, int column) const {
  if (isNull(row, column)) return std::nullopt;
  const char* v = PQgetvalue(result_, row, column);
  double d = 0;
  std::from_chars(v, v + PQgetlength(result_, row, column), d);
  return d;
}
int64_t PgResult::integer(int row, int column) const {
  if (isNull(row, column)) return 0;
  const char* v = PQgetvalue(result_, row, column);
  int64_t n = 0;
  std::from_chars(v, v + PQgetlength(result_, row, column), n);
  return n;
}

PgConnection::PgConnection(const std::string& url) {
  if (url.empty()) throw ClinicError(TranslatePattern("The clinic's database could not be reached: %1", {"no address is set"}));
  // Later entries override earlier ones, and the URL's own parameters those before it.
  const char* keys[] = {"connect_timeout", "application_name", "dbname", "client_encoding", nullptr};
  const char* values[] = {"5", "Movra", url.c_str(), "UTF8", nullptr};
  conn_ = PQconnectdbParams(keys, values, 1);
  if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
    std::string why = Unreachable(conn_);
    if (conn_) PQfinish(conn_);
    throw ClinicError(why);
  }
  // Numbers come back exactly as they were kept, whatever the server's own setting: a test's
  // time is part of a result's identity.
  try {
    SetSession("extra_float_digits", "3");
  } catch (const ClinicError&) {
    PQfinish(conn_);
    throw;
  }
}

PgConnection::~PgConnection() { PQfinish(conn_); }

void PgConnection::reconnectIfLost() {
  if (PQstatus(conn_) == CONNECTION_OK || inTransaction_) return;
  PQreset(conn_);
  if (PQstatus(conn_) != CONNECTION_OK) throw PgError(Unreachable(conn_), "");
  for (const auto& [name, value] : session_) Exec("SELECT set_config($1, $2, false)", {name, value});
}

PgResult PgConnection::Exec(const std::string& sql, const std::vector<PgParam>& params) {
  reconnectIfLost();
  std::vector<const char*> values;
  for (const PgParam& p : params) values.push_back(p ? p->c_str() : nullptr);
  PGresult* raw =
      PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr, nullptr, 0);
  PgResult result(raw);
  ExecStatusType status = raw ? PQresultStatus(raw) : PGRES_FATAL_ERROR;
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return result;
  if (PQstatus(conn_) != CONNECTION_OK) {
    inTransaction_ = false;  // the server rolled it back with the connection
    throw PgError(Unreachable(conn_), "");
  }
  const char* state = raw ? PQresultErrorField(raw, PG_DIAG_SQLSTATE) : nullptr;
  const char* message = raw ? PQresultErrorField(raw, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  throw PgError(TranslatePattern("The clinic's database refused the request: %1",
                                 {Trimmed(message ? message : PQerrorMessage(conn_))}),
                state ? state : "");
}

void PgConnection::SetSession(const std::string& name, const std::string& value) {
  Exec("SELECT set_config($1, $2, false)", {name, value});
  session_.emplace_back(name, value);
}

void PgConnection::Begin() {
  Exec("BEGIN");
  inTransaction_ = true;
}

void PgConnection::Commit() {
  Exec("COMMIT");
  inTransaction_ = false;
}

void PgConnection::Rollback() {
  if (PQstatus(conn_) == CONNECTION_OK) PQclear(PQexec(conn_, "ROLLBACK"));
  inTransaction_ = false;
}

}  // namespace movra
