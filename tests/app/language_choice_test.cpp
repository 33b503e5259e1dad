// Which of several installed translations the window shows, and which guide help opens.
#include <gtest/gtest.h>

#include <set>

#include "app/help_guide.h"
#include "app/language.h"
#include "app/language_choice.h"
#include "temp_dir.h"

using namespace movra;

namespace {

TEST(LanguageChoice, SettingThenDesktopLanguage) {
  struct Row {
    int setting;
    LocaleEnvironment env;
    int expected;
  };
  const Row rows[] = {
      {2052, {"", "", "", "de_DE.UTF-8"}, 2052},     // a known setting wins
      {7, {"", "", "", "de_DE.UTF-8"}, 1031},        // an unknown one is ignored
      {0, {"", "", "", "zh_CN.UTF-8"}, 2052},
      {0, {"", "", "", "fr_FR.UTF-8"}, 1033},        // no translation: English
      {0, {"", "de_AT.UTF-8", "", "zh_CN.UTF-8"}, 1031},  // LC_ALL before LANG
      {0, {"", "", "zh_TW.UTF-8", "de_DE.UTF-8"}, 2052},  // LC_MESSAGES before LANG
      {0, {"de:en", "", "", "en_GB.UTF-8"}, 1031},   // LANGUAGE's first entry
      {0, {"de:en", "C", "", ""}, 1033},             // ... unless the locale is C
      {0, {"", "", "", ""}, 1033},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(PreferredInterfaceLanguage(r.setting, r.env), r.expected)
        << r.setting << " LANGUAGE=" << r.env.language << " LC_ALL=" << r.env.lcAll << " LANG=" << r.env.lang;
  }
}

std::string translation(int id, const char* exitText) {
  return "!LanguageID=" + std::to_string(id) + "\nExit=" + exitText + "\n";
}

TEST(LanguageChoice, ThePreferredFolderWinsOverTheScanOrder) {
  test::TempDir prog;
  prog.write("1031/MovraT.txt", translation(1031, "Beenden"));
  prog.write("1033/MovraT.txt", translation(1033, "Exit"));
  prog.write("2052/MovraT.txt", translation(2052, "退出"));
  struct Row {
    int preferred;
    const char* folder;
  };
  for (Row r : {Row{1031, "1031"}, Row{1033, "1033"}, Row{0, "2052"}, Row{3082, "2052"}}) {
    ScanLanguages(prog.path(), "MovraT.txt", r.preferred);
    ASSERT_NE(CurrentLanguage(), nullptr);
    EXPECT_EQ(CurrentLanguage()->folder, r.folder) << r.preferred;
  }
  ResetLanguages();
}

TEST(HelpGuide, TheTranslationsGuideWhileTheSettingIsLeftAtOne) {
  const std::set<std::string> files = {"/p/2052/UserGuide.pdf", "/p/1/UserGuide.pdf"};
  auto isFile = [&](const std::string& p) { return files.count(p) > 0; };
  EXPECT_EQ(HelpGuidePath("/p/", 1, "2052", isFile), "/p/2052/UserGuide.pdf");
  EXPECT_EQ(HelpGuidePath("/p/", 1, "1031", isFile), "/p/1/UserGuide.pdf");  // no guide there
  EXPECT_EQ(HelpGuidePath("/p/", 1, "", isFile), "/p/1/UserGuide.pdf");
  EXPECT_EQ(HelpGuidePath("/p/", 2052, "1031", isFile), "/p/2052/UserGuide.pdf");  // the setting names it
  EXPECT_EQ(HelpGuidePath("/p/", 7, "2052", isFile), "/p/7/UserGuide.pdf");
}

}  // namespace
