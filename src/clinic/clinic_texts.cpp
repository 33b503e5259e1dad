#include "clinic/clinic_texts.h"

#include "app/translated_pattern.h"

namespace movra {

std::string PlainReason(const std::string& text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '\t' || c == ' ')) continue;
    lineStart = c == '\n';
    out += c;
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

std::string ClinicAwayMessage(const ClinicSend& send) {
  return TranslatePattern(
             "The results are kept on this PC, but the clinic's database could not take them. Waiting here: %1. They "
             "are sent at the next start, at the next download or by movra-cli database sync.",
             {std::to_string(send.sent.left)}) +
         "\r\n" + PlainReason(send.failure);
}

std::string HistorySourceText(const ClinicHistory& history, const ClinicTarget& target) {
  if (history.onServer) {
    std::string name = ClinicServerName(target.url);
    return name.empty() ? TranslatePattern("The clinic's history")
                        : TranslatePattern("The clinic's history on %1", {name});
  }
  if (history.send.attempted)
    return TranslatePattern("Only this PC's history: the clinic's database could not be reached.");
  return {};
}

std::string ClinicServerName(const std::string& url) {
  std::string rest;
  for (const char* scheme : {"postgresql://", "postgres://"})
    if (url.rfind(scheme, 0) == 0) rest = url.substr(std::char_traits<char>::length(scheme));
  rest = rest.substr(0, rest.find('?'));
  // user[:password]@ is left out: a password must never be shown.
  if (auto at = rest.rfind('@'); at != std::string::npos) rest = rest.substr(at + 1);
  if (rest.empty() || rest == "/") return {};
  return rest;
}

}  // namespace movra
