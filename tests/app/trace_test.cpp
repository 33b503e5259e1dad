#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <regex>
#include <thread>
#include <vector>

#include "app/datetime.h"
#include "app/folders.h"
#include "app/tlog.h"
#include "app/trace.h"
#include "full_disk.h"
#include "recording_presenter.h"
#include "temp_dir.h"

using namespace movra;

namespace {

TEST(HexText, Rendering) {
  EXPECT_EQ(HexText(std::string(1, '\0')), "00 ");
  EXPECT_EQ(HexText(""), "");
  EXPECT_EQ(HexText("abc"), "61 62 63 ");
  EXPECT_EQ(HexText("\xff\x0d"), "FF 0D ");
}

TEST(Trace, RecordBytes) {
  double when = *EncodeDate(2017, 9, 12) + *EncodeTime(14, 3, 5, 0);
  EXPECT_EQ(TraceRecord(when, "Program started"), std::string("09/12/2017 14:03:05:Program started\n\r\r\n"));
  // At exactly midnight only the date stands before the colon.
  EXPECT_EQ(TraceRecord(*EncodeDate(2017, 9, 12), "x"), std::string("09/12/2017:x\n\r\r\n"));
  EXPECT_EQ(TraceRecord(*EncodeDate(2017, 9, 12) + *EncodeTime(0, 0, 0, 1), "x"), std::string("09/12/2017 00:00:00:x\n\r\r\n"));
}

class TraceFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.mkdirs("PTDATA/Data");
    DataRoot = dir.file("PTDATA");
  }
  void TearDown() override { CloseTrace(); }
  test::TempDir dir;
};

TEST_F(TraceFile, NothingBeforeOpen) {
  test::ScopedPresenter presenter;
  BugMessage("lost");
  EXPECT_FALSE(TraceOpen());
  EXPECT_EQ(access(TraceFilePath().c_str(), F_OK), -1);
}

TEST_F(TraceFile, RecordsFromManyThreadsNeverInterleave) {
  ASSERT_TRUE(OpenTrace());
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) BugMessage("thread " + std::to_string(t) + " record " + std::to_string(i) + " " + std::string(50, 'a' + t));
    });
  for (auto& th : threads) th.join();
  CloseTrace();
  std::string bytes = dir.read("PTDATA/Data/MovraT.dbg");
  std::regex record(R"(\d\d/\d\d/\d{4}( \d\d:\d\d:\d\d)?:thread (\d) record \d+ ([a-d]{50})\n\r\r\n)");
  size_t count = 0;
  for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), record); it != std::sregex_iterator(); ++it) {
    ++count;
    char letter = static_cast<char>('a' + ((*it)[2].str()[0] - '0'));
    EXPECT_EQ((*it)[3].str(), std::string(50, letter));
  }
  EXPECT_EQ(count, 800u);
}

TEST_F(TraceFile, AppendsAcrossRuns) {
  ASSERT_TRUE(OpenTrace());
  BugMessage("one");
  CloseTrace();
  ASSERT_TRUE(OpenTrace());
  BugMessage("two");
  CloseTrace();
  std::string bytes = dir.read("PTDATA/Data/MovraT.dbg");
  EXPECT_NE(bytes.find(":one\n\r\r\n"), std::string::npos);
  EXPECT_NE(bytes.find(":two\n\r\r\n"), std::string::npos);
}

TEST(TraceOpenFailure, MissingDataFolderShowsPathAndReason) {
  test::TempDir dir;
  DataRoot = dir.file("PTDATA");  // no Data folder under it
  test::ScopedPresenter presenter;
  StepResult opened = OpenTrace();
  EXPECT_FALSE(opened);
  EXPECT_FALSE(TraceOpen());
  EXPECT_EQ(opened.failure.text, "Can't open the file " + DataRoot + "/Data/MovraT.dbg\r\nNo such file or directory");
  EXPECT_EQ(opened.failure.caption, "Error");
  EXPECT_EQ(opened.failure.icon, NoticeIcon::Error);
  BugMessage("skipped silently");
}

TEST(Tlog, LineFormat) {
  test::TempDir dir;
  {
    Tlog log(dir.file("x.log"));
    log.WriteLine("abc", "<<<", true);
    log.WriteLine("plain", "", false);
    log.WriteLine("\x01", "", true);
  }
  std::string bytes = dir.read("x.log");
  std::regex lines(
      R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d:\d{3} <<<61 62 63 \r\n\d{4}-\d\d-\d\d \d\d:\d\d:\d\d:\d{3} plain\r\n\d{4}-\d\d-\d\d \d\d:\d\d:\d\d:\d{3} 01 \r\n)");
  EXPECT_TRUE(std::regex_match(bytes, lines)) << bytes;
}

TEST(Tlog, DefaultNameIsTodaysFileInTheCurrentFolder) {
  test::TempDir dir;
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  std::string name;
  {
    Tlog log("");
    name = log.fileName();
    log.WriteLine("x", "", false);
  }
  EXPECT_EQ(chdir(old), 0);
  DateParts p = NowParts();
  char expect[32];
  std::snprintf(expect, sizeof expect, "HB%04d%02d%02d.log", p.year, p.month, p.day);
  EXPECT_EQ(name, expect);
  EXPECT_FALSE(dir.read(expect).empty());
}

TEST(Tlog, UnwritablePathRaises) { EXPECT_THROW(Tlog("/nonexistent-folder/x.log"), TlogError); }

}  // namespace

namespace {

// A trace on a full disk fails every record: the box is shown once, and again only after a
// record has gone through in between.
TEST_F(TraceFile, AFullDiskIsToldOnceUntilARecordGoesThrough) {
  if (!test::MakeFullDiskFile(TraceFilePath())) GTEST_SKIP() << "no full device node here";
  std::vector<Notice> told;
  struct Handler {
    TraceFailureHandler old;
    ~Handler() { SetTraceFailureHandler(old); }
  } handler{SetTraceFailureHandler([&told](const Notice& n) { told.push_back(n); })};
  ASSERT_TRUE(OpenTrace());
  for (int i = 0; i < 5; ++i) BugMessage("record " + std::to_string(i));
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told.back().caption, "Error");
  // The designed text, then what happened in plain words, with the system's reason.
  const std::string text = told.back().text;
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "Error in BugMessage");
  EXPECT_NE(text.find("\r\nThe debug trace could not be written: " + TraceFilePath()), std::string::npos) << text;
  EXPECT_NE(text.find(std::strerror(ENOSPC)), std::string::npos) << text;

  CloseTrace();
  unlink(TraceFilePath().c_str());
  ASSERT_TRUE(OpenTrace());
  BugMessage("goes through");
  CloseTrace();
  ASSERT_EQ(unlink(TraceFilePath().c_str()), 0);
  ASSERT_TRUE(test::MakeFullDiskFile(TraceFilePath()));
  ASSERT_TRUE(OpenTrace());
  BugMessage("fails again");
  BugMessage("and again");
  EXPECT_EQ(told.size(), 2u);
}

// A link in the place of a log is never followed: in a folder others could write to, it
// would send health data into a file of their choosing.
TEST_F(TraceFile, LinksInThePlaceOfTheLogsAreNotFollowed) {
  const std::string outside = dir.file("outside.txt");
  dir.write("outside.txt", "");
  for (const std::string& log : {TraceFilePath(), RawLogPath(), CommDataLogPath()}) {
    ASSERT_EQ(symlink(outside.c_str(), log.c_str()), 0) << log;
  }
  StepResult opened = OpenTrace();
  EXPECT_FALSE(opened);
  BugMessage("not written");
  EXPECT_EQ(opened.failure.text.rfind("Can't open the file " + TraceFilePath() + "\r\n", 0), 0u);
  EXPECT_THROW(Tlog(RawLogPath()).WriteLine("x", "<<<", false), TlogError);
  EXPECT_THROW(Tlog(CommDataLogPath()).WriteLine("x", "", true), TlogError);
  EXPECT_EQ(dir.read("outside.txt"), "");
}

}  // namespace
