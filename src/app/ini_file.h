// A reader of profile (INI) files: sections and keys compare without regard to case,
// surrounding blanks and one pair of quotes are stripped, values are cut at 2047 characters.
#pragma once
#include <map>
#include <optional>
#include <string>

namespace movra {

class IniFile {
 public:
  // A missing or unreadable file gives an empty profile.
  explicit IniFile(const std::string& path);
  static IniFile fromText(const std::string& text);

  std::optional<std::string> value(const std::string& section, const std::string& key) const;
  std::string readString(const std::string& section, const std::string& key, const std::string& def) const;
  // "0x…"/"0X…" (longer than two characters) and "$…" are hexadecimal, anything else
  // signed decimal; a missing, empty or invalid value gives def.
  int readInteger(const std::string& section, const std::string& key, int def) const;

 private:
  IniFile() = default;
  void parse(const std::string& text);
  std::map<std::string, std::map<std::string, std::string>> sections_;  // lower-case names
};

// The integer forms of the profile reader; nullopt when the text is no valid integer.
std::optional<int> ParseIniInteger(const std::string& text);

}  // namespace movra
