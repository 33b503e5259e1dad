// The export commands of the window: the checks before an export, the save dialog, the
// overwrite question about the file to be written, and the file written.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "app/dialogs.h"
#include "data/row_set.h"
#include "export/xls_workbook.h"
#include "recording_presenter.h"
#include "ui/frm_main.h"
#include "ui/save_file_chooser.h"
#include "ui_test_env.h"

namespace movra::test {
namespace {

namespace fs = std::filesystem;

// Answers the save dialog from a script and remembers what it was asked.
class ScriptedChooser : public SaveFileChooser {
 public:
  std::optional<std::string> Execute(const SaveDialogOptions& o) override {
    asked.push_back(o);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected save dialog";
      return std::nullopt;
    }
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
  std::vector<SaveDialogOptions> asked;
  std::deque<std::optional<std::string>> answers;
};

class ExportTest : public StartedProgramTest {
 protected:
  void SetUp() override {
    StartedProgramTest::SetUp();
    chooser = std::make_shared<ScriptedChooser>();
    program->window().SaveDialog = chooser;
  }
  std::string out(const std::string& name) { return folder.dir().file(name); }

  std::shared_ptr<ScriptedChooser> chooser;
};

TEST_F(ExportTest, NoTickedRowOpensNoDialog) {
  AddResultRow(list(), "1", 2.5, false);
  boxes->expect("No Records!");
  w().btnHis->click();
  boxes->expect("No Records!");
  w().btnExpExcel->click();
  EXPECT_TRUE(chooser->asked.empty());
  EXPECT_EQ(w().CountCheckedRows(), 0);
}

TEST_F(ExportTest, MenuItemRunsTheExcelExportAsTheButtonDoes) {
  AddResultRow(list(), "1", 2.5);
  chooser->answers = {std::nullopt, std::nullopt};
  w().mnuExportExcel->trigger();
  w().btnExpExcel->click();
  ASSERT_EQ(chooser->asked.size(), 2u);
  for (const auto& o : chooser->asked) {
    EXPECT_EQ(o.title, "Export to Excel File");
    EXPECT_EQ(o.filter, "Excel files (*.xls)");
    EXPECT_EQ(o.fileName.rfind("PT_", 0), 0u) << o.fileName;
    EXPECT_EQ(o.fileName.size(), std::string("PT_2024_03_15_14_05_09").size());
  }
}

TEST_F(ExportTest, CsvHasAnEmptyLineForEachUntickedRow) {
  AddResultRow(list(), "1", 2.5, true);
  AddResultRow(list(), "2", 2.6, false);
  AddResultRow(list(), "3", 7.5, true);
  chooser->answers = {out("report")};
  boxes->expect("Export to CSV finished!");
  w().btnHis->click();
  ASSERT_EQ(chooser->asked.size(), 1u);
  EXPECT_EQ(chooser->asked[0].title, "Export to TXT File");
  EXPECT_EQ(chooser->asked[0].filter, "TXT files (*.csv)");
  ASSERT_TRUE(fs::exists(out("report.csv")));
  std::string csv = ReadFileBytes(out("report.csv"));
  std::vector<std::string> lines;
  size_t pos = 0, crlf;
  while ((crlf = csv.find("\r\n", pos)) != std::string::npos) {
    lines.push_back(csv.substr(pos, crlf - pos));
    pos = crlf + 2;
  }
  ASSERT_EQ(lines.size(), 4u) << csv;
  EXPECT_EQ(lines[0], "Test Record Number,PatientID,DATE FORMAT,DATE,TIME,INR,PT,SAMPLE TYPE,Serial Number");
  EXPECT_EQ(lines[1].rfind("1,345,YY-MM-DD,", 0), 0u) << lines[1];
  EXPECT_NE(lines[1].find(" 2.5 , 26 "), std::string::npos) << lines[1];
  EXPECT_EQ(lines[2], "");
  EXPECT_NE(lines[3].find(",INR ↑,INR ↑,"), std::string::npos) << lines[3];
  // The walk leaves the list on its last row.
  EXPECT_EQ(list().recNo(), 2);
}

TEST_F(ExportTest, ExistingFileAnsweredNoProposesANewNameAndCancelWritesNothing) {
  AddResultRow(list(), "1", 2.5);
  std::string existing = out("old.csv");
  std::ofstream(existing) << "keep";
  // The question is about the name as chosen; No reopens the dialog with the Movra name.
  chooser->answers = {existing, existing};
  boxes->expect(existing + " already exists, do you want to overwrite this file?", IDNO);
  boxes->expect(existing + " already exists, do you want to overwrite this file?", IDCANCEL);
  w().btnHis->click();
  ASSERT_EQ(chooser->asked.size(), 2u);
  EXPECT_EQ(chooser->asked[1].fileName.rfind("Movra", 0), 0u) << chooser->asked[1].fileName;
  EXPECT_EQ(chooser->asked[1].fileName.find('/'), std::string::npos);
  ASSERT_EQ(boxes->shown().size(), 2u);
  EXPECT_EQ(boxes->shown()[0].caption, "Warning");
  EXPECT_EQ(boxes->shown()[0].style & 0x0F, MB_YESNOCANCEL);
  EXPECT_EQ(ReadFileBytes(existing), "keep");
  EXPECT_FALSE(fs::exists(existing + ".csv"));
}

// True while another process holds a lock on the file.
bool LockedByOther(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR);
  if (fd < 0) return false;
  bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (free) flock(fd, LOCK_UN);
  ::close(fd);
  return !free;
}

TEST_F(ExportTest, FileInUseIsRefused) {
  AddResultRow(list(), "1", 2.5);
  std::string chosen = out("held.xls");
  std::ofstream(chosen) << "x";
  // Another program holds a lock on it, as a spreadsheet program does with an open file.
  pid_t holder = -1;
  const char* argv[] = {"flock", chosen.c_str(), "sleep", "60", nullptr};
  // Its own process group, so the holder and its command end together.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  int spawned = posix_spawnp(&holder, "flock", nullptr, &attr, const_cast<char* const*>(argv), environ);
  posix_spawnattr_destroy(&attr);
  ASSERT_EQ(spawned, 0);
  bool locked = ProcessEventsUntil([&] { return LockedByOther(chosen); }, 5000);
  if (locked) {
    chooser->answers = {chosen};
    boxes->expect("The selected file is in use!");
    w().btnExpExcel->click();
  }
  kill(-holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  ASSERT_TRUE(locked);
  EXPECT_EQ(ReadFileBytes(chosen), "x");
}

TEST_F(ExportTest, ExcelExportFillsACopyOfTheTemplate) {
  fs::path tpl = fs::path(BuildDir()) / "installdata/MovraTemplate.xls";
  if (!fs::exists(tpl)) GTEST_SKIP() << "no export template built";
  fs::create_directories(folder.exeDir() + "data");
  fs::copy_file(tpl, folder.exeDir() + "data/MovraTemplate.xls");
  AddResultRow(list(), "1", 2.5);
  AddResultRow(list(), "2", 2.5, false);
  AddResultRow(list(), "3", 2.5);
  std::string chosen = out("book.xls");
  chooser->answers = {chosen};
  boxes->expect("Export to Excel finished!");
  w().btnExpExcel->click();
  ASSERT_TRUE(fs::exists(chosen));
  EXPECT_GT(fs::file_size(chosen), 0u);
  EXPECT_EQ(ReadFileBytes(tpl.string()), ReadFileBytes(folder.exeDir() + "data/MovraTemplate.xls"));
}

// --- the file written for the name typed ----------------------------------------------

enum class Kind { Csv, Excel };

struct TargetName {
  const char* name;
  Kind kind;
  const char* typed;
  std::vector<std::string> existing;  // files in the folder before
  const char* askedAbout;             // the file the overwrite question names; none when null
  const char* written;
};

const TargetName kTargetNames[] = {
    {"CsvExistingWithTheExtensionAdded", Kind::Csv, "weekly", {"weekly.csv"}, "weekly.csv", "weekly.csv"},
    {"CsvNewWithTheExtensionAdded", Kind::Csv, "weekly", {}, nullptr, "weekly.csv"},
    {"CsvTypedWithTheExtension", Kind::Csv, "weekly.csv", {"weekly.csv"}, "weekly.csv", "weekly.csv"},
    {"CsvExtensionInCapitals", Kind::Csv, "WEEKLY.CSV", {}, nullptr, "WEEKLY.CSV"},
    {"CsvFileWithoutExtensionIsLeftAlone", Kind::Csv, "weekly", {"weekly"}, nullptr, "weekly.csv"},
    {"CsvOtherExtension", Kind::Csv, "weekly.txt", {}, nullptr, "weekly.txt.csv"},
    {"ExcelNewWithTheExtensionAdded", Kind::Excel, "inr-results", {}, nullptr, "inr-results.xls"},
    {"ExcelExistingWithTheExtensionAdded", Kind::Excel, "inr-results", {"inr-results.xls"}, "inr-results.xls",
     "inr-results.xls"},
    {"ExcelTypedWithTheExtensionInCapitals", Kind::Excel, "book.XLS", {"book.XLS"}, "book.XLS", "book.XLS"},
    {"ExcelFileWithoutExtensionIsLeftAlone", Kind::Excel, "inr-results", {"inr-results"}, nullptr,
     "inr-results.xls"},
};

void PrintTo(const TargetName& c, std::ostream* os) { *os << c.name; }

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class ExportTargetTest : public ExportTest, public ::testing::WithParamInterface<TargetName> {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    dir = out("exports");
    fs::create_directories(dir);
  }
  // The template as the installation lays it out; false when the build made none.
  bool placeTemplate() {
    fs::path tpl = fs::path(BuildDir()) / "installdata/MovraTemplate.xls";
    if (!fs::exists(tpl)) return false;
    fs::create_directories(folder.exeDir() + "data");
    fs::copy_file(tpl, folder.exeDir() + "data/MovraTemplate.xls", fs::copy_options::overwrite_existing);
    return true;
  }
  void click(Kind kind) { kind == Kind::Csv ? w().btnHis->click() : w().btnExpExcel->click(); }
  std::string dir;
};

TEST_P(ExportTargetTest, QuestionAndFileAreAboutTheNameWithItsExtension) {
  const TargetName& c = GetParam();
  if (c.kind == Kind::Excel && !placeTemplate()) GTEST_SKIP() << "no export template built";
  for (const std::string& name : c.existing) std::ofstream(dir + "/" + name) << "old";
  AddResultRow(list(), "1", 2.5);
  chooser->answers = {dir + "/" + c.typed};
  const std::string question = " already exists, do you want to overwrite this file?";
  if (c.askedAbout) boxes->expect(dir + "/" + c.askedAbout + question, IDYES);
  const std::string finished = c.kind == Kind::Csv ? "Export to CSV finished!" : "Export to Excel finished!";
  boxes->expect(finished);
  click(c.kind);

  ASSERT_EQ(chooser->asked.size(), 1u);
  EXPECT_EQ(chooser->asked[0].filter, c.kind == Kind::Csv ? "TXT files (*.csv)" : "Excel files (*.xls)");
  std::vector<std::string> texts;
  for (const DialogRequest& r : boxes->shown()) texts.push_back(r.text);
  std::vector<std::string> expected;
  if (c.askedAbout) expected.push_back(dir + "/" + c.askedAbout + question);
  // The designed text, then the full path of the file written.
  expected.push_back(finished + "\n" + dir + "/" + c.written);
  EXPECT_EQ(texts, expected);

  std::vector<std::string> files = c.existing;
  if (std::find(files.begin(), files.end(), c.written) == files.end()) files.push_back(c.written);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(FilesIn(dir), files);
  for (const std::string& name : c.existing)
    if (name != c.written) {
      EXPECT_EQ(ReadFileBytes(dir + "/" + name), "old") << name;
    }
  const std::string written = dir + "/" + c.written;
  if (c.kind == Kind::Csv) {
    EXPECT_EQ(ReadFileBytes(written).rfind("Test Record Number,PatientID,", 0), 0u);
  } else {
    XlsWorkbook book = XlsWorkbook::open(written);
    EXPECT_EQ(book.activeSheet(), "Sheet1");
    EXPECT_EQ(book.cell("Sheet1", 1, 0)->text, "1");
  }
}

INSTANTIATE_TEST_SUITE_P(Names, ExportTargetTest, ::testing::ValuesIn(kTargetNames),
                         [](const ::testing::TestParamInfo<TargetName>& i) { return std::string(i.param.name); });

// Something other than a regular file under the name is refused before it is opened or
// asked about; the rest of the folder is left as it was.
TEST_F(ExportTest, TargetThatIsNoRegularFileIsRefused) {
  AddResultRow(list(), "1", 2.5);
  const std::string pipe = out("weekly.csv"), folderTarget = out("inr-results.xls");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  fs::create_directory(folderTarget);
  chooser->answers = {out("weekly"), out("inr-results")};
  boxes->expect("Cannot create file \"" + pipe + "\". It is a named pipe, not a regular file.");
  boxes->expect("Cannot create file \"" + folderTarget + "\". It is a folder, not a regular file.");
  alarm(20);  // a blocked open would end the test here
  w().btnHis->click();
  w().btnExpExcel->click();
  alarm(0);
  ASSERT_EQ(boxes->shown().size(), 2u);
  EXPECT_EQ(boxes->shown()[0].caption, "Error");
  EXPECT_TRUE(fs::is_fifo(pipe));
  EXPECT_TRUE(fs::is_empty(folderTarget));
}

// A row that cannot be written: the error alone is shown and the old file stays.
TEST_F(ExportTest, FailedExportKeepsTheOldFileAndSaysNoFinished) {
  AddResultRow(list(), "1", 2.5);
  list().append();
  list().fieldByName("fRecordNumber").setAsString("2");
  list().fieldByName("fChecked").setAsBoolean(true);
  list().fieldByName("fINR_v").setAsFloat(2.5);
  list().fieldByName("fTime_String").setAsString("24:30");
  list().post();
  list().updateBatch();
  const std::string chosen = out("weekly.csv");
  std::ofstream(chosen) << "last week";
  chooser->answers = {chosen};
  boxes->expect(chosen + " already exists", IDYES);
  boxes->expect("Write to CSV Error '24:30' is not a valid time");
  w().btnHis->click();
  EXPECT_EQ(boxes->shown().size(), 2u);
  EXPECT_EQ(ReadFileBytes(chosen), "last week");
}


// --- the toolkit's save dialog ---------------------------------------------------------

// A home folder of its own for the life of the object: the desktop's documents folder is
// <home>/Documents when no user-dirs file names another.
class ScopedHome {
 public:
  ScopedHome() : oldHome_(qgetenv("HOME")), oldConfig_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("HOME", QByteArray::fromStdString(dir.path()));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.path() + "/.config"));
  }
  ~ScopedHome() {
    qputenv("HOME", oldHome_);
    if (oldConfig_.isEmpty())
      qunsetenv("XDG_CONFIG_HOME");
    else
      qputenv("XDG_CONFIG_HOME", oldConfig_);
  }
  TempDir dir;

 private:
  QByteArray oldHome_, oldConfig_;
};

// Runs the chooser once: the folder its dialog opened in, and the dialog handed to
// answer(), which accepts or rejects it.
std::string FolderTheDialogOpensIn(SaveFileChooser& chooser, const std::function<void(QFileDialog&)>& answer) {
  std::string folder;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dlg || !dlg->isVisible()) return;
    poll.stop();
    folder = dlg->directory().absolutePath().toStdString();
    answer(*dlg);
  });
  poll.start(20);
  SaveDialogOptions o{"Export to TXT File", "TXT files (*.csv)", "PT_2024_03_15_14_05_09"};
  chooser.Execute(o);
  return folder;
}

TEST(SaveDialogFolder, DocumentsFirstThenTheFolderLastUsed) {
  ScopedHome home;
  const std::string documents = home.dir.path() + "/Documents";
  const std::string elsewhere = home.dir.path() + "/exports";
  fs::create_directories(documents);
  fs::create_directories(elsewhere);
  QWidget owner;
  auto chooser = MakeQtSaveFileChooser(&owner);
  // The first dialog opens in the documents folder, not where the program runs.
  EXPECT_EQ(FolderTheDialogOpensIn(*chooser,
                                   [&](QFileDialog& d) {
                                     d.setDirectory(QString::fromStdString(elsewhere));
                                     d.selectFile("PT_first.csv");
                                     static_cast<QDialog&>(d).accept();  // QFileDialog hides it
                                   }),
            documents);
  // Then where the last file went, also after a cancelled dialog.
  EXPECT_EQ(FolderTheDialogOpensIn(*chooser, [](QFileDialog& d) { d.reject(); }), elsewhere);
  EXPECT_EQ(FolderTheDialogOpensIn(*chooser, [](QFileDialog& d) { d.reject(); }), elsewhere);
}

TEST(SaveDialogFolder, HomeWhenThereIsNoDocumentsFolder) {
  ScopedHome home;
  QWidget owner;
  auto chooser = MakeQtSaveFileChooser(&owner);
  EXPECT_EQ(FolderTheDialogOpensIn(*chooser, [](QFileDialog& d) { d.reject(); }), home.dir.path());
}

}  // namespace
}  // namespace movra::test
