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

TEST_F(Languages, ComposedAndMultiLineTextsAreTranslatedByParts) {
  dir.write("1031/MovraT.txt",
            "!LanguageID=1031\n"
            "Error=Fehler\n"
            "Record %1 CRC error! Please try again!=Datensatz %1: CRC-Fehler! Bitte erneut versuchen!\n"
            "Cannot create file \"%1\". %2=Datei \"%1\" kann nicht angelegt werden. %2\n"
            "%1 of %2=%2 gesamt, davon %1\n"
            "%1 disconnected!=getrennt: %1\n"
            "Com %1 disconnected!=COM %1 getrennt!\n"
            "Untranslated %1=\n"
            "Write to CSV Error %1=Fehler beim Schreiben der CSV-Datei: %1\n"
            "It is a folder, not a regular file.=Es ist ein Ordner, keine Datei.\n");
  ScanLanguages(dir.path());
  struct Case {
    const char* name;
    std::string source;
    std::string expected;
  } cases[] = {
      {"number in the gap", "Record 12 CRC error! Please try again!", "Datensatz 12: CRC-Fehler! Bitte erneut versuchen!"},
      {"empty gap is no match", "Record  CRC error! Please try again!", "Record  CRC error! Please try again!"},
      {"two gaps, text with quotes", "Cannot create file \"/tmp/a \"b\". No space left on device",
       "Datei \"/tmp/a \"b\" kann nicht angelegt werden. No space left on device"},
      {"gaps change places", "3 of 30", "30 gesamt, davon 3"},
      {"a gap's own %2 stays as it is", "Record %2 CRC error! Please try again!",
       "Datensatz %2: CRC-Fehler! Bitte erneut versuchen!"},
      {"the more particular key wins", "Com 3 disconnected!", "COM 3 getrennt!"},
      {"empty value shows English", "Untranslated x", "Untranslated x"},
      {"a message in a gap is translated too", "Write to CSV Error It is a folder, not a regular file.",
       "Fehler beim Schreiben der CSV-Datei: Es ist ein Ordner, keine Datei."},
      {"and a composed one", "Write to CSV Error Record 3 CRC error! Please try again!",
       "Fehler beim Schreiben der CSV-Datei: Datensatz 3: CRC-Fehler! Bitte erneut versuchen!"},
      {"each line is its own key", "Com 3 disconnected!\nError", "COM 3 getrennt!\nFehler"},
      {"line ends stay", "Error\r\nError\r\n", "Fehler\r\nFehler\r\n"},
      {"unknown lines stay", "Error\nUnknown line\n\nError", "Fehler\nUnknown line\n\nFehler"},
  };
  for (const auto& c : cases) EXPECT_EQ(TranslateText(c.source), c.expected) << c.name;
}

TEST(PrimaryLanguage, FromIndex) {
  EXPECT_EQ(PrimaryLanguageFromIndex(-1), 9);
  EXPECT_EQ(PrimaryLanguageFromIndex(0), 4);
  EXPECT_EQ(PrimaryLanguageFromIndex(1), 9);
  EXPECT_EQ(PrimaryLanguageFromIndex(2), 4);
  EXPECT_EQ(PrimaryLanguageFromIndex(3), 9);
}

}  // namespace
