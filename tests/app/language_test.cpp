#include <gtest/gtest.h>

#include "app/language.h"
#include "temp_dir.h"

using namespace movra;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

std::string utf16le(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

class Languages : public ::testing::Test {
 protected:
  void TearDown() override { ResetLanguages(); }
  test::TempDir dir;
};

TEST_F(Languages, NoFolderMeansEnglish) {
  ScanLanguages(dir.path());
  EXPECT_EQ(CurrentLanguage(), nullptr);
  EXPECT_EQ(TranslateText("Warning"), "Warning");
}

TEST_F(Languages, LastFolderInNameOrderWins) {
  dir.write("2052/MovraT.txt", kBom + "!LanguageID=2052\r\nWarning=\xE8\xAD\xA6\xE5\x91\x8A\r\n");
  dir.write("1031/MovraT.txt", kBom + "!LanguageID=1031\r\nWarning=Warnung\r\n");
  dir.write("1033/MovraT.txt", "!LanguageID=1033\r\n");
  ScanLanguages(dir.path());
  ASSERT_NE(CurrentLanguage(), nullptr);
  EXPECT_EQ(CurrentLanguage()->id, 2052);
  EXPECT_EQ(TranslateText("Warning"), "\xE8\xAD\xA6\xE5\x91\x8A");
}

TEST_F(Languages, Encodings) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string expected;
  } cases[] = {
      {"utf8 bom", kBom + "!LanguageID=1031\nError=Fehler\xC3\xA4\n", "Fehler\xC3\xA4"},
      {"utf16le", utf16le("!LanguageID=1031\r\nError=Fehler\r\n"), "Fehler"},
      {"ansi utf8", "!LanguageID=1031\nError=Fehler\xC3\xA4\n", "Fehler\xC3\xA4"},
      {"ansi latin1", "!LanguageID=1031\nError=Fehler\xE4\n", "Fehler\xC3\xA4"},
  };
  for (const auto& c : cases) {
    test::TempDir d;
    d.write("1031/MovraT.txt", c.bytes);
    ScanLanguages(d.path());
    EXPECT_EQ(TranslateText("Error"), c.expected) << c.name;
  }
}

TEST_F(Languages, EmptyValueAndMissingKeyShowEnglish) {
  dir.write("1031/MovraT.txt", "!LanguageID=1031\nError=\nA=B=C\n");
  ScanLanguages(dir.path());
  EXPECT_EQ(TranslateText("Error"), "Error");
  EXPECT_EQ(TranslateText("Message"), "Message");
  EXPECT_EQ(TranslateText("A"), "B=C");  // split at the first "="
}

TEST_F(Languages, DamagedOrUnknownFilesAreDropped) {
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"unknown id", "!LanguageID=9999\nError=X\n"},
      {"no id", "Error=X\n"},
      {"odd utf16", "\xFF\xFE!\0L\0x"},
      {"bad utf8 after bom", kBom + "!LanguageID=1031\nError=\xC3\n"},
      {"id not a number", "!LanguageID=10x1\nError=X\n"},
  };
  for (const auto& c : cases) {
    test::TempDir d;
    d.write("1031/MovraT.txt", "!LanguageID=1031\nError=Fehler\n");
    d.write("2052/MovraT.txt", c.bytes);
    ScanLanguages(d.path());
    // The damaged file was the last one: no language is current.
    EXPECT_EQ(CurrentLanguage(), nullptr) << c.name;
    EXPECT_EQ(TranslateText("Error"), "Error") << c.name;
  }
  // A good file after a damaged one becomes current again.
  dir.write("1031/MovraT.txt", "!LanguageID=9\n");
  dir.write("2052/MovraT.txt", "!LanguageID=2052\nError=E\n");
  ScanLanguages(dir.path());
  EXPECT_EQ(TranslateText("Error"), "E");
}

TEST_F(Languages, FilesOutsideFoldersAreIgnored) {
  dir.write("MovraT.txt", "!LanguageID=1031\nError=X\n");
  dir.write("1031/Other.txt", "!LanguageID=1031\nError=X\n");
  ScanLanguages(dir.path());
  EXPECT_EQ(CurrentLanguage(), nullptr);
}

TEST(PrimaryLanguage, FromIndex) {
  EXPECT_EQ(PrimaryLanguageFromIndex(-1), 9);
  EXPECT_EQ(PrimaryLanguageFromIndex(0), 4);
  EXPECT_EQ(PrimaryLanguageFromIndex(1), 9);
  EXPECT_EQ(PrimaryLanguageFromIndex(2), 4);
  EXPECT_EQ(PrimaryLanguageFromIndex(3), 9);
}

}  // namespace
