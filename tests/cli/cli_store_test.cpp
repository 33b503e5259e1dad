// movra-cli download --store: the records go into the program folder's database as the
// window stores them, the result list is printed, the exports are the window's, and the
// database is held against a second copy.
#include <gtest/gtest.h>
#include <fcntl.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <algorithm>
#include <cstdlib>
#include <future>

#include "data_fixture.h"
#include "export/xls_workbook.h"
#include "program_folder.h"
#include "sim_process.h"

namespace movra::test {
namespace {

const char kSerial[] = "MV20240001X";

// The result list of tests/cli/data/store_records.txt: 03:15 PM is stored as 15:15; 7.5
// and 12.5 are above range and 0.7 (single precision) below; caltype 0 is a blank, shown
// as no sample type; 12.5 gives PT 128.
const std::vector<std::string> kStoredList = {
    "12\t345\tYY-MM-DD\t03/15/2024 15:15:00\t15:15\tPM\t2.5\t2.5\t26\tEC\tLevel 1\tMV20240001X\t1",
    "13\t00\tYY-MM-DD\t03/16/2024 14:05:00\t14:05\t\t7.5\tINR ↑\t77\tDownloaded Sample\tLevel2(EC Only)\tMV20240001X\t1",
    "14\t\tYY-MM-DD\t03/17/2024 09:30:00\t09:30\tAM\t0.699999988079071\tINR ↓\t7\t\tUnknown\tMV20240001X\t1",
    "0\t7\tYY-MM-DD\t03/18/2024 23:59:00\t23:59\t\t12.5\tINR ↑\t128\tCS\tLevel 1\tMV20240001X\t1",
};

class CliStore : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(folder.setupError(), "");
    setenv("MOVRA_DEVICE_ROOT", root.path().c_str(), 1);
  }
  void TearDown() override { unsetenv("MOVRA_DEVICE_ROOT"); }

  // The meter as COM1 under the device root.
  void PlugMeter(std::vector<std::string> args) {
    args.insert(args.end(), {"--device-root", root.path(), "--serial", kSerial});
    ASSERT_TRUE(sim.start(args)) << sim.lastError();
  }
  void PlugStoreRecords() {
    PlugMeter({"--records", SourceDir() + "/tests/cli/data/store_records.txt", "--no-pace"});
  }
  ProcessResult Store(std::vector<std::string> more = {}) {
    std::vector<std::string> args{"download", "--port", "COM1", "--store"};
    args.insert(args.end(), more.begin(), more.end());
    return folder.run(args);
  }
  std::vector<std::string> StoredNumbers() {
    std::vector<std::string> numbers;
    for (const StoredRow& r : folder.storedRows()) numbers.push_back(r.recordNumber);
    return numbers;
  }

  TempDir root;
  TempDir out;
  ProgramFolder folder;
  SimProcess sim;
};

TEST_F(CliStore, StoresAsTheTransferRunsThenPrintsTheResultList) {
  PlugStoreRecords();
  ProcessResult r = Store();
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");

  // One progress line per announced record; the last one counts them all. The expected
  // count is the number of the transfer's first record, as the window shows it.
  std::vector<std::string> progress = ProgressLines(r.out);
  ASSERT_EQ(progress.size(), 4u) << r.out;
  for (const std::string& line : progress) EXPECT_EQ(line.rfind("Reading MV20240001X(COM 1):  ", 0), 0u) << line;
  EXPECT_EQ(progress.back(), "Reading MV20240001X(COM 1):  4 / 12");
  EXPECT_EQ(ListLines(r.out), kStoredList);

  std::vector<StoredRow> rows = folder.storedRows();
  ASSERT_EQ(rows.size(), 4u);
  for (const StoredRow& row : rows) {
    EXPECT_EQ(row.serialNumber, kSerial);
    EXPECT_EQ(row.patientId, -1000);
    EXPECT_TRUE(row.checked);
  }
  EXPECT_EQ(StoredNumbers(), AckedNumbers(sim.journalLines()));
  EXPECT_EQ(StoredNumbers(), (std::vector<std::string>{"12", "13", "14", "0"}));
}

TEST_F(CliStore, StoresEachRecordOnceWithOrWithoutClearing) {
  PlugStoreRecords();
  // A record the table holds already (same meter, number, date and time) is not stored
  // again; it is listed, so each run's list holds the meter's records.
  const std::vector<std::string> once = {"12", "13", "14", "0"};
  struct Run {
    std::vector<std::string> options;
    std::vector<std::string> storedAfter;
  } runs[] = {{{}, once}, {{}, once}, {{"--clear"}, once}};
  for (const Run& run : runs) {
    ProcessResult r = Store(run.options);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ListLines(r.out), kStoredList);
    EXPECT_EQ(StoredNumbers(), run.storedAfter);
  }
}

std::string CellText(const XlsWorkbook& book, uint32_t row, uint16_t col) {
  auto cell = book.cell("Sheet1", row, col);
  return cell ? cell->text : std::string();
}

TEST_F(CliStore, ExportsTheTickedRowsAsTheWindowDoes) {
  PlugStoreRecords();
  ProcessResult r = Store({"--csv", out.file("report"), "--xls", out.file("report.xls")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "Message: Export to CSV finished!\nMessage: Export to Excel finished!\n");

  // ".csv" is appended to the name given; nothing is written under the name itself.
  struct stat st {};
  EXPECT_NE(stat(out.file("report").c_str(), &st), 0);
  EXPECT_EQ(ReadFileBytes(out.file("report.csv")),
            "Test Record Number,PatientID,DATE FORMAT,DATE,TIME,INR,PT,SAMPLE TYPE,Serial Number\r\n"
            "12,345,YY-MM-DD, 24-03-15 , 15:15 , 2.5 , 26 ,EC,MV20240001X\r\n"
            "13,00,YY-MM-DD, 24-03-16 , 14:05 ,INR ↑,INR ↑,Downloaded Sample,MV20240001X\r\n"
            "14,,YY-MM-DD, 24-03-17 , 09:30 ,INR ↓,INR ↓,,MV20240001X\r\n"
            "00,7,YY-MM-DD, 24-03-18 , 23:59 ,INR ↑,INR ↑,CS,MV20240001X\r\n");

  XlsWorkbook book = XlsWorkbook::open(out.file("report.xls"));
  EXPECT_EQ(book.rows("Sheet1"), (std::vector<uint32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(CellText(book, 0, 0), "Test Record Number");  // the template's own title row
  const std::vector<std::vector<std::string>> cells = {
      {"12", "345", "YY-MM-DD", " 24-03-15 ", " 15:15 ", "2.5", "26", "EC", kSerial},
      {"13", "00", "YY-MM-DD", " 24-03-16 ", " 14:05 ", "INR ↑", "INR ↑", "Downloaded Sample", kSerial},
      {"14", "", "YY-MM-DD", " 24-03-17 ", " 09:30 ", "INR ↓", "INR ↓", "", kSerial},
      {"00", "7", "YY-MM-DD", " 24-03-18 ", " 23:59 ", "INR ↑", "INR ↑", "CS", kSerial},
  };
  for (uint32_t row = 1; row <= cells.size(); ++row) {
    for (uint16_t col = 0; col < 9; ++col)
      EXPECT_EQ(CellText(book, row, col), cells[row - 1][col]) << "row " << row << " column " << col;
    for (uint16_t col : {2, 3}) {
      auto cell = book.cell("Sheet1", row, col);
      ASSERT_TRUE(cell);
      EXPECT_EQ(book.alignment(cell->xf), HorizontalAlign::Centre) << "row " << row << " column " << col;
    }
  }
}

TEST_F(CliStore, ExportWithNoRowIsRefusedAndWritesNoFile) {
  PlugMeter({"--generate", "0", "--no-pace"});
  ProcessResult r = Store({"--csv", out.file("empty"), "--xls", out.file("empty.xls")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Message: No Records!\n");
  EXPECT_EQ(r.out, "");
  struct stat st {};
  EXPECT_NE(stat(out.file("empty.csv").c_str(), &st), 0);
  EXPECT_NE(stat(out.file("empty.xls").c_str(), &st), 0);
}

// The export file is the name with its extension added unless typed; a target that is no
// regular file is refused without being opened, and the records stay stored.
struct CliTarget {
  const char* name;
  const char* option;
  const char* typed;
  bool fifoAtTarget;
  const char* written;  // "" when nothing may be written
  int exitCode;
};

const CliTarget kCliTargets[] = {
    {"CsvGetsItsExtension", "--csv", "weekly", false, "weekly.csv", 0},
    {"CsvTypedWithItsExtension", "--csv", "weekly.CSV", false, "weekly.CSV", 0},
    {"WorkbookGetsItsExtension", "--xls", "inr-results", false, "inr-results.xls", 0},
    {"CsvOntoAPipe", "--csv", "weekly", true, "", 1},
    {"WorkbookOntoAPipe", "--xls", "inr-results", true, "", 1},
};

class CliExportTarget : public CliStore, public ::testing::WithParamInterface<CliTarget> {};

TEST_P(CliExportTarget, WritesTheNameWithItsExtensionAndRefusesSpecialFiles) {
  const CliTarget& c = GetParam();
  std::string withExt = std::string(c.typed) + (std::string(c.option) == "--csv" ? ".csv" : ".xls");
  if (c.fifoAtTarget) {
    ASSERT_EQ(mkfifo(out.file(withExt).c_str(), 0600), 0) << std::strerror(errno);
  }
  PlugStoreRecords();
  ProcessResult r = Store({c.option, out.file(c.typed)});
  EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
  EXPECT_EQ(StoredNumbers().size(), 4u);
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(out.path())) {
    if (e.is_regular_file()) files.push_back(e.path().filename().string());
  }
  if (*c.written) {
    EXPECT_EQ(files, (std::vector<std::string>{c.written}));
  } else {
    EXPECT_TRUE(files.empty());
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, CliExportTarget, ::testing::ValuesIn(kCliTargets),
                         [](const ::testing::TestParamInfo<CliTarget>& i) { return std::string(i.param.name); });

TEST_F(CliStore, SecondCopyIsRefusedWhileTheFirstHoldsTheDatabase) {
  // Paced at the line speed, so the first copy is still storing when the second starts.
  PlugMeter({"--generate", "30"});
  auto first = std::async(std::launch::async, [this] { return Store(); });
  ASSERT_TRUE(sim.waitForJournal("ack 1", 20000));

  ProcessResult second = Store();
  EXPECT_EQ(second.exitCode, 4);
  EXPECT_EQ(second.err, "warning: The program is being run by another user,please check it!\n");
  EXPECT_EQ(second.out, "");

  ProcessResult r = first.get();
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ListLines(r.out).size(), 30u);
  EXPECT_EQ(StoredNumbers(), AckedNumbers(sim.journalLines()));
  EXPECT_EQ(StoredNumbers().size(), 30u);
  // The second copy never reached the port.
  EXPECT_EQ(sim.countJournal("open 4800"), 1);
}

// Storing rules met on the way in: what is acknowledged but cannot be stored as it came,
// and what the list and the export must still hold one line per row for.
struct StoringRule {
  const char* name;
  std::vector<std::string> simArgs;  // besides the device root
  std::vector<std::string> stored;
  std::string storedSerial;
  std::string traceLine;  // a line the trace must hold
  std::string refusedMessage = {};  // stderr before the export's message: records not stored
};
void PrintTo(const StoringRule& r, std::ostream* os) { *os << r.name; }

const StoringRule kStoringRules[] = {
    // Hour 24 and minute 60: no time of day, so no row that every export would stop at.
    {"ImpossibleTimes",
     {"--records", "impossible_time.txt", "--no-pace", "--serial", kSerial},
     {"1", "4"},
     kSerial,
     "Save Error: wrong time , should hh:nn 10:60",
     "Message: 2 records from the meter were not stored: their date, time or INR value is not valid. The meter "
     "still holds them; show the meter to your clinic.\n"},
    // No calendar date (29 February 2100, month 0, 30 February) or an INR that is no
    // number: acknowledged, traced, counted and told; a huge INR and two patients' results
    // of one minute are stored.
    {"RecordsThatAreNoResults",
     {"--records", "not_results.txt", "--no-pace", "--serial", kSerial},
     {"6", "7", "7"},
     kSerial,
     "Save Error: wrong datetime , should yyyy-mm-dd 2100-02-29",
     "Message: 3 records from the meter were not stored: their date, time or INR value is not valid. The meter "
     "still holds them; show the meter to your clinic.\n"},
    // Line feed, tab, escape, DEL: none may break a line of the list or a file.
    {"ControlBytesInTheSerialNumber",
     {"--generate", "3", "--no-pace", "--serial", "M\n\t\x01\x1B\x7F" "00001"},
     {"3", "2", "1"},
     "M?????00001",
     ""},
};

class CliStoringRule : public CliStore, public ::testing::WithParamInterface<StoringRule> {};

TEST_P(CliStoringRule, StoresWhatCanBeExportedOneLineARow) {
  const StoringRule& rule = GetParam();
  std::vector<std::string> args = rule.simArgs;
  auto records = std::find(args.begin(), args.end(), "--records");
  if (records != args.end()) *(records + 1) = SourceDir() + "/tests/cli/data/" + *(records + 1);
  args.insert(args.end(), {"--device-root", root.path()});
  ASSERT_TRUE(sim.start(args)) << sim.lastError();

  ProcessResult r = Store({"--csv", out.file("rows")});
  // What can be stored is stored and exported all the same; refused records fail the run.
  ASSERT_EQ(r.exitCode, rule.refusedMessage.empty() ? 0 : 1) << r.err;
  EXPECT_EQ(r.err, rule.refusedMessage + "Message: Export to CSV finished!\n");
  EXPECT_EQ(StoredNumbers(), rule.stored);
  for (const StoredRow& row : folder.storedRows()) EXPECT_EQ(row.serialNumber, rule.storedSerial);

  std::vector<std::string> list = ListLines(r.out);
  ASSERT_EQ(list.size(), rule.stored.size()) << r.out;
  for (const std::string& line : list) EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 12) << line;
  std::string csv = ReadFileBytes(out.file("rows.csv"));
  EXPECT_EQ(static_cast<size_t>(std::count(csv.begin(), csv.end(), '\n')), rule.stored.size() + 1) << csv;
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\r'), std::count(csv.begin(), csv.end(), '\n')) << csv;
  if (!rule.traceLine.empty()) {
    EXPECT_NE(ReadFileBytes(folder.tracePath()).find(rule.traceLine), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Rules, CliStoringRule, ::testing::ValuesIn(kStoringRules),
                         [](const ::testing::TestParamInfo<StoringRule>& i) { return std::string(i.param.name); });

// The data folder on a small file system of its own, to be filled up.
class SmallDataDisk {
 public:
  explicit SmallDataDisk(const std::string& dir) : dir_(dir) {
    if (mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=300k") != 0) {
      why_ = std::string("mount: ") + std::strerror(errno);
      return;
    }
    mounted_ = true;
  }
  ~SmallDataDisk() {
    if (mounted_) umount2(dir_.c_str(), MNT_DETACH);
  }
  const std::string& whyNot() const { return why_; }
  // Fills the disk until only about `bytes` are free.
  void leaveFree(size_t bytes) {
    struct statvfs fsInfo {};
    statvfs(dir_.c_str(), &fsInfo);
    const size_t free = static_cast<size_t>(fsInfo.f_bavail) * fsInfo.f_frsize;
    if (free > bytes) std::ofstream(dir_ + "/filler", std::ios::binary) << std::string(free - bytes, 'x');
  }

 private:
  std::string dir_;
  bool mounted_ = false;
  std::string why_;
};

TEST_F(CliStore, FullDiskSaysOnceHowManyRecordsWereNotSavedAndStillListsAndExportsThem) {
  const std::string dataDir = folder.path("PTDATA/Data");
  const std::string database = ReadFileBytes(folder.databasePath());
  SmallDataDisk disk(dataDir);
  if (!disk.whyNot().empty()) GTEST_SKIP() << "no small file system for the data folder: " << disk.whyNot();
  { std::ofstream(folder.databasePath(), std::ios::binary) << database; }
  // The trace has room kept for it before the disk fills (a link to a disk with room would
  // not be followed): each record it could not take would be a box of its own.
  {
    int fd = open(folder.tracePath().c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    int kept = fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, 96 * 1024);
    int err = errno;
    close(fd);
    ASSERT_EQ(kept, 0) << std::strerror(err);
  }
  // Room for the first records and their log lines, not for 200.
  disk.leaveFree(48 * 1024);
  PlugMeter({"--generate", "200", "--no-pace"});

  ProcessResult r = Store({"--csv", out.file("all")});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  const std::vector<std::string> acked = AckedNumbers(sim.journalLines());
  ASSERT_EQ(acked.size(), 200u);
  const size_t stored = folder.storedRows().size();
  ASSERT_LT(stored, 200u) << "the disk did not fill up";

  // One message for the whole download: the reason, then how many records the file lacks.
  std::vector<std::string> err = Lines(r.err);
  ASSERT_EQ(err.size(), 3u) << r.err;
  EXPECT_EQ(err[0].rfind("Error: ", 0), 0u) << r.err;
  EXPECT_EQ(err[1], "Records that could not be saved (they are still in the meter): " + std::to_string(200 - stored));
  EXPECT_EQ(err[2], "Message: Export to CSV finished!");
  // Every acknowledged record is listed and exported to a disk with room.
  EXPECT_EQ(ListLines(r.out).size(), 200u);
  std::string csv = ReadFileBytes(out.file("all.csv"));
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 201);
}

TEST_F(CliStore, DatabaseThatCannotBeWrittenRefusesTheDownloadBeforeThePort) {
  PlugStoreRecords();
  if (!SetImmutable(folder.databasePath(), true)) GTEST_SKIP() << "no immutable files here";
  ProcessResult r = Store();
  SetImmutable(folder.databasePath(), false);
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Error: The database cannot be written, so nothing could be stored. The download is not started.\n" +
                       folder.databasePath() + "\nOperation not permitted\n");
  EXPECT_EQ(sim.countJournal("open 4800"), 0);
  EXPECT_TRUE(folder.storedRows().empty());
}

TEST(CliStoreDatabase, MissingOrBrokenDatabaseStopsBeforeThePort) {
  struct Case {
    const char* name;
    FolderParts parts;
    const char* databaseBytes;  // written in place of the database when set
    std::vector<std::string> errLines;  // with <db> and <dir> for the paths
  } cases[] = {
      {"no data folder",
       {false, false},
       nullptr,
       {"Error: Can't open the file <dir>/MovraT.dbg\r\nNo such file or directory",
        "Error: Database File<db>Doesn't Exists!"}},
      {"no database", {true, false}, nullptr, {"Error: Database File<db>Doesn't Exists!"}},
      {"not a database",
       {true, false},
       "these bytes are no database",
       {"Error: Can't Connect To the Database\r\nDataFile : <db>\r\nfile is encrypted or is not a database\r\nStep : 0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramFolder folder(c.parts);
    ASSERT_EQ(folder.setupError(), "");
    if (c.databaseBytes) {
      std::FILE* f = std::fopen(folder.databasePath().c_str(), "wb");
      ASSERT_TRUE(f);
      std::fputs(c.databaseBytes, f);
      std::fclose(f);
    }
    // A port that cannot be opened: reaching it would end with exit code 3.
    ProcessResult r = folder.run({"download", "--port", "/nonexistent/ttyUSB9", "--store"}, 30000);
    EXPECT_EQ(r.exitCode, 4) << r.err;
    EXPECT_EQ(r.out, "");
    std::string expected;
    for (std::string line : c.errLines) {
      for (auto [mark, value] : {std::pair<std::string, std::string>{"<db>", folder.databasePath()},
                                 {"<dir>", folder.path("PTDATA/Data")}})
        if (size_t at = line.find(mark); at != std::string::npos) line.replace(at, mark.size(), value);
      expected += line + "\n";
    }
    EXPECT_EQ(r.err, expected);
    if (c.databaseBytes) {
      EXPECT_EQ(ReadFileBytes(folder.databasePath()), c.databaseBytes);
    }
  }
}

TEST(CliStoreDatabase, StoreOptionsNeedStore) {
  ProgramFolder folder({false, false});
  for (std::vector<std::string> extra : {std::vector<std::string>{"--clear"}, {"--csv", "x"}, {"--xls", "x.xls"}}) {
    std::vector<std::string> args{"download", "--port", "COM1"};
    args.insert(args.end(), extra.begin(), extra.end());
    ProcessResult r = folder.run(args, 10000);
    EXPECT_EQ(r.exitCode, 2) << extra[0];
    EXPECT_NE(r.err.find(extra[0] + " needs --store"), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace movra::test
