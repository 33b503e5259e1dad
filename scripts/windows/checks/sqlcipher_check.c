/* Writes an encrypted database with the given key, reads it back, and prints which
   crypto provider SQLCipher uses: sqlcipher_check FILE KEY */
#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>
#include <stdio.h>
#include <string.h>

static int print_row(void *unused, int columns, char **values, char **names) {
  (void)unused;
  for (int i = 0; i < columns; ++i) printf("%s=%s\n", names[i], values[i] ? values[i] : "");
  return 0;
}

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: sqlcipher_check FILE KEY\n");
    return 2;
  }
  sqlite3 *db = NULL;
  if (sqlite3_open(argv[1], &db) != SQLITE_OK) {
    fprintf(stderr, "open: %s\n", sqlite3_errmsg(db));
    return 1;
  }
  sqlite3_key(db, argv[2], (int)strlen(argv[2]));
  char *error = NULL;
  const char *sql =
      "PRAGMA cipher_provider;"
      "CREATE TABLE IF NOT EXISTS readings(id INTEGER PRIMARY KEY, inr REAL, note TEXT);"
      "INSERT INTO readings(inr, note) VALUES (2.5, 'written on Windows');"
      "SELECT count(*) AS rows_in_table, max(inr) AS max_inr FROM readings;";
  if (sqlite3_exec(db, sql, print_row, NULL, &error) != SQLITE_OK) {
    fprintf(stderr, "exec: %s\n", error);
    sqlite3_close(db);
    return 1;
  }
  sqlite3_close(db);
  return 0;
}
