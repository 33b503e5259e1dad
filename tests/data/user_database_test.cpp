// The installation step at a user's first start: the empty database in the user's folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

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

}  // namespace
}  // namespace movra::test
