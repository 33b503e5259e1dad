// Which clinic database server a command uses, the [DATABASE] settings, and the settings
// that are refused before anything is sent.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/clinic_settings.h"
#include "app/config.h"
#include "temp_dir.h"

using namespace movra;

namespace {

struct ChoiceCase {
  std::optional<std::string> option;
  const char* env;
  const char* ini;
  const char* chosen;
};

TEST(ClinicUrlChosen, OptionBeatsEnvironmentBeatsSettings) {
  const ChoiceCase cases[] = {
      {std::nullopt, "", "", ""},
      {std::nullopt, "", "postgresql://ini/db", "postgresql://ini/db"},
      {std::nullopt, "postgresql://env/db", "postgresql://ini/db", "postgresql://env/db"},
      {"postgresql://opt/db", "postgresql://env/db", "postgresql://ini/db", "postgresql://opt/db"},
      {"postgresql://opt/db", "", "", "postgresql://opt/db"},
      // An empty --database keeps this command local whatever else says a server.
      {"", "postgresql://env/db", "postgresql://ini/db", ""},
      // An empty variable is as good as none.
      {std::nullopt, "", "postgres://ini/db", "postgres://ini/db"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ClinicUrlChosen(c.option, c.env, c.ini), c.chosen)
        << (c.option ? *c.option : "(no option)") << " | " << c.env << " | " << c.ini;
}

struct SettingsCase {
  const char* url;
  const char* site;
  const char* problem;  // "" when usable, else the refusal's text
};

TEST(ClinicSettingsProblem, RefusesAForeignAddressAndABadSite) {
  const std::string pattern = kClinicSiteRefusedText;
  const std::string badSite = pattern.substr(0, pattern.find("%1")) + "Nord-Ost" + pattern.substr(pattern.find("%1") + 2);
  const std::string longest(40, 'a'), tooLong(41, 'a');
  const SettingsCase cases[] = {
      {"", "", ""},
      // Without a server the site is not used, so it cannot be wrong.
      {"", "Nord-Ost", ""},
      {"postgresql://db.clinic.example:5433/movra?sslmode=verify-full", "", ""},
      {"postgres://db/movra", "north_2", ""},
      {"postgresql://db/movra", longest.c_str(), ""},
      {"postgresql://db/movra", tooLong.c_str(), nullptr},
      {"postgresql://db/movra", "Nord-Ost", badSite.c_str()},
      {"postgresql://db/movra", "north east", nullptr},
      {"postgresql://db/movra", "n\xC3\xB6rd", nullptr},
      {"https://db.clinic.example/movra", "", kClinicUrlRefusedText},
      {"host=db dbname=movra", "", kClinicUrlRefusedText},
      {"POSTGRESQL://db/movra", "", kClinicUrlRefusedText},
      {" postgresql://db/movra", "", kClinicUrlRefusedText},
  };
  for (const auto& c : cases) {
    const std::string problem = ClinicSettingsProblem(c.url, c.site);
    if (c.problem)
      EXPECT_EQ(problem, c.problem) << c.url << " | " << c.site;
    else
      EXPECT_NE(problem.find(c.site), std::string::npos) << c.url << " | " << c.site << ": " << problem;
  }
}

TEST(ClinicSettings, AreReadFromTheDatabaseSection) {
  test::TempDir dir;
  dir.write("MovraT.INI", "[DATABASE]\r\nUrl=postgresql://db.clinic.example/movra\r\nSite=north\r\n");
  TGlobalOption o;
  ReadConfigFrom(dir.file("MovraT.INI"), o);
  EXPECT_EQ(o.Database.Url, "postgresql://db.clinic.example/movra");
  EXPECT_EQ(o.Database.Site, "north");

  TGlobalOption none;
  ReadConfigFrom(dir.file("missing.INI"), none);
  EXPECT_EQ(none.Database.Url, "");
  EXPECT_EQ(none.Database.Site, "");
}

}  // namespace
