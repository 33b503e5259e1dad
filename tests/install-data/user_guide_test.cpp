// The user guides as built: one PDF per interface language, each in its own language,
// quoting the program's messages as the program shows them in that language, with every
// font embedded so Chinese text never turns into boxes on a machine without the font.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace {

// Runs a poppler tool and returns what it printed; a tool that is missing or fails is a
// failure of the test, not a skip.
std::string ToolOutput(const std::string& command) {
  std::string out;
  FILE* p = popen((command + " 2>/dev/null").c_str(), "r");
  if (!p) return out;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  int status = pclose(p);
  EXPECT_EQ(status, 0) << command << " failed (poppler-utils is installed by scripts/install-deps)";
  return out;
}

// Line breaks and blanks differ between the source and what a PDF reader extracts.
std::string WithoutSpace(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != ' ' && c != '\n' && c != '\r' && c != '\t' && c != '\f') out += c;
  return out;
}

// The text a translation file gives for an English key; English is the key itself.
std::string ShownText(int language, const std::string& key) {
  if (language == 1033) return key;
  std::istringstream in(
      movra::test::ReadFileBytes(movra::test::SourceDir() + "/install/lang/" + std::to_string(language) + "/MovraT.txt"));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  }
  ADD_FAILURE() << "no translation of \"" << key << "\" for " << language;
  return key;
}

struct Guide {
  int language;
  std::string pdf;    // under the build's installdata folder
  std::string title;  // the guide's own title, in its language
};

const Guide kGuides[] = {
    {1033, "1033/UserGuide.pdf", "Movra User Guide"},
    {2052, "2052/UserGuide.pdf", "Movra 用户手册"},
    {1031, "1031/UserGuide.pdf", "Movra Benutzerhandbuch"},
    // The guide a program folder gets when its language has none.
    {1033, "UserGuide.pdf", "Movra User Guide"},
};

// Messages and names every guide quotes in full, as the program shows them: the key and
// what the program puts in for %1.
struct Quoted {
  const char* key;
  const char* fill;
};
const Quoted kQuotedMessages[] = {
    {"Meter is not ready! Please check the power and cable!", ""},
    {"The serial port is in use by another program.", ""},
    {"No Records!", ""},
    {"The selected file is in use!", ""},
    {"Are you sure to clear the data?", ""},
    {"New data will overwrite the old records, continue ?", ""},
    {"Finished transfering. Total records: %1! ", "8"},
    // The report and what a reader does with it.
    {"Report", ""},
    {"Time in therapeutic range (TTR)", ""},
    {"Target range", ""},
    {"Save as Default", ""},
    {"Save PDF...", ""},
    {"Print...", ""},
    {"Export to PDF finished!", ""},
};

TEST(UserGuide, EachLanguageHasItsGuideQuotingTheProgramsOwnMessages) {
  for (const Guide& g : kGuides) {
    SCOPED_TRACE(g.pdf);
    const std::string pdf = movra::test::BuildDir() + "/installdata/" + g.pdf;
    ASSERT_TRUE(std::filesystem::is_regular_file(pdf)) << pdf << " was not built";
    const std::string text = WithoutSpace(ToolOutput("pdftotext -enc UTF-8 '" + pdf + "' -"));
    EXPECT_NE(text.find(WithoutSpace(g.title)), std::string::npos) << "title " << g.title;
    for (const Quoted& q : kQuotedMessages) {
      std::string shown = ShownText(g.language, q.key);
      if (size_t at = shown.find("%1"); at != std::string::npos) shown.replace(at, 2, q.fill);
      EXPECT_NE(text.find(WithoutSpace(shown)), std::string::npos) << "the guide does not quote \"" << shown << "\"";
    }
  }
}

// Every picture the build takes of the program is shown in every language's guide, and
// the guide shows no picture the build does not take.
TEST(UserGuide, ShowsEveryPictureTakenOfTheProgram) {
  for (int language : {1033, 2052, 1031}) {
    SCOPED_TRACE(language);
    const std::string lang = std::to_string(language);
    std::set<std::string> taken, shown;
    for (const auto& e : std::filesystem::directory_iterator(movra::test::BuildDir() + "/guide-shots/" + lang))
      if (e.path().extension() == ".png") taken.insert(e.path().filename().string());
    const std::string source =
        movra::test::ReadFileBytes(movra::test::SourceDir() + "/install/guide/" + lang + "/UserGuide.md");
    for (size_t at = 0; (at = source.find("](", at)) != std::string::npos;) {
      at += 2;
      const size_t end = source.find(')', at);
      if (end == std::string::npos) break;
      shown.insert(source.substr(at, end - at));
    }
    EXPECT_FALSE(taken.empty()) << "no pictures in build/guide-shots/" << lang;
    EXPECT_EQ(shown, taken);
  }
}

TEST(UserGuide, EmbedsEveryFontItUses) {
  for (const Guide& g : kGuides) {
    SCOPED_TRACE(g.pdf);
    const std::string pdf = movra::test::BuildDir() + "/installdata/" + g.pdf;
    std::istringstream fonts(ToolOutput("pdffonts '" + pdf + "'"));
    std::vector<std::string> rows;
    for (std::string line; std::getline(fonts, line);)
      if (!line.empty() && line[0] != '-' && line.rfind("name ", 0) != 0) rows.push_back(line);
    ASSERT_FALSE(rows.empty()) << "pdffonts listed no font";
    for (const std::string& row : rows) {
      // Columns: name type encoding emb sub uni object ID. The type may hold a blank, the
      // last five never do: "emb" is the fifth from the end.
      std::istringstream cols(row);
      std::vector<std::string> c;
      for (std::string w; cols >> w;) c.push_back(w);
      ASSERT_GE(c.size(), 6u) << row;
      EXPECT_EQ(c[c.size() - 5], "yes") << "not embedded: " << row;
    }
  }
}

}  // namespace
