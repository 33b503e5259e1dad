// Which clinic database a program uses, and as which desk. Who connects (user, password,
// certificates) is libpq's business: ~/.pgpass, pg_service.conf, PG* variables or the URL's
// own parameters, never Movra's settings file.
#pragma once
#include <string>

namespace movra {

struct ClinicTarget {
  std::string url;          // postgresql://host[:port]/dbname[?libpq params]
  std::string site;         // "" when no site is configured; else [a-z0-9_]{1,40}
  std::string workstation;  // this PC's host name, recorded with every insert
};

// Why a site name cannot be used, or "" when it can.
std::string SiteProblem(const std::string& site);

}  // namespace movra
