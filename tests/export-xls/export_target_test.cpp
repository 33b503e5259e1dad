// What an export does to the file it replaces: nothing, unless the whole new file is
// written; and a target that is no regular file is refused without being opened.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "export/csv_export.h"
#include "export/excel_export.h"
#include "export/export_target.h"
#include "app/language.h"
#include "data_fixture.h"
#include "recording_presenter.h"
#include "temp_dir.h"
#include "test_rows.h"

using namespace movra;

namespace {

namespace fs = std::filesystem;

enum class Kind { Csv, Excel };

ExportResult Export(Kind kind, const std::vector<ExportRow>& rows, const std::string& target) {
  return kind == Kind::Csv ? ExportCsv(rows, target) : ExportExcel(rows, test::FixturePath("template-plain.xls"), target);
}

const char* ErrorPrefix(Kind kind) { return kind == Kind::Csv ? "Write to CSV Error " : "Write to Excel Error "; }

// A small RAM disk mounted over a scratch folder for the life of the guard; whyNot() says
// why there is none (mounting needs the right to mount).
class SmallDisk {
 public:
  explicit SmallDisk(const std::string& dir) : dir_(dir) {
    fs::create_directories(dir);
    if (mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=300k") != 0)
      why_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
  }
  ~SmallDisk() {
    if (why_.empty()) umount2(dir_.c_str(), MNT_DETACH);
  }
  const std::string& whyNot() const { return why_; }

 private:
  std::string dir_;
  std::string why_;
};

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// --- a failed export keeps the old file ---------------------------------------------------

struct Failure {
  const char* name;
  Kind kind;
  bool fullDisk;        // else a row whose time is no time
  const char* because;  // the reason after the error prefix
};

const Failure kFailures[] = {
    {"CsvValueThatCannotBeConverted", Kind::Csv, false, "'24:30' is not a valid time"},
    {"CsvOnAFullDisk", Kind::Csv, true, "No space left on device"},
    {"ExcelValueThatCannotBeConverted", Kind::Excel, false, "'24:30' is not a valid time"},
    {"ExcelOnAFullDisk", Kind::Excel, true, "No space left on device"},
};

void PrintTo(const Failure& f, std::ostream* os) { *os << f.name; }

class FailedExportTest : public ::testing::TestWithParam<Failure> {};

TEST_P(FailedExportTest, OldFileStaysIntactAndOnlyTheErrorIsShown) {
  const Failure& f = GetParam();
  test::TempDir scratch;
  std::string dir = scratch.file("disk");
  std::optional<SmallDisk> disk;
  if (f.fullDisk) {
    disk.emplace(dir);
    if (!disk->whyNot().empty()) GTEST_SKIP() << disk->whyNot();
  } else {
    fs::create_directories(dir);
  }

  // Rows enough to fill the small disk, or a few with a time that is no time.
  std::vector<ExportRow> rows(f.fullDisk ? 8000 : 3, test::ExampleRow());
  if (!f.fullDisk) rows[1].timeText = "24:30";
  const std::string target = dir + (f.kind == Kind::Csv ? "/weekly.csv" : "/weekly.xls");
  const std::string old = "the good file of last week\r\n" + std::string(20000, 'x');
  { std::ofstream(target, std::ios::binary) << old; }

  test::ScopedPresenter presenter;
  ExportResult result = Export(f.kind, rows, target);
  EXPECT_EQ(result.outcome, ExportOutcome::Failed);
  ASSERT_TRUE(result.notice);
  EXPECT_NE(result.notice->text.find(f.because), std::string::npos) << result.notice->text;
  EXPECT_EQ(result.notice->text.rfind(ErrorPrefix(f.kind), 0), 0u) << result.notice->text;
  EXPECT_EQ(test::ReadFileBytes(target), old);
  EXPECT_EQ(FilesIn(dir), std::vector<std::string>{fs::path(target).filename().string()}) << "no half file left";
}

INSTANTIATE_TEST_SUITE_P(Exports, FailedExportTest, ::testing::ValuesIn(kFailures),
                         [](const ::testing::TestParamInfo<Failure>& i) { return std::string(i.param.name); });

// A file that was replaced keeps its permissions; the new one is whole.
TEST(ExportTarget, ReplacedFileKeepsItsPermissions) {
  test::TempDir dir;
  for (Kind kind : {Kind::Csv, Kind::Excel}) {
    const std::string target = dir.file(kind == Kind::Csv ? "old.csv" : "old.xls");
    dir.write(fs::path(target).filename().string(), std::string(5000, 'x'));
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    test::ScopedPresenter presenter;
    EXPECT_EQ(Export(kind, {test::ExampleRow()}, target).outcome, ExportOutcome::Written);
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (kind == Kind::Csv) {
      EXPECT_EQ(test::ReadFileBytes(target), CsvBytes({test::ExampleRow()}));
    }
  }
  EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"old.csv", "old.xls"}));
}

// --- targets that are no regular file -----------------------------------------------------

struct Special {
  const char* name;
  const char* reason;
};

const Special kSpecials[] = {
    {"NamedPipe", "It is a named pipe, not a regular file."},
    {"Device", "It is a device, not a regular file."},
    {"Folder", "It is a folder, not a regular file."},
    {"LinkToANamedPipe", "It is a named pipe, not a regular file."},
};

void PrintTo(const Special& s, std::ostream* os) { *os << s.name; }
void PrintTo(Kind k, std::ostream* os) { *os << (k == Kind::Csv ? "Csv" : "Excel"); }

// Makes the special file at `path`; an empty answer when it was made.
std::string MakeSpecial(const std::string& kind, const std::string& path) {
  int rc = 0;
  if (kind == "NamedPipe") rc = mkfifo(path.c_str(), 0600);
  if (kind == "Device") {
    // A device like /dev/null; where making one is not allowed, a link to it.
    rc = mknod(path.c_str(), S_IFCHR | 0600, makedev(1, 3));
    if (rc != 0) rc = symlink("/dev/null", path.c_str());
  }
  if (kind == "Folder") rc = mkdir(path.c_str(), 0700);
  if (kind == "LinkToANamedPipe") {
    std::string pipe = path + "-pipe";
    rc = mkfifo(pipe.c_str(), 0600);
    if (rc == 0) rc = symlink(pipe.c_str(), path.c_str());
  }
  return rc == 0 ? std::string() : std::strerror(errno);
}

class SpecialTargetTest : public ::testing::TestWithParam<std::tuple<Kind, Special>> {};

TEST_P(SpecialTargetTest, IsRefusedWithoutBeingOpened) {
  auto [kind, special] = GetParam();
  test::TempDir dir;
  const std::string target = dir.file(kind == Kind::Csv ? "out.csv" : "out.xls");
  std::string why = MakeSpecial(special.name, target);
  ASSERT_EQ(why, "");
  const std::vector<std::string> before = FilesIn(dir.path());
  test::ScopedPresenter presenter;
  const std::string text = "Cannot create file \"" + target + "\". " + special.reason;
  // Opening a pipe with no reader would never return: a blocked export ends the test here.
  alarm(20);
  ExportResult result = Export(kind, {test::ExampleRow()}, target);
  alarm(0);
  EXPECT_EQ(result.outcome, kind == Kind::Csv ? ExportOutcome::GeneralError : ExportOutcome::Failed);
  ASSERT_TRUE(result.notice);
  EXPECT_EQ(result.notice->text, kind == Kind::Csv ? text : ErrorPrefix(kind) + text);
  EXPECT_EQ(result.notice->caption, kind == Kind::Csv ? "Error" : "Message");
  EXPECT_EQ(FilesIn(dir.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Exports, SpecialTargetTest,
                         ::testing::Combine(::testing::Values(Kind::Csv, Kind::Excel), ::testing::ValuesIn(kSpecials)),
                         [](const ::testing::TestParamInfo<std::tuple<Kind, Special>>& i) {
                           return std::string(std::get<0>(i.param) == Kind::Csv ? "Csv" : "Excel") +
                                  std::get<1>(i.param).name;
                         });

// --- a target that cannot be opened for writing --------------------------------------

// The designed words for a file that cannot be opened to be written; when the cause is
// not another program but the file itself, the reason follows on a line of its own.
TEST(ExportTarget, AFileThatCannotBeWrittenSaysWhy) {
  test::TempDir dir;
  const std::string book = dir.file("book.xls");
  dir.write("book.xls", "old");
  EXPECT_EQ(FileInUseText(book), "The selected file is in use!");  // nothing holds it: the designed words
  if (!test::SetImmutable(book, true)) GTEST_SKIP() << "no immutable files here";
  const std::string text = FileInUseText(book);
  test::SetImmutable(book, false);
  EXPECT_EQ(text, "The selected file is in use!\r\n" + TranslateText(kFileImmutableReason));
}

}  // namespace
