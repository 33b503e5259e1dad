// The installation step at a user's first start: the empty database in the user's folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "data/connection.h"
#include "data/connection_string.h"
#include "data/user_database.h"
#include "temp_dir.h"

namespace movra::test {
namespace {

TEST(UserDatabase, MadeOnceWithItsFoldersAndNeverReplaced) {
  TempDir home;
  std::string path = home.file("data/movra/PTDATA/Data/movradata1.dat");
  std::string why;
  ASSERT_TRUE(EnsureUserDatabase(path, why)) << why;
  struct stat st {};
  ASSERT_EQ(stat(home.file("data/movra/PTDATA/Data").c_str(), &st), 0);
#ifndef _WIN32  // Windows keeps no such modes: the user's profile makes them the user's
  EXPECT_EQ(st.st_mode & 0777, 0700u);
#endif
  ASSERT_EQ(stat(path.c_str(), &st), 0);
#ifndef _WIN32
  EXPECT_EQ(st.st_mode & 0777, 0600u);
#endif
  {
    TAdoConnection conn;  // opens with the program's password and holds the tables
    conn.setConnectionString(BuildConnectionString(path));
    conn.open();
    EXPECT_TRUE(conn.connected());
  }

  home.write("data/movra/PTDATA/Data/movradata1.dat", "the user's own file");
  ASSERT_TRUE(EnsureUserDatabase(path, why)) << why;
  EXPECT_EQ(home.read("data/movra/PTDATA/Data/movradata1.dat"), "the user's own file");
}

TEST(UserDatabase, AFileInTheWaySaysWhy) {
  TempDir home;
  home.write("data/movra", "not a folder");
  std::string why;
  EXPECT_FALSE(EnsureUserDatabase(home.file("data/movra/PTDATA/Data/movradata1.dat"), why));
  EXPECT_EQ(why, home.file("data/movra") + " is not a folder");
}

// What a first start that was killed leaves: its private new file and journal. They go at
// the next start once they are old enough that no start-up still making them can own them;
// a fresh one may be another first start's at this moment, and other names stay anyway.
TEST(UserDatabase, StaleScrapsOfAKilledFirstStartGo) {
  namespace fs = std::filesystem;
  struct Scrap {
    const char* name;
    int ageSeconds;
    bool goes;
  } scraps[] = {
      {".movradata-new-Ab12Cd", 3600, true},
      {".movradata-new-Ab12Cd-journal", 3600, true},
      {".movradata-new-Xy34Zw", 120, true},
      {".movradata-new-Fresh1", 5, false},  // another first start making it now
      {".movradata-new-Fresh1-journal", 0, false},
      {"movradata1.dat", 3600, false},
      {"movradata-new-Ab12Cd", 3600, false},
      {"notes.movradata-new-Ab12Cd", 3600, false},
  };
  TempDir home;
  home.mkdirs("Data");
  const auto now = fs::file_time_type::clock::now();
  for (const Scrap& s : scraps) {
    home.write("Data/" + std::string(s.name), "x");
    fs::last_write_time(fs::u8path(home.file("Data/" + std::string(s.name))), now - std::chrono::seconds(s.ageSeconds));
  }
  RemoveStaleDatabaseScraps(home.file("Data"));
  for (const Scrap& s : scraps)
    EXPECT_EQ(fs::exists(fs::u8path(home.file("Data/" + std::string(s.name)))), !s.goes) << s.name;
  RemoveStaleDatabaseScraps(home.file("no such folder"));  // nothing to do, nothing thrown
}

}  // namespace
}  // namespace movra::test
