// A private PostgreSQL 15 server for a test: a fresh cluster in a scratch folder (initdb),
// listening on 127.0.0.1 at a free port and on its own socket folder, started and stopped
// with pg_ctl, removed with everything in it at the end. Host connections need a password
// (scram-sha-256), which libpq reads from the server's own passfile (PGPASSFILE is set to it
// while the server lives): a wrong password is a real refusal. The server refuses to run as
// root, so under root the cluster belongs to the `postgres` system user (else `nobody`).
#pragma once
#include <gtest/gtest.h>
#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scoped_env.h"
#include "temp_dir.h"

namespace movra::test {

class PgServer {
 public:
  // Where Debian's postgresql-15 keeps initdb, pg_ctl and postgres.
  static std::string BinDir();
  // "" when the server's programs are there, else why not.
  static std::string Missing();

  // Makes and starts the cluster with the database "movra"; with tls, the server also takes
  // TLS with a certificate for localhost and 127.0.0.1 signed by a CA of its own
  // (caFile()). Raises std::runtime_error with the server's log when it does not start.
  explicit PgServer(bool tls = false);
  ~PgServer();
  PgServer(const PgServer&) = delete;
  PgServer& operator=(const PgServer&) = delete;

  void Start();
  void Stop();

  int port() const { return port_; }
  const std::string& superuser() const { return superuser_; }
  // postgresql://USER@127.0.0.1:PORT/movra[?params]: a URL as a desk's settings hold it.
  std::string Url(const std::string& user, const std::string& params = "", const std::string& host = "127.0.0.1") const;
  // The CA that signed the server's certificate, and another CA that did not.
  std::string caFile() const { return dir_.file("ca.pem"); }
  std::string otherCaFile() const { return dir_.file("other-ca.pem"); }

  // Runs statements as the superuser on the database; the first value of the first row,
  // "" when there is none. Raises std::runtime_error with the server's message.
  std::string Sql(const std::string& sql, const std::string& database = "movra");
  // A login role whose password the passfile knows, member of these roles.
  void CreateLogin(const std::string& name, const std::vector<std::string>& memberOf = {});

 private:
  void initCluster();
  void makeCertificates();
  void addPassword(const std::string& user, const std::string& password);
  // Runs a program to its end, as the cluster's owner when asRunner; its exit code, output
  // appended to the server's log.
  int run(const std::vector<std::string>& argv, bool asRunner);
  std::string logTail() const;
  // A child that stops the server and removes its folder when this process ends without
  // doing so itself (a test killed for its time).
  void startWatchdog();

  TempDir dir_;
  bool tls_;
  int port_ = 0;
  bool running_ = false;
  std::optional<uid_t> runnerUid_;
  gid_t runnerGid_ = 0;
  std::string superuser_ = "clinic_it";
  std::unique_ptr<ScopedEnv> passfileEnv_;
  int watchdogPipe_ = -1;
  pid_t watchdog_ = -1;
};

// Skips the test (with the reason) when postgresql-15's programs are not installed.
#define MOVRA_REQUIRE_POSTGRES()                                      \
  do {                                                                \
    if (std::string missing = ::movra::test::PgServer::Missing(); !missing.empty()) \
      GTEST_SKIP() << missing;                                        \
  } while (0)

}  // namespace movra::test
