// movra-cli download --store: the records go into the program folder's database as the
// window stores them, the result list is printed, the exports are the window's, and the
// database is held against a second copy.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <future>

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

TEST_F(CliStore, AddsToTheTableUnlessToldToClearIt) {
  PlugStoreRecords();
  // Each run's list holds its own rows: rows stored earlier are not in the list at start.
  const std::vector<std::string> once = {"12", "13", "14", "0"};
  std::vector<std::string> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  struct Run {
    std::vector<std::string> options;
    std::vector<std::string> storedAfter;
  } runs[] = {{{}, once}, {{}, twice}, {{"--clear"}, once}};
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
