/* Talks to a PostgreSQL server through libpq, as the clinic's shared history does:
 *   movra-libpq-check CONNINFO
 * connects (the password from PGPASSWORD or the user's pgpass file), prints whether
 * the connection is encrypted and the server's version, creates a table, inserts a row with PQexecParams twice under one identity
 * (ON CONFLICT DO NOTHING: the second insert creates nothing) and reads it back.
 * Prints key=value lines; on any failure "error=<libpq's message>" and exit status 1.
 * tests/windows/libpq_e2e.sh runs the Windows build of it under Wine. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <libpq-fe.h>

/* UTF-8 text with German and Chinese letters: the client encoding must carry it. */
static const char kNote[] = "Pr\xc3\xbc" "fung \xe6\xb5\x8b\xe8\xaf\x95";

static int Fail(PGconn* conn, const char* what, const char* message) {
  if (message) printf("error=%s: %s\n", what, message);
  PQfinish(conn);
  return 1;
}

/* Runs a parameterised statement and keeps its result when it has the wanted status;
 * otherwise prints the server's reason and gives NULL. */
static PGresult* Exec(PGconn* conn, const char* sql, int n, const char* const* values,
                      ExecStatusType want) {
  PGresult* res = PQexecParams(conn, sql, n, NULL, values, NULL, NULL, 0);
  if (PQresultStatus(res) != want) {
    printf("error=%s: %s\n", sql, PQresultErrorMessage(res));
    PQclear(res);
    return NULL;
  }
  return res;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: movra-libpq-check CONNINFO\n");
    return 2;
  }
  setvbuf(stdout, NULL, _IONBF, 0);
  PGconn* conn = PQconnectdb(argv[1]);
  if (PQstatus(conn) != CONNECTION_OK) return Fail(conn, "connect", PQerrorMessage(conn));
  printf("connected=%s:%s\n", PQhost(conn), PQport(conn));
  printf("ssl=%s\n", PQsslInUse(conn) ? PQsslAttribute(conn, "protocol") : "off");
  if (PQsetClientEncoding(conn, "UTF8") != 0) return Fail(conn, "client encoding", PQerrorMessage(conn));

  PGresult* res = Exec(conn, "SELECT version()", 0, NULL, PGRES_TUPLES_OK);
  if (!res) return Fail(conn, "version", NULL);
  printf("version=%s\n", PQgetvalue(res, 0, 0));
  PQclear(res);

  res = Exec(conn,
             "CREATE TABLE IF NOT EXISTS libpq_check (sn text, taken text, inr numeric(4,1), note text,"
             " PRIMARY KEY (sn, taken))",
             0, NULL, PGRES_COMMAND_OK);
  if (!res) return Fail(conn, "create table", NULL);
  PQclear(res);

  const char* row[] = {"SN0001", "2026-12-11 09:30", "2.7", kNote};
  const char* insert =
      "INSERT INTO libpq_check (sn, taken, inr, note) VALUES ($1, $2, $3, $4) ON CONFLICT DO NOTHING";
  for (int i = 1; i <= 2; ++i) {
    res = Exec(conn, insert, 4, row, PGRES_COMMAND_OK);
    if (!res) return Fail(conn, "insert", NULL);
    printf("insert%d_created=%s\n", i, PQcmdTuples(res));
    PQclear(res);
  }

  res = Exec(conn, "SELECT inr, note FROM libpq_check WHERE sn = $1 AND taken = $2", 2, row,
             PGRES_TUPLES_OK);
  if (!res) return Fail(conn, "select", NULL);
  if (PQntuples(res) != 1) {
    printf("error=read back %d rows\n", PQntuples(res));
    PQclear(res);
    return Fail(conn, "select", NULL);
  }
  const int same = strcmp(PQgetvalue(res, 0, 0), "2.7") == 0 && strcmp(PQgetvalue(res, 0, 1), kNote) == 0;
  printf("read_back=%s inr=%s\n", same ? "same" : "different", PQgetvalue(res, 0, 0));
  PQclear(res);
  PQfinish(conn);
  return same ? 0 : 1;
}
