// Where the bearer token for the clinic's server comes from: the environment or a file of the
// user's own, never the settings file, which others may read.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "app/translated_pattern.h"
#include "fhir/fhir_sender.h"

namespace movra {

FhirToken ReadFhirTokenFile(const std::string& path) {
  FhirToken t;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    t.error = TranslatePattern("The token file \"%1\" cannot be read: %2", {path, std::strerror(errno)});
    return t;
  }
  std::string line;
  std::getline(in, line);
  size_t b = line.find_first_not_of(" \t\r\n");
  if (b != std::string::npos) t.token = line.substr(b, line.find_last_not_of(" \t\r\n") - b + 1);
  if (t.token.empty()) {
    t.error = TranslatePattern("The token file \"%1\" is empty.", {path});
  }
  return t;
}

FhirToken FindFhirToken(const std::string& tokenFile) {
  const char* v = std::getenv(kFhirTokenVariable);
  if (v && *v) return FhirToken{v, ""};
  if (tokenFile.empty()) return FhirToken{};
  return ReadFhirTokenFile(tokenFile);
}

}  // namespace movra
