#include "pg_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace movra::test {

namespace {

// A port nobody listens on now; the server may still lose it to another, and Start tries again.
int FreePort() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  close(s);
  return port;
}

std::string RandomPassword() {
  std::random_device seed;
  std::string pw;
  for (int i = 0; i < 20; ++i) pw += "abcdefghijkmnopqrstuvwxyz23456789"[seed() % 33];
  return pw;
}

}  // namespace

std::string PgServer::BinDir() { return "/usr/lib/postgresql/15/bin"; }

std::string PgServer::Missing() {
  for (const char* program : {"initdb", "pg_ctl", "postgres"})
    if (access((BinDir() + "/" + program).c_str(), X_OK) != 0)
      return "PostgreSQL 15's " + std::string(program) + " is not in " + BinDir() +
             " (Debian's postgresql-15; scripts/install-deps installs it)";
  return "";
}

PgServer::PgServer(bool tls) : tls_(tls) {
  if (std::string missing = Missing(); !missing.empty()) throw std::runtime_error(missing);
  if (geteuid() == 0) {
    const passwd* pw = getpwnam("postgres");
    if (!pw) pw = getpwnam("nobody");
    if (!pw) throw std::runtime_error("running as root, and neither the user postgres nor nobody exists");
    runnerUid_ = pw->pw_uid;
    runnerGid_ = pw->pw_gid;
    if (chown(dir_.path().c_str(), *runnerUid_, runnerGid_) != 0) throw std::runtime_error("cannot hand the folder over");
  }
  dir_.write("pgpass", "");
  chmod(dir_.file("pgpass").c_str(), 0600);
  passfileEnv_ = std::make_unique<ScopedEnv>("PGPASSFILE", dir_.file("pgpass").c_str());
  initCluster();
  Start();
  startWatchdog();
  Sql("CREATE DATABASE movra", "postgres");
}

PgServer::~PgServer() {
  if (running_) Stop();
  if (watchdog_ > 0) {
    close(watchdogPipe_);
    waitpid(watchdog_, nullptr, 0);
  }
}

void PgServer::startWatchdog() {
  int fds[2];
  // Close-on-exec: the server and the programs run later must not hold the pipe open.
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  const std::vector<std::string> stop = {BinDir() + "/pg_ctl", "-D", dir_.file("data"), "-m", "immediate", "-w", "stop"};
  const std::string folder = dir_.path();
  watchdog_ = fork();
  if (watchdog_ == 0) {
    close(fds[1]);
    char c;
    // Ends when the test process closes the pipe, by its destructor or by ending.
    for (ssize_t n; (n = read(fds[0], &c, 1)) > 0 || (n < 0 && errno == EINTR);) {
    }
    run(stop, true);  // "no server running" when the destructor stopped it
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    _exit(0);
  }
  close(fds[0]);
  watchdogPipe_ = fds[1];
}

void PgServer::initCluster() {
  std::string password = RandomPassword();
  dir_.write("superuser-password", password + "\n");
  dir_.mkdirs("sock");
  if (runnerUid_) {
    chown(dir_.file("superuser-password").c_str(), *runnerUid_, runnerGid_);
    chown(dir_.file("sock").c_str(), *runnerUid_, runnerGid_);
  }
  if (run({BinDir() + "/initdb", "-N", "-D", dir_.file("data"), "-U", superuser_,
           "--pwfile=" + dir_.file("superuser-password"), "--auth=scram-sha-256", "-E", "UTF8", "--locale=C"},
          true) != 0)
    throw std::runtime_error("initdb failed:\n" + logTail());
  addPassword(superuser_, password);
  // A scratch server: speed over durability, and few connections.
  std::string conf = "\nlisten_addresses = '127.0.0.1'\nunix_socket_directories = '" + dir_.file("sock") +
                     "'\nfsync = off\nsynchronous_commit = off\nfull_page_writes = off\nshared_buffers = 16MB\n"
                     "max_connections = 40\n";
  if (tls_) {
    makeCertificates();
    conf += "ssl = on\nssl_cert_file = '" + dir_.file("server.pem") + "'\nssl_key_file = '" +
            dir_.file("server.key") + "'\n";
  }
  dir_.write("data/postgresql.conf", dir_.read("data/postgresql.conf") + conf);
}

void PgServer::makeCertificates() {
  auto openssl = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "openssl");
    if (run(args, false) != 0) throw std::runtime_error("openssl failed:\n" + logTail());
  };
  const std::vector<std::string> ec = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
  auto with = [&](std::vector<std::string> a, const std::vector<std::string>& more) {
    a.insert(a.end(), more.begin(), more.end());
    return a;
  };
  for (const char* ca : {"ca", "other-ca"})
    openssl(with({"req", "-x509", "-days", "2", "-subj", std::string("/CN=Movra test ") + ca, "-keyout",
                  dir_.file(std::string(ca) + ".key"), "-out", dir_.file(std::string(ca) + ".pem")},
                 ec));
  openssl(with({"req", "-subj", "/CN=localhost", "-keyout", dir_.file("server.key"), "-out", dir_.file("server.csr")}, ec));
  dir_.write("server.ext", "subjectAltName = DNS:localhost, IP:127.0.0.1\n");
  openssl({"x509", "-req", "-days", "2", "-in", dir_.file("server.csr"), "-CA", dir_.file("ca.pem"), "-CAkey",
           dir_.file("ca.key"), "-CAcreateserial", "-extfile", dir_.file("server.ext"), "-out", dir_.file("server.pem")});
  // The server takes a key its own user alone may read.
  chmod(dir_.file("server.key").c_str(), 0600);
  if (runnerUid_) chown(dir_.file("server.key").c_str(), *runnerUid_, runnerGid_);
}

void PgServer::Start() {
  // Started again, it keeps its port: the desks' connections find it where it was.
  bool again = port_ != 0;
  for (int attempt = 0; attempt < 3 && !running_; ++attempt) {
    if (!again) port_ = FreePort();
    running_ = run({BinDir() + "/pg_ctl", "-D", dir_.file("data"), "-l", dir_.file("server.log"), "-w", "-t", "60",
                    "-o", "-p " + std::to_string(port_), "start"},
                   true) == 0;
  }
  if (!running_) throw std::runtime_error("the PostgreSQL server did not start:\n" + logTail());
}

void PgServer::Stop() {
  run({BinDir() + "/pg_ctl", "-D", dir_.file("data"), "-m", "fast", "-w", "-t", "60", "stop"}, true);
  running_ = false;
}

std::string PgServer::Url(const std::string& user, const std::string& params, const std::string& host) const {
  return "postgresql://" + user + "@" + host + ":" + std::to_string(port_) + "/movra" + (params.empty() ? "" : "?" + params);
}

std::string PgServer::Sql(const std::string& sql, const std::string& database) {
  std::string conninfo = "host=127.0.0.1 port=" + std::to_string(port_) + " user=" + superuser_ + " dbname=" + database;
  PGconn* conn = PQconnectdb(conninfo.c_str());
  std::string error;
  std::string value;
  if (PQstatus(conn) != CONNECTION_OK) {
    error = PQerrorMessage(conn);
  } else {
    PGresult* r = PQexec(conn, sql.c_str());
    if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK) error = PQerrorMessage(conn);
    else if (PQntuples(r) > 0 && PQnfields(r) > 0) value = PQgetvalue(r, 0, 0);
    PQclear(r);
  }
  PQfinish(conn);
  if (!error.empty()) throw std::runtime_error(sql + ": " + error);
  return value;
}

void PgServer::CreateLogin(const std::string& name, const std::vector<std::string>& memberOf) {
  std::string password = RandomPassword();
  Sql("CREATE ROLE " + name + " LOGIN PASSWORD '" + password + "'");
  for (const std::string& role : memberOf) Sql("GRANT " + role + " TO " + name);
  addPassword(name, password);
}

void PgServer::addPassword(const std::string& user, const std::string& password) {
  dir_.write("pgpass", dir_.read("pgpass") + "*:*:*:" + user + ":" + password + "\n");
  chmod(dir_.file("pgpass").c_str(), 0600);
}

int PgServer::run(const std::vector<std::string>& argv, bool asRunner) {
  std::string log = dir_.file("commands.log");
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0666);
    if (fd >= 0) {
      dup2(fd, 1);
      dup2(fd, 2);
      close(fd);
    }
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, 0);
    if (asRunner && runnerUid_ &&
        (setgroups(0, nullptr) != 0 || setgid(runnerGid_) != 0 || setuid(*runnerUid_) != 0))
      _exit(126);
    // The cluster's owner may not enter root's working folder.
    if (chdir(dir_.path().c_str()) != 0) _exit(126);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string PgServer::logTail() const {
  std::string text = dir_.read("commands.log");
  try {
    text += dir_.read("server.log");
  } catch (const std::exception&) {
    // Not started yet.
  }
  return text.size() > 4000 ? text.substr(text.size() - 4000) : text;
}

}  // namespace movra::test
