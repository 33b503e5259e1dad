#include "app/ini_file.h"

#include <cctype>
#include <climits>
#include <fstream>
#include <sstream>

namespace movra {

namespace {
std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
std::string trimBlanks(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}
constexpr size_t kMaxValue = 2047;
}  // namespace

IniFile::IniFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return;
  std::ostringstream ss;
  ss << in.rdbuf();
  parse(ss.str());
}

IniFile IniFile::fromText(const std::string& text) {
  IniFile f;
  f.parse(text);
  return f;
}

void IniFile::parse(const std::string& text) {
  std::string section;
  bool inSection = false;
  size_t pos = 0;
  // A UTF-8 byte order mark before the first line is not part of the first name.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = trimBlanks(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      if (close == std::string::npos) continue;  // a broken header line is skipped
      section = lower(trimBlanks(line.substr(1, close - 1)));
      inSection = true;
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos || !inSection) continue;  // garbage lines are skipped
    std::string key = lower(trimBlanks(line.substr(0, eq)));
    if (key.empty()) continue;
    std::string val = trimBlanks(line.substr(eq + 1));
    if (val.size() >= 2 && ((val.front() == '"' && val.back() == '"') || (val.front() == '\'' && val.back() == '\'')))
      val = val.substr(1, val.size() - 2);
    if (val.size() > kMaxValue) val.resize(kMaxValue);
    auto& keys = sections_[section];
    keys.emplace(key, val);  // the first occurrence of a key wins, as the profile API reads it
  }
}

std::optional<std::string> IniFile::value(const std::string& section, const std::string& key) const {
  auto s = sections_.find(lower(section));
  if (s == sections_.end()) return std::nullopt;
  auto k = s->second.find(lower(key));
  if (k == s->second.end()) return std::nullopt;
  return k->second;
}

std::string IniFile::readString(const std::string& section, const std::string& key, const std::string& def) const {
  auto v = value(section, key);
  return v ? *v : def;
}

std::optional<int> ParseIniInteger(const std::string& text) {
  if (text.empty()) return std::nullopt;
  const char* p = text.c_str();
  int base = 10;
  bool hex = false;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    p += 2;
    hex = true;
  } else if (text[0] == '$') {
    p += 1;
    hex = true;
  }
  long long v = 0;
  if (hex) {
    base = 16;
    if (!*p) return std::nullopt;
    for (; *p; ++p) {
      if (!std::isxdigit(static_cast<unsigned char>(*p))) return std::nullopt;
      v = v * base + (std::isdigit(static_cast<unsigned char>(*p)) ? *p - '0' : std::tolower(*p) - 'a' + 10);
      if (v > 0xFFFFFFFFLL) return std::nullopt;
    }
    return static_cast<int>(static_cast<uint32_t>(v));  // hexadecimal may name the full 32 bits
  }
  // Leading blanks and a sign are accepted, as the run-time library's conversion does.
  while (*p == ' ') ++p;
  bool neg = false;
  if (*p == '+' || *p == '-') neg = *p++ == '-';
  if (!std::isdigit(static_cast<unsigned char>(*p))) return std::nullopt;
  for (; *p; ++p) {
    if (!std::isdigit(static_cast<unsigned char>(*p))) return std::nullopt;
    v = v * 10 + (*p - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
  }
  if (neg) v = -v;
  if (v > INT_MAX || v < INT_MIN) return std::nullopt;
  return static_cast<int>(v);
}

int IniFile::readInteger(const std::string& section, const std::string& key, int def) const {
  auto v = value(section, key);
  if (!v) return def;
  auto n = ParseIniInteger(*v);
  return n ? *n : def;
}

}  // namespace movra
