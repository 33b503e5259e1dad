// The installation step: an encrypted file, every table and column, limits kept by the
// database itself, user-only permissions, and an existing file never replaced.
#include <gtest/gtest.h>

#include <ostream>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "data/schema.h"
#include "data_fixture.h"

namespace movra::test {
namespace {

int runTool(const std::string& args, const std::string& errFile) {
  std::string cmd = BuildDir() + "/bin/movra-make-database " + args + " 2>" + errFile + " >/dev/null";
  int rc = std::system(cmd.c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

mode_t modeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

std::string declTypeOf(JetType t, int size) {
  switch (t) {
    case JetType::AutoNumber:
    case JetType::Integer: return "INTEGER";
    case JetType::Short: return "SMALLINT";
    case JetType::Double: return "DOUBLE";
    case JetType::DateTime: return "DATETIME REAL";
    case JetType::Text: return "TEXT(" + std::to_string(size) + ")";
    case JetType::YesNo: return "YESNO INTEGER";
  }
  return "";
}

TEST(MakeDatabase, ToolMakesAnEncryptedUserOnlyDatabaseWithEveryTable) {
  TempDir tmp;
  const std::string path = tmp.file("PTDATA/Data/movradata1.dat");
  ASSERT_EQ(runTool(path, tmp.file("err.txt")), 0) << tmp.read("err.txt");

  EXPECT_EQ(modeOf(path), 0600u);
  EXPECT_EQ(modeOf(tmp.file("PTDATA")), 0700u);
  EXPECT_EQ(modeOf(tmp.file("PTDATA/Data")), 0700u);
  std::string head = ReadFileBytes(path).substr(0, 16);
  EXPECT_NE(head, std::string("SQLite format 3\0", 16));

  SqlDatabase wrong;
  try {
    wrong.open(path, "7315KRTsleb");
    FAIL() << "opened with a wrong password";
  } catch (const DbError& e) {
    EXPECT_STREQ(e.what(), "file is encrypted or is not a database");
  }

  RawDb db(path);
  for (const TableSpec& t : DatabaseTables()) {
    SqlStatement st(db.db(), std::string("PRAGMA table_info(\"") + t.name + "\")");
    size_t i = 0;
    while (st.step()) {
      ASSERT_LT(i, t.columns.size()) << t.name;
      EXPECT_EQ(std::get<std::string>(st.column(1)), t.columns[i].name) << t.name;
      EXPECT_EQ(std::get<std::string>(st.column(2)), declTypeOf(t.columns[i].type, t.columns[i].size))
          << t.name << "." << t.columns[i].name;
      ++i;
    }
    EXPECT_EQ(i, t.columns.size()) << t.name;
  }
  EXPECT_EQ(db.count("System_Info"), 1);
  EXPECT_EQ(db.count("Result_Log"), 0);
}

TEST(MakeDatabase, ToolNeverReplacesAnExistingFile) {
  TempDir tmp;
  tmp.write("movradata1.dat", "the user's records");
  EXPECT_NE(runTool(tmp.file("movradata1.dat"), tmp.file("err.txt")), 0);
  EXPECT_NE(tmp.read("err.txt").find("already exists"), std::string::npos) << tmp.read("err.txt");
  EXPECT_EQ(tmp.read("movradata1.dat"), "the user's records");

  EXPECT_THROW(CreateDatabaseFile(tmp.file("movradata1.dat")), DbError);
  EXPECT_EQ(tmp.read("movradata1.dat"), "the user's records");
}

TEST(MakeDatabase, AFailedMakeLeavesNothingBehind) {
  TempDir tmp;
  tmp.mkdirs("Data");
  // A table without columns cannot be made: the failure comes after the file was begun.
  DatabaseOptions broken;
  for (const auto& c : TableByName("Result_Log").columns) broken.omitColumns["Result_Log"].insert(c.name);
  EXPECT_THROW(CreateDatabaseFile(tmp.file("Data/movradata1.dat"), broken), DbError);
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(tmp.file("Data"))) {
    ADD_FAILURE() << "left behind: " << e.path();
    ++entries;
  }
  EXPECT_EQ(entries, 0);
}

struct LimitCase {
  const char* what;
  const char* sql;
  bool accepted;
};
void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.what; }

class DatabaseLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(DatabaseLimits, AreKeptByTheDatabase) {
  TempDir tmp;
  CreateDatabaseFile(tmp.file("movradata1.dat"));
  RawDb db(tmp.file("movradata1.dat"));
  const LimitCase& c = GetParam();
  if (c.accepted) {
    EXPECT_NO_THROW(db.exec(c.sql)) << c.what;
  } else {
    EXPECT_THROW(db.exec(c.sql), DbError) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Columns, DatabaseLimits,
    ::testing::Values(
        LimitCase{"serial number of 30 characters", "INSERT INTO Result_Log (fSN) VALUES ('123456789012345678901234567890')", true},
        LimitCase{"serial number of 31 characters", "INSERT INTO Result_Log (fSN) VALUES ('1234567890123456789012345678901')", false},
        LimitCase{"two characters of three bytes each", "INSERT INTO Result_Log (fAMPM) VALUES ('\u2191\u2193')", true},
        LimitCase{"AM/PM text of three characters", "INSERT INTO Result_Log (fAMPM) VALUES ('PMX')", false},
        LimitCase{"record number of 11 characters", "INSERT INTO Result_Log (fRecordNumber) VALUES ('12345678901')", false},
        LimitCase{"32-bit integer limit", "INSERT INTO Result_Log (fProviderID) VALUES (2147483647)", true},
        LimitCase{"beyond 32 bits", "INSERT INTO Result_Log (fProviderID) VALUES (2147483648)", false},
        LimitCase{"text in an integer column", "INSERT INTO Result_Log (fPatientID) VALUES ('abc')", false},
        LimitCase{"yes/no other than 0 or 1", "INSERT INTO Result_Log (fChecked) VALUES (2)", false},
        LimitCase{"short beyond 16 bits", "INSERT INTO Patient_info (fGender) VALUES (40000)", false},
        LimitCase{"text in a date column", "INSERT INTO Result_Log (fDate) VALUES ('yesterday')", false}),
    [](const ::testing::TestParamInfo<LimitCase>& i) { return CaseName(i.param.what); });

}  // namespace
}  // namespace movra::test
