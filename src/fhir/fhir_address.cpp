// Which base URLs a Bundle may be posted to.
#include <algorithm>
#include <cctype>

#include "fhir/fhir_sender.h"

namespace movra {

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// 127.0.0.0/8 written as four decimal numbers; "127.0.0.1.example.org" is a name, not this computer.
bool IsLoopbackIPv4(const std::string& host) {
  int parts = 0;
  size_t at = 0;
  while (at <= host.size()) {
    size_t dot = std::min(host.find('.', at), host.size());
    std::string part = host.substr(at, dot - at);
    if (part.empty() || part.size() > 3 || !std::all_of(part.begin(), part.end(), ::isdigit) || std::stoi(part) > 255)
      return false;
    if (parts == 0 && std::stoi(part) != 127) return false;
    ++parts;
    at = dot + 1;
  }
  return parts == 4;
}

}  // namespace

std::string FhirAddressProblem(const std::string& baseUrl) {
  size_t colon = baseUrl.find("://");
  std::string scheme = colon == std::string::npos ? "" : Lower(baseUrl.substr(0, colon));
  if (scheme != "https" && scheme != "http") return "The server address must start with https://.";
  // The host sits between "//" and the path, after any "user@" and before any ":port".
  size_t start = colon + 3;
  size_t end = baseUrl.find_first_of("/?#", start);
  std::string authority = baseUrl.substr(start, end == std::string::npos ? std::string::npos : end - start);
  size_t at = authority.rfind('@');
  if (at != std::string::npos) authority = authority.substr(at + 1);
  std::string host;
  if (!authority.empty() && authority.front() == '[') {
    size_t close = authority.find(']');
    if (close == std::string::npos) return "The server address has no host.";
    host = authority.substr(1, close - 1);
  } else {
    host = authority.substr(0, authority.find(':'));
  }
  if (host.empty()) return "The server address has no host.";
  if (scheme == "https") return "";
  host = Lower(host);
  if (host == "localhost" || host == "::1" || IsLoopbackIPv4(host)) return "";
  return "Plain http is allowed only to this computer (127.0.0.1, ::1 or localhost); use an https address.";
}

}  // namespace movra
