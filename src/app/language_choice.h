// Which translation the window shows when the program folder holds several (the installed
// program ships them all; the portable folder holds one, which is then shown whatever
// this says).
#pragma once
#include <string>

namespace movra {

struct LocaleEnvironment {
  std::string language;    // LANGUAGE: a colon-separated list, first entry counts
  std::string lcAll;       // LC_ALL
  std::string lcMessages;  // LC_MESSAGES
  std::string lang;        // LANG
};

// The language folder's identifier: the setting when it names a known language, else the
// desktop's message language (Chinese 2052, German 1031, anything else English 1033).
int PreferredInterfaceLanguage(int setting, const LocaleEnvironment& env);
// The same with the process's environment.
int PreferredInterfaceLanguage(int setting);

}  // namespace movra
