// The plain-text logs hold every record read: each is bounded by moving a full file to
// ".1" and starting a new one, without splitting a line or changing its format.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <regex>
#include <vector>

#include "app/folders.h"
#include "app/tlog.h"
#include "app/trace.h"
#include "meter/raw_log.h"
#include "recording_presenter.h"
#include "temp_dir.h"

using namespace movra;

namespace {

struct LogCase {
  const char* name;
  std::function<std::string()> path;
  std::function<void(const std::string&)> write;
  // One whole line as the program writes it, for a text of letters.
  std::string lineFormat;
};

const std::string kStamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d:\d{3} )";

const LogCase kLogs[] = {
    {"raw-data log", RawLogPath, [](const std::string& t) { WriteRawLog(t, "", false); }, kStamp + "[a-z]+\r\n"},
    {"received-bytes log", CommDataLogPath, [](const std::string& t) { WriteCommDataLog(t); },
     kStamp + "([0-9A-F]{2} )+\r\n"},
    {"debug trace", TraceFilePath, [](const std::string& t) { BugMessage(t); },
     R"(\d\d/\d\d/\d{4}( \d\d:\d\d:\d\d)?:[a-z]+\n\r\r\n)"},
};

// Whole lines of the file's own kind, `size` bytes in all.
std::string OldLines(size_t size) {
  std::string out;
  while (out.size() + 100 <= size) out += std::string(98, 'o') + "\r\n";
  out += std::string(size - out.size() - 2, 'o') + "\r\n";
  return out;
}

// Each log as a line at a time opens it, and as a transfer holds it open.
class LogFileRotation : public ::testing::TestWithParam<bool> {};

// Holds the line logs open for its life, as a transfer does. Made after each case's folder,
// so the logs are closed before the folder goes: Windows deletes no open file.
struct HeldLineLogs {
  explicit HeldLineLogs(bool hold) : hold_(hold) {
    if (hold_) KeepLineLogsOpen();
  }
  ~HeldLineLogs() {
    if (hold_) CloseLineLogs();
  }
  bool hold_;
};

TEST_P(LogFileRotation, AFullLogMovesToDotOneAndANewOneStarts) {
  for (const LogCase& c : kLogs) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    dir.mkdirs("PTDATA/Data");
    DataRoot = dir.file("PTDATA");
    HeldLineLogs held(GetParam());
    test::ScopedPresenter presenter;  // a failure would show a box: none may
    const std::string path = c.path();
    const std::string before = OldLines(kLogSizeLimit - 60);
    dir.write("PTDATA/Data/" + path.substr(path.rfind('/') + 1), before);
    dir.write("PTDATA/Data/" + path.substr(path.rfind('/') + 1) + ".1", "an older file\r\n");
    ASSERT_TRUE(OpenTrace());

    // A line that still fits is appended to the file as it is.
    c.write("fits");
    std::string grown = test::ReadFileBytes(path);
    ASSERT_GT(grown.size(), before.size());
    EXPECT_EQ(grown.substr(0, before.size()), before);
    EXPECT_LE(grown.size(), kLogSizeLimit);
    EXPECT_EQ(test::ReadFileBytes(path + ".1"), "an older file\r\n");

    // One that would pass the limit goes to a new file; the full one replaces the older ".1".
    c.write(std::string(120, 'n'));
    EXPECT_EQ(test::ReadFileBytes(path + ".1"), grown);
    std::string fresh = test::ReadFileBytes(path);
    EXPECT_TRUE(std::regex_match(fresh, std::regex(c.lineFormat))) << fresh;
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
#ifndef _WIN32  // Windows keeps no such modes
    EXPECT_EQ(st.st_mode & 0777, 0600u);
#endif

    // Writing goes on in the new file.
    c.write("next");
    EXPECT_EQ(test::ReadFileBytes(path + ".1"), grown);
    EXPECT_EQ(test::ReadFileBytes(path).substr(0, fresh.size()), fresh);
    CloseTrace();
    EXPECT_TRUE(presenter->shown().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Logs, LogFileRotation, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "HeldOpen" : "LineByLine"; });

#ifndef _WIN32
// The files this process holds open, by the paths they were opened at.
std::vector<std::string> OpenFiles() {
  std::vector<std::string> out;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    auto target = std::filesystem::read_symlink(fd.path(), ec);
    if (!ec) out.push_back(target.string());
  }
  return out;
}

// While a transfer holds the line logs they stay open between lines (an open per line is
// what costs); once it lets go, nothing is left open.
TEST(LineLogs, StayOpenWhileHeldAndCloseWhenReleased) {
  test::TempDir dir;
  dir.mkdirs("PTDATA/Data");
  DataRoot = dir.file("PTDATA");
  auto isOpen = [](const std::string& path) {
    auto files = OpenFiles();
    return std::find(files.begin(), files.end(), path) != files.end();
  };
  const std::string raw = std::filesystem::canonical(dir.file("PTDATA/Data")).string() + "/MovraTRaw.txt";
  const std::string comm = std::filesystem::canonical(dir.file("PTDATA/Data")).string() + "/COMMDATA.txt";
  WriteRawLog("one", "", false);
  EXPECT_FALSE(isOpen(raw));

  KeepLineLogsOpen();
  KeepLineLogsOpen();  // two transfers at once: the logs stay open until both have ended
  WriteRawLog("two", "", false);
  WriteCommDataLog("AB");
  EXPECT_TRUE(isOpen(raw));
  EXPECT_TRUE(isOpen(comm));
  // Every line is on disk as soon as it is written.
  EXPECT_NE(test::ReadFileBytes(RawLogPath()).find("two\r\n"), std::string::npos);
  EXPECT_NE(test::ReadFileBytes(CommDataLogPath()).find("41 42 \r\n"), std::string::npos);
  CloseLineLogs();
  EXPECT_TRUE(isOpen(raw));
  CloseLineLogs();
  EXPECT_FALSE(isOpen(raw));
  EXPECT_FALSE(isOpen(comm));
  CloseLineLogs();  // one release too many changes nothing
  WriteRawLog("three", "", false);
  EXPECT_FALSE(isOpen(raw));
  EXPECT_NE(test::ReadFileBytes(RawLogPath()).find("three\r\n"), std::string::npos);

  // A log that cannot be opened while held costs its lines, not the process.
  DataRoot = dir.file("missing");
  test::ScopedPresenter presenter;
  presenter->allowAny();
  KeepLineLogsOpen();
  EXPECT_FALSE(WriteRawLog("lost", "", false));
  EXPECT_THROW(WriteCommDataLog("AB"), TlogError);
  CloseLineLogs();
}
#endif

TEST(LogRotation, ALineLongerThanTheLimitIsWrittenWhole) {
  test::TempDir dir;
  const std::string path = dir.file("big.log");
  {
    Tlog log(path);
    log.WriteLine("first", "", false);
    log.WriteLine(std::string(kLogSizeLimit + 10, 'x'), "", false);
  }
  {
    Tlog log(path);
    log.WriteLine("after", "", false);
  }
  // The long line stands alone in ".1", whole; the line before it has gone with the older file.
  std::string dotOne = test::ReadFileBytes(path + ".1");
  EXPECT_EQ(dotOne.size(), 24 + kLogSizeLimit + 10 + 2);
  EXPECT_EQ(dotOne.substr(dotOne.size() - 3), "x\r\n");
  EXPECT_EQ(dotOne.find("first"), std::string::npos);
  EXPECT_TRUE(std::regex_match(test::ReadFileBytes(path), std::regex(kStamp + "after\r\n")));
}

}  // namespace
