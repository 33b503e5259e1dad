// The connection string and the connection: key, lock file, and the lock seen from a
// second process.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "app/lock_file.h"
#include "data/connection.h"
#include "data/connection_string.h"
#include "data_fixture.h"

namespace movra::test {
namespace {

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Runs fn in a child process and returns its exit code (no test assertions in there).
int inChild(const std::function<int()>& fn) {
  pid_t pid = fork();
  if (pid == 0) _exit(fn());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ConnectionString, IsTheEighteenPairsInOrder) {
  EXPECT_EQ(BuildConnectionString("/opt/movra/PTDATA/Data/movradata1.dat"),
            "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=/opt/movra/PTDATA/Data/movradata1.dat;"
            "Mode=Share Deny None;Extended Properties=\"\";Jet OLEDB:System database=\"\";"
            "Jet OLEDB:Registry Path=\"\";Jet OLEDB:Database Password=\"7315KRTsleB\";Jet OLEDB:Engine Type=5;"
            "Jet OLEDB:Database Locking Mode=1;Jet OLEDB:Global Partial Bulk Ops=2;"
            "Jet OLEDB:Global Bulk Transactions=1;Jet OLEDB:New Database Password=\"\";"
            "Jet OLEDB:Create System Database=False;Jet OLEDB:Encrypt Database=False;"
            "Jet OLEDB:Don't Copy Locale on Compact=False;Jet OLEDB:Compact Without Replica Repair=False;"
            "Jet OLEDB:SFP=False");
}

TEST(ConnectionString, GivesBackTheFileAndThePassword) {
  for (const std::string path : {"/opt/movra/PTDATA/Data/movradata1.dat", "/home/a;b/\"odd\" name.dat"}) {
    std::string cs = BuildConnectionString(path);
    EXPECT_EQ(ConnectionStringValue(cs, "data source"), path);
    EXPECT_EQ(ConnectionStringValue(cs, "Jet OLEDB:Database Password"), "7315KRTsleB");
    EXPECT_EQ(ConnectionStringValue(cs, "Jet OLEDB:SFP"), "False");
    EXPECT_EQ(ConnectionStringValue(cs, "Extended Properties"), "");
  }
  EXPECT_EQ(ConnectionStringValue("Provider=x", "Data Source"), std::nullopt);
}

TEST(LockFile, SitsBesideTheDatabase) {
  EXPECT_EQ(LockFilePathFor("/p/PTDATA/Data/movradata1.dat"), "/p/PTDATA/Data/MovraData1.ldb");
  EXPECT_EQ(LockFilePathFor("/p/other.db"), "/p/other.ldb");
}

TEST(Connection, HoldsTheLockWhileConnectedAgainstOtherProcesses) {
  DataFolder folder;
  const std::string lock = LockFilePathFor(folder.dataFile());
  {
    TAdoConnection conn;
    conn.setConnectionString(BuildConnectionString(folder.dataFile()));
    conn.open();
    ASSERT_TRUE(exists(lock));

    // Another copy can neither take the lock, nor delete the file, nor connect.
    EXPECT_EQ(inChild([&] {
                DbLockFile other;
                return other.acquire(lock) ? 0 : 1;
              }),
              1);
    EXPECT_EQ(inChild([&] { return TryDeleteLockFile(lock) ? 0 : 1; }), 1);
    EXPECT_EQ(inChild([&] {
                TAdoConnection c;
                c.setConnectionString(BuildConnectionString(folder.dataFile()));
                try {
                  c.open();
                  return 0;
                } catch (const DbError&) {
                  return 1;
                }
              }),
              1);
    EXPECT_TRUE(exists(lock));
    conn.close();
    EXPECT_FALSE(exists(lock));
  }
  EXPECT_EQ(inChild([&] {
              DbLockFile other;
              return other.acquire(lock) ? 0 : 1;
            }),
            0);
}

TEST(Connection, AFailedConnectLeavesNoLockFile) {
  DatabaseOptions other;
  other.password = "not the password";
  DataFolder folder(other);
  TAdoConnection conn;
  conn.setConnectionString(BuildConnectionString(folder.dataFile()));
  EXPECT_THROW(conn.open(), DbError);
  EXPECT_FALSE(conn.connected());
  EXPECT_FALSE(exists(LockFilePathFor(folder.dataFile())));
}

TEST(Connection, ALockLeftByAKilledCopyDoesNotBlock) {
  DataFolder folder;
  const std::string lock = LockFilePathFor(folder.dataFile());
  pid_t pid = fork();
  if (pid == 0) {
    TAdoConnection c;
    c.setConnectionString(BuildConnectionString(folder.dataFile()));
    c.open();
    pause();
    _exit(0);
  }
  for (int i = 0; i < 500 && !exists(lock); ++i) usleep(10000);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  ASSERT_TRUE(exists(lock));

  TAdoConnection conn;
  conn.setConnectionString(BuildConnectionString(folder.dataFile()));
  EXPECT_NO_THROW(conn.open());
  conn.close();
  EXPECT_FALSE(exists(lock));
}

// A link in the place of the database or its lock file is refused and what it leads to is
// left alone: in a folder others could write to, it would lead the program to their file.
TEST(Connection, LinksInThePlaceOfItsFilesAreRefused) {
  for (bool linkTheLock : {false, true}) {
    SCOPED_TRACE(linkTheLock ? "the lock file" : "the database");
    DataFolder folder;
    const std::string outside = folder.dir().file("outside.dat");
    const std::string lock = LockFilePathFor(folder.dataFile());
    if (linkTheLock) {
      folder.dir().write("outside.dat", "");
      ASSERT_EQ(symlink(outside.c_str(), lock.c_str()), 0);
    } else {
      ASSERT_EQ(rename(folder.dataFile().c_str(), outside.c_str()), 0);
      ASSERT_EQ(symlink(outside.c_str(), folder.dataFile().c_str()), 0);
    }
    const std::string before = ReadFileBytes(outside);
    TAdoConnection conn;
    conn.setConnectionString(BuildConnectionString(folder.dataFile()));
    try {
      conn.open();
      ADD_FAILURE() << "opened through a link";
    } catch (const DbError& e) {
      EXPECT_NE(std::string(e.what()).find("link"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(conn.connected());
    EXPECT_EQ(ReadFileBytes(outside), before);
    struct stat st {};
    EXPECT_EQ(lstat(lock.c_str(), &st) == 0 && S_ISLNK(st.st_mode), linkTheLock);
  }
}

}  // namespace
}  // namespace movra::test
