// The installation data as shipped: the translation files cover every text the program
// translates, and the settings file gives the configured values.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

#include "app/config.h"
#include "app/ini_file.h"
#include "app/language.h"
#include "temp_dir.h"

using namespace movra;

namespace {

std::string InstallDir() { return test::SourceDir() + "/install"; }
std::string TranslationPath(int id) { return InstallDir() + "/lang/" + std::to_string(id) + "/MovraT.txt"; }

// One key per line, exactly as the program passes it; only the line end is removed so
// blanks inside and at the end of a key survive.
std::vector<std::string> Keys() {
  std::istringstream in(test::ReadFileBytes(InstallDir() + "/lang/keys.txt"));
  std::vector<std::string> keys;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    keys.push_back(line);
  }
  return keys;
}

bool IsHeaderKey(const std::string& key) { return !key.empty() && key[0] == '!'; }

const std::string kDialoutCommand = "sudo usermod -aG dialout $USER";

// The placeholders %1..%9 a text holds.
std::multiset<std::string> Placeholders(const std::string& text) {
  std::multiset<std::string> out;
  static const std::regex slot("%[1-9]");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), slot); it != std::sregex_iterator(); ++it)
    out.insert(it->str());
  return out;
}

// Every whole string literal (adjacent literals joined) the program's sources hand straight
// to a translating call, with the file and line it stands in.
std::vector<std::pair<std::string, std::string>> LiteralsPassedToTranslation() {
  namespace fs = std::filesystem;
  static const std::regex call(R"re(\b(TranslateText|ShowInfo|ShowError|AskWarning|Tr|TranslatePattern)\(\s*((?:"(?:[^"\\]|\\.)*"\s*)+)[),])re");
  static const std::regex literal(R"re("((?:[^"\\]|\\.)*)")re");
  std::vector<std::pair<std::string, std::string>> found;
  for (const char* tree : {"src", "tools"}) {
    for (const auto& entry : fs::recursive_directory_iterator(test::SourceDir() + "/" + tree)) {
      if (!entry.is_regular_file() || entry.path().extension() != ".cpp") continue;
      std::string code = test::ReadFileBytes(entry.path().string());
      for (auto it = std::sregex_iterator(code.begin(), code.end(), call); it != std::sregex_iterator(); ++it) {
        std::string joined, parts = (*it)[2].str();
        for (auto l = std::sregex_iterator(parts.begin(), parts.end(), literal); l != std::sregex_iterator(); ++l)
          joined += std::regex_replace((*l)[1].str(), std::regex(R"(\\(["\\]))"), "$1");
        size_t line = 1 + static_cast<size_t>(std::count(code.begin(), code.begin() + it->position(), '\n'));
        found.emplace_back(joined, entry.path().filename().string() + ":" + std::to_string(line));
      }
    }
  }
  return found;
}

}  // namespace

TEST(InstallKeys, AreUniqueNonEmptyAndNameTheProgramsOwnTexts) {
  std::vector<std::string> keys = Keys();
  ASSERT_FALSE(keys.empty());
  std::set<std::string> seen;
  for (const std::string& k : keys) {
    EXPECT_FALSE(k.empty()) << "empty line in keys.txt";
    EXPECT_EQ(k.find('='), std::string::npos) << k << ": a key cannot hold the separator";
    EXPECT_FALSE(IsHeaderKey(k)) << k;
    EXPECT_TRUE(seen.insert(k).second) << "duplicate key: " << k;
  }
  // Texts the program holds as constants: the dialog captions and both title defaults.
  for (const char* own : {"Warning", "Message", "Error", kDefaultTitle, kDefaultAboutTitle})
    EXPECT_TRUE(seen.count(own)) << "missing key: " << own;
}

TEST(InstallKeys, CoverEveryTextTheSourcesTranslate) {
  // A message added to the program without a key would show in English in every language.
  std::vector<std::string> keys = Keys();
  std::set<std::string> known(keys.begin(), keys.end());
  auto literals = LiteralsPassedToTranslation();
  EXPECT_FALSE(literals.empty());
  for (const auto& [text, where] : literals) EXPECT_TRUE(known.count(text)) << where << ": no key for [" << text << "]";
}

class Translation : public ::testing::TestWithParam<int> {};

TEST_P(Translation, LoadsWithItsOwnLanguageId) {
  const int id = GetParam();
  LanguageInfo lang;
  std::string why;
  ASSERT_TRUE(LoadTranslationFile(TranslationPath(id), lang, why)) << why;
  EXPECT_EQ(lang.id, id);
  EXPECT_FALSE(lang.name.empty());
  for (const char* header : {"!LanguageName", "!TranslationAuthor", "!TranslationAuthorEmail", "!TranslationDefaultFont"})
    EXPECT_TRUE(lang.entries.count(header)) << header;
  // Written as UTF-8 with a byte-order mark, so no reader takes it for a local code page.
  EXPECT_EQ(test::ReadFileBytes(TranslationPath(id)).substr(0, 3), "\xEF\xBB\xBF");
}

TEST_P(Translation, HoldsNoKeyThatTheProgramNeverPasses) {
  // A misspelt key is never looked up, so its translation would silently go unused.
  LanguageInfo lang;
  std::string why;
  ASSERT_TRUE(LoadTranslationFile(TranslationPath(GetParam()), lang, why)) << why;
  std::vector<std::string> keys = Keys();
  std::set<std::string> known(keys.begin(), keys.end());
  for (const auto& [key, value] : lang.entries)
    EXPECT_TRUE(IsHeaderKey(key) || known.count(key)) << "unknown key: [" << key << "]";
}

INSTANTIATE_TEST_SUITE_P(Languages, Translation, ::testing::Values(1033, 2052, 1031));

class FullTranslation : public ::testing::TestWithParam<int> {};

TEST_P(FullTranslation, TranslatesEveryKey) {
  LanguageInfo lang;
  std::string why;
  ASSERT_TRUE(LoadTranslationFile(TranslationPath(GetParam()), lang, why)) << why;
  for (const std::string& key : Keys()) {
    auto it = lang.entries.find(key);
    ASSERT_NE(it, lang.entries.end()) << "missing: [" << key << "]";
    EXPECT_FALSE(it->second.empty()) << "empty translation: [" << key << "]";
  }
}

TEST_P(FullTranslation, KeepsTheGroupCommandRunnable) {
  // The user types this command from the message, so a translation must not touch it.
  LanguageInfo lang;
  std::string why;
  ASSERT_TRUE(LoadTranslationFile(TranslationPath(GetParam()), lang, why)) << why;
  int withCommand = 0;
  for (const std::string& key : Keys()) {
    if (key.find(kDialoutCommand) == std::string::npos) continue;
    ++withCommand;
    EXPECT_NE(lang.entries[key].find(kDialoutCommand), std::string::npos) << lang.entries[key];
  }
  EXPECT_EQ(withCommand, 1);
}

TEST_P(FullTranslation, KeepsEveryPlaceholderOfTheKey) {
  // A key with %1 stands for texts with a number or a path there; the translation must
  // show each of them once, wherever its language puts it.
  LanguageInfo lang;
  std::string why;
  ASSERT_TRUE(LoadTranslationFile(TranslationPath(GetParam()), lang, why)) << why;
  for (const auto& [key, value] : lang.entries) {
    if (IsHeaderKey(key)) continue;
    EXPECT_EQ(Placeholders(value), Placeholders(key)) << key << " -> " << value;
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, FullTranslation, ::testing::Values(2052, 1031));

TEST(EnglishTranslation, ShowsEveryTextUnchanged) {
  LanguageInfo lang;
  std::string why;
  ASSERT_TRUE(LoadTranslationFile(TranslationPath(1033), lang, why)) << why;
  for (const auto& [key, value] : lang.entries) {
    if (IsHeaderKey(key)) continue;
    EXPECT_TRUE(value.empty() || value == key) << key << " -> " << value;
  }
}

TEST(InstalledLanguageFolder, TranslatesTheDialogCaptions) {
  // The folder as the program finds it beside itself.
  test::TempDir exe;
  exe.write("2052/MovraT.txt", test::ReadFileBytes(TranslationPath(2052)));
  ScanLanguages(exe.path());
  ASSERT_NE(CurrentLanguage(), nullptr);
  EXPECT_EQ(CurrentLanguage()->id, 2052);
  EXPECT_EQ(TranslateText("Warning"), "\xE8\xAD\xA6\xE5\x91\x8A");  // 警告
  EXPECT_EQ(TranslateText("Export to CSV finished!"), "\xE5\xAF\xBC\xE5\x87\xBA\xE5\x88\xB0 CSV \xE5\xAE\x8C\xE6\x88\x90\xEF\xBC\x81");
  ResetLanguages();
}

TEST(InstalledSettings, GiveTheConfiguredValues) {
  const std::string path = InstallDir() + "/MovraT.INI";
  // Every value is written out rather than left to the defaults.
  IniFile ini(path);
  const std::pair<const char*, const char*> stated[] = {
      {"APPEARANCE", "Title"}, {"APPEARANCE", "Icon"},     {"APPEARANCE", "Logo"}, {"APPEARANCE", "Background"},
      {"APPEARANCE", "Company"}, {"LANGUAGE", "LanguageID"}, {"COMM", "Port"},       {"COMM", "BaudRate"},
      {"COMM", "Parity"},      {"COMM", "ByteSize"},       {"COMM", "StopBit"}};
  for (const auto& [section, key] : stated) EXPECT_TRUE(ini.value(section, key).has_value()) << section << "/" << key;

  TGlobalOption o;
  ReadConfigFrom(path, o);
  EXPECT_EQ(o.Title, "Movra Management Software");
  EXPECT_EQ(o.AboutTitle, "Movra Management Software");  // the same key, so the file's value
  EXPECT_EQ(o.Icon, "Image\\PTLogo.ico");
  EXPECT_EQ(o.Logo, "Image\\PTLogo.bmp");
  EXPECT_EQ(o.Background, "Image\\Down.jpg");
  EXPECT_EQ(o.Company, kDefaultCompany);
  EXPECT_EQ(o.LanguageID, 1);
  EXPECT_EQ(o.CommOption.Port, 1);
  EXPECT_EQ(o.CommOption.BaudRate, 4800);
  EXPECT_EQ(o.CommOption.Parity, 0);
  EXPECT_EQ(o.CommOption.ByteSize, "_8");
  EXPECT_EQ(o.CommOption.StopBit, "_1");

  // The about box passes the configured title through the translation.
  std::vector<std::string> keys = Keys();
  EXPECT_NE(std::find(keys.begin(), keys.end(), o.AboutTitle), keys.end());
}

TEST(DesktopEntry, NamesTheProgramByItsWindowCaption) {
  // The task bar groups the window by its class, which the program sets to the caption;
  // the menu shows the entry's name: all three are the settings' title.
  TGlobalOption o;
  ReadConfigFrom(InstallDir() + "/MovraT.INI", o);
  std::istringstream in(test::ReadFileBytes(InstallDir() + "/com.velbrook.Movra.desktop"));
  std::map<std::string, std::string> entry;
  for (std::string line; std::getline(in, line);) {
    size_t eq = line.find('=');
    if (eq != std::string::npos && line[0] != '#') entry[line.substr(0, eq)] = line.substr(eq + 1);
  }
  EXPECT_EQ(entry["Name"], o.Title);
  EXPECT_EQ(entry["StartupWMClass"], o.Title);
}
