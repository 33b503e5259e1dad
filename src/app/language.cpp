#include "app/language.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/file_system.h"
#include "app/trace.h"
#include "app/utf8.h"

namespace movra {

namespace {
// Languages are loaded once at start-up and only read afterwards, so lookups need no lock;
// the pointer swap keeps a rescan in tests safe as well.
std::shared_ptr<const LanguageInfo> gCurrent;
std::atomic<int> gPrimary{9};

bool IsSlot(const std::string& s, size_t i) { return s[i] == '%' && i + 1 < s.size() && s[i + 1] >= '1' && s[i + 1] <= '9'; }

// Splits a key at its placeholders; false when it holds none.
bool ParsePattern(const std::string& key, const std::string& value, TextPattern& out) {
  out.parts.assign(1, std::string());
  out.gapSlots.clear();
  for (size_t i = 0; i < key.size(); ++i) {
    if (IsSlot(key, i)) {
      out.gapSlots.push_back(key[i + 1] - '0');
      out.parts.emplace_back();
      ++i;
    } else {
      out.parts.back() += key[i];
    }
  }
  out.value = value;
  return !out.gapSlots.empty();
}

size_t FixedLength(const TextPattern& p) {
  size_t n = 0;
  for (const std::string& part : p.parts) n += part.size();
  return n;
}

// Every gap takes at least one character; a fixed part between two gaps is taken where it
// first occurs.
bool MatchPattern(const TextPattern& p, const std::string& s, std::vector<std::string>& gaps) {
  const std::string& first = p.parts.front();
  const std::string& last = p.parts.back();
  if (s.size() < FixedLength(p) + p.gapSlots.size()) return false;
  if (s.compare(0, first.size(), first) != 0 || s.compare(s.size() - last.size(), last.size(), last) != 0) return false;
  const size_t end = s.size() - last.size();
  size_t pos = first.size();
  gaps.clear();
  for (size_t k = 1; k + 1 < p.parts.size(); ++k) {
    size_t at = s.find(p.parts[k], pos + 1);
    if (at == std::string::npos || at + p.parts[k].size() >= end) return false;
    gaps.push_back(s.substr(pos, at - pos));
    pos = at + p.parts[k].size();
  }
  if (pos >= end) return false;
  gaps.push_back(s.substr(pos, end - pos));
  return true;
}

std::string TranslateLine(const LanguageInfo& lang, const std::string& line, int depth);

// A gap holding a text of its own (an error message inside "Write to CSV Error %1") is
// translated as well, one level deep.
std::string FillPattern(const LanguageInfo& lang, const TextPattern& p, const std::vector<std::string>& gaps, int depth) {
  std::string out;
  for (size_t i = 0; i < p.value.size(); ++i) {
    if (IsSlot(p.value, i)) {
      auto slot = std::find(p.gapSlots.begin(), p.gapSlots.end(), p.value[i + 1] - '0');
      if (slot != p.gapSlots.end()) {
        const std::string& gap = gaps[static_cast<size_t>(slot - p.gapSlots.begin())];
        out += depth > 0 ? TranslateLine(lang, gap, depth - 1) : gap;
        ++i;
        continue;
      }
    }
    out += p.value[i];
  }
  return out;
}

std::string TranslateLine(const LanguageInfo& lang, const std::string& line, int depth) {
  if (line.empty()) return line;
  auto it = lang.entries.find(line);
  // A key of its own decides, even with an empty value (then the English text shows).
  if (it != lang.entries.end()) return it->second.empty() ? line : it->second;
  std::vector<std::string> gaps;
  for (const TextPattern& p : lang.patterns)
    if (!p.value.empty() && MatchPattern(p, line, gaps)) return FillPattern(lang, p, gaps, depth);
  return line;
}

void CollectPatterns(LanguageInfo& lang) {
  lang.patterns.clear();
  for (const auto& [key, value] : lang.entries) {
    TextPattern p;
    if (!key.empty() && key[0] != '!' && ParsePattern(key, value, p)) lang.patterns.push_back(std::move(p));
  }
  // The key with the most fixed text is the most particular one, so it is tried first.
  std::stable_sort(lang.patterns.begin(), lang.patterns.end(),
                   [](const TextPattern& a, const TextPattern& b) { return FixedLength(a) > FixedLength(b); });
}

}  // namespace

bool IsKnownLanguageId(int id) { return id == 1033 || id == 2052 || id == 1031; }

bool DecodeTranslationText(const std::string& b, std::string& utf8) {
  utf8.clear();
  if (b.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    utf8 = b.substr(3);
    return IsValidUtf8(utf8);
  }
  if (b.size() >= 2 && static_cast<unsigned char>(b[0]) == 0xFF && static_cast<unsigned char>(b[1]) == 0xFE) {
    if (b.size() % 2 != 0) return false;
    for (size_t i = 2; i < b.size(); i += 2) {
      uint32_t u = static_cast<unsigned char>(b[i]) | (static_cast<unsigned char>(b[i + 1]) << 8);
      if (u >= 0xD800 && u <= 0xDBFF) {
        if (i + 3 >= b.size()) return false;
        uint32_t lo = static_cast<unsigned char>(b[i + 2]) | (static_cast<unsigned char>(b[i + 3]) << 8);
        if (lo < 0xDC00 || lo > 0xDFFF) return false;
        u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
        i += 2;
      } else if (u >= 0xDC00 && u <= 0xDFFF) {
        return false;
      }
      AppendUtf8(utf8, u);
    }
    return true;
  }
  // The ANSI code page: UTF-8 on this system; bytes that are not UTF-8 are read as Latin-1.
  utf8 = AnsiToUtf8(b);
  return true;
}

bool LoadTranslationFile(const std::string& path, LanguageInfo& out, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "cannot be read";
    return false;
  }
  std::ostringstream ss;
  ss << in.rdbuf();
  std::string text;
  if (!DecodeTranslationText(ss.str(), text)) {
    why = "is not valid text in its encoding";
    return false;
  }
  out.entries.clear();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    out.entries[line.substr(0, eq)] = line.substr(eq + 1);
  }
  auto id = out.entries.find("!LanguageID");
  if (id == out.entries.end()) {
    why = "has no !LanguageID";
    return false;
  }
  try {
    size_t used = 0;
    out.id = std::stoi(id->second, &used);
    if (used != id->second.size()) throw std::invalid_argument("trailing");
  } catch (...) {
    why = "has an invalid !LanguageID";
    return false;
  }
  if (!IsKnownLanguageId(out.id)) {
    why = "names an unknown language " + id->second;
    return false;
  }
  auto name = out.entries.find("!LanguageName");
  out.name = name != out.entries.end() ? name->second : std::string();
  CollectPatterns(out);
  return true;
}

void ScanLanguages(const std::string& exeDir, const std::string& fileName, int preferredId) {
  std::shared_ptr<const LanguageInfo> preferred;
  std::atomic_store(&gCurrent, std::shared_ptr<const LanguageInfo>());
  std::vector<std::string> names = FolderEntries(exeDir);
  // Name order, so every file system gives the same current language.
  std::sort(names.begin(), names.end());
  std::string base = exeDir;
  if (!base.empty() && base.back() != '/') base += '/';
  for (const std::string& n : names) {
    std::string folder = base + n;
    if (KindOfPath(folder) != PathKind::Folder) continue;
    std::string file = folder + "/" + fileName;
    if (KindOfPath(file) != PathKind::Regular) continue;
    auto lang = std::make_shared<LanguageInfo>();
    lang->folder = n;
    std::string why;
    if (LoadTranslationFile(file, *lang, why)) {
      std::atomic_store(&gCurrent, std::shared_ptr<const LanguageInfo>(lang));
      if (preferredId != 0 && n == std::to_string(preferredId)) preferred = lang;
    } else {
      std::atomic_store(&gCurrent, std::shared_ptr<const LanguageInfo>());
      BugMessage("Translation file " + file + " " + why + "; it is not used.");
    }
  }
  if (preferred) std::atomic_store(&gCurrent, preferred);
}

void ResetLanguages() { std::atomic_store(&gCurrent, std::shared_ptr<const LanguageInfo>()); }

const LanguageInfo* CurrentLanguage() { return std::atomic_load(&gCurrent).get(); }

std::string TranslateWith(const LanguageInfo& lang, const std::string& source) {
  if (source.find('\n') == std::string::npos) return TranslateLine(lang, source, 1);
  // Keys are single lines: each line of a longer text is its own key; the line ends stay.
  std::string out;
  size_t pos = 0;
  while (pos <= source.size()) {
    size_t end = source.find('\n', pos);
    if (end == std::string::npos) end = source.size();
    size_t textEnd = (end > pos && source[end - 1] == '\r') ? end - 1 : end;
    out += TranslateLine(lang, source.substr(pos, textEnd - pos), 1);
    out.append(source, textEnd, end - textEnd);
    if (end == source.size()) break;
    out += '\n';
    pos = end + 1;
  }
  return out;
}

std::string TranslateText(const std::string& source) {
  std::shared_ptr<const LanguageInfo> lang = std::atomic_load(&gCurrent);
  return lang ? TranslateWith(*lang, source) : source;
}

int PrimaryLanguageFromIndex(int index) { return (index == 0 || index == 2) ? 4 : 9; }
void SetPrimaryLanguage(int id) { gPrimary = id; }
int PrimaryLanguage() { return gPrimary.load(); }

}  // namespace movra
