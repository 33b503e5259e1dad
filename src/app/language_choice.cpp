#include "app/language_choice.h"

#include <cstdlib>

#include "app/language.h"

namespace movra {

namespace {
std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}
bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }
}  // namespace

int PreferredInterfaceLanguage(int setting, const LocaleEnvironment& e) {
  if (IsKnownLanguageId(setting)) return setting;
  // The locale rules: LC_ALL before LC_MESSAGES before LANG; LANGUAGE's list goes first
  // unless the locale is plain C.
  std::string locale = !e.lcAll.empty() ? e.lcAll : !e.lcMessages.empty() ? e.lcMessages : e.lang;
  std::string chosen = locale;
  if (!e.language.empty() && locale != "C" && locale != "POSIX") chosen = e.language.substr(0, e.language.find(':'));
  if (startsWith(chosen, "zh")) return 2052;
  if (startsWith(chosen, "de")) return 1031;
  return 1033;
}

int PreferredInterfaceLanguage(int setting) {
  return PreferredInterfaceLanguage(setting, {env("LANGUAGE"), env("LC_ALL"), env("LC_MESSAGES"), env("LANG")});
}

}  // namespace movra
