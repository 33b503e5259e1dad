// The interface language: one translation file per language folder under the program
// folder ("1033/MovraT.txt", "2052/MovraT.txt" …); English texts are the keys.
#pragma once
#include <map>
#include <string>
#include <vector>

namespace movra {

// A key that stands for texts composed at run time: "Record %1 CRC error!" stands for
// "Record 5 CRC error!". The parts are the fixed texts around the placeholders.
struct TextPattern {
  std::vector<std::string> parts;  // one more than gaps
  std::vector<int> gapSlots;       // the placeholder digit, 1..9, of each gap
  std::string value;               // the translation, "%n" taking gap n's text
};

struct LanguageInfo {
  int id = 0;
  std::string name;
  std::string folder;
  std::map<std::string, std::string> entries;  // key -> value, both UTF-8
  std::vector<TextPattern> patterns;          // keys holding %1..%9, most fixed text first
};

// The three languages the program knows by identifier.
bool IsKnownLanguageId(int id);

// Decodes a translation file's bytes: UTF-8 with BOM, UTF-16LE with BOM, otherwise the
// ANSI code page (UTF-8 when valid, else Latin-1). False when the bytes cannot be decoded.
bool DecodeTranslationText(const std::string& bytes, std::string& utf8);
// Parses one file. False (with why) when it cannot be read or decoded or names no known
// language identifier.
bool LoadTranslationFile(const std::string& path, LanguageInfo& out, std::string& why);

// Scans ExeDir's sub-folders in name order; the last that loads becomes current. Files
// that fail are dropped and traced. fileName is the translation file's name ("MovraT.txt").
// When the folder named by preferredId (not 0) loads, it becomes current instead.
void ScanLanguages(const std::string& exeDir, const std::string& fileName = "MovraT.txt", int preferredId = 0);
// Forgets every language (tests).
void ResetLanguages();
// The current language, or null when every text is shown in English.
const LanguageInfo* CurrentLanguage();
// The translation in the current language, or the source text itself. A text without an
// entry of its own is matched against the keys holding placeholders ("Com %1 disconnected!"),
// and a text of several lines is translated line by line, so texts composed with numbers,
// paths or a second line are translated as well. A message standing in a placeholder's
// place ("Write to CSV Error %1") is translated too, one level deep.
std::string TranslateText(const std::string& source);
// The same against one language (tests and tools).
std::string TranslateWith(const LanguageInfo& lang, const std::string& source);

// The run-time library's primary language from the manager's language index:
// 0 or 2 give 4 (Chinese), anything else 9 (English).
int PrimaryLanguageFromIndex(int index);
void SetPrimaryLanguage(int id);
int PrimaryLanguage();

}  // namespace movra
