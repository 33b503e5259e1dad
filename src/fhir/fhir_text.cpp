// The small texts a Bundle is made of: dates with their offset, the source URI and the
// conditional-create queries.
#include <cstdio>
#include <cstdlib>

#include "fhir/fhir_bundle.h"

namespace movra {

std::string FhirDateTime(const DateParts& local, int minutesEast) {
  int away = std::abs(minutesEast);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", local.year, local.month,
                local.day, local.hour, local.minute, local.second, minutesEast < 0 ? '-' : '+', away / 60,
                away % 60);
  return text;
}

namespace {

// A search value's own separators are escaped with a backslash, then everything but the
// characters a query may carry as they are is percent-encoded.
std::string QueryText(const std::string& text, bool escapeSeparators) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (escapeSeparators && (c == '\\' || c == '|' || c == ',' || c == '$')) out += "%5C";
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                 c == '.' || c == '_' || c == '~' || c == ':' || c == '/';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace

std::string FhirSoftwareSource(const FhirSoftware& software) {
  return "urn:movra:software:" + QueryText(software.name, false) + "/" + QueryText(software.version, false);
}

std::string FhirIdentifierQuery(const std::string& system, const std::vector<std::string>& values) {
  std::string query = "identifier=";
  for (size_t i = 0; i < values.size(); ++i)
    query.append(i ? "," : "").append(QueryText(system, false)).append("|").append(QueryText(values[i], true));
  return query;
}

}  // namespace movra
