#include "data/connection_string.h"

#include <vector>

#include "data/field_value.h"
#include "data/schema.h"

namespace movra {

namespace {
std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// A path with ";" or a leading quote would cut the string short, so only such a path is
// written in quotes; every other path goes in as it is.
std::string dataSourceValue(const std::string& path) {
  if (path.find(';') == std::string::npos && (path.empty() || (path[0] != '"' && path[0] != ' ')))
    return path;
  std::string q = "\"";
  for (char c : path) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}
}  // namespace

std::string BuildConnectionString(const std::string& dataSource) {
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"Provider", "Microsoft.Jet.OLEDB.4.0"},
      {"User ID", "Admin"},
      {"Data Source", dataSourceValue(dataSource)},
      {"Mode", "Share Deny None"},
      {"Extended Properties", "\"\""},
      {"Jet OLEDB:System database", "\"\""},
      {"Jet OLEDB:Registry Path", "\"\""},
      {"Jet OLEDB:Database Password", std::string("\"") + kDatabasePassword + "\""},
      {"Jet OLEDB:Engine Type", "5"},
      {"Jet OLEDB:Database Locking Mode", "1"},
      {"Jet OLEDB:Global Partial Bulk Ops", "2"},
      {"Jet OLEDB:Global Bulk Transactions", "1"},
      {"Jet OLEDB:New Database Password", "\"\""},
      {"Jet OLEDB:Create System Database", "False"},
      {"Jet OLEDB:Encrypt Database", "False"},
      {"Jet OLEDB:Don't Copy Locale on Compact", "False"},
      {"Jet OLEDB:Compact Without Replica Repair", "False"},
      {"Jet OLEDB:SFP", "False"},
  };
  std::string s;
  for (size_t i = 0; i < pairs.size(); ++i) {
    if (i) s += ";";
    s += pairs[i].first + "=" + pairs[i].second;
  }
  return s;
}

std::optional<std::string> ConnectionStringValue(const std::string& cs, const std::string& key) {
  size_t i = 0;
  while (i < cs.size()) {
    size_t eq = cs.find('=', i);
    if (eq == std::string::npos) break;
    std::string k = trim(cs.substr(i, eq - i));
    size_t j = eq + 1;
    while (j < cs.size() && cs[j] == ' ') ++j;
    std::string value;
    if (j < cs.size() && (cs[j] == '"' || cs[j] == '\'')) {
      char q = cs[j++];
      while (j < cs.size()) {
        if (cs[j] == q) {
          if (j + 1 < cs.size() && cs[j + 1] == q) {
            value += q;
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        value += cs[j++];
      }
      size_t semi = cs.find(';', j);
      i = semi == std::string::npos ? cs.size() : semi + 1;
    } else {
      size_t semi = cs.find(';', j);
      size_t end = semi == std::string::npos ? cs.size() : semi;
      value = trim(cs.substr(j, end - j));
      i = semi == std::string::npos ? cs.size() : semi + 1;
    }
    if (SameName(k, key)) return value;
  }
  return std::nullopt;
}

}  // namespace movra
