// The data module's start-up: each stage of OpenDatabase and its messages, the settings
// row, and the process-wide date and time formats.
#include <gtest/gtest.h>

#include <ostream>
#include <unistd.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#endif

#include "app/config.h"
#include "app/folders.h"
#include "app/format_settings.h"
#include "app/language.h"
#include "app/trace.h"
#include "data/connection.h"
#include "data/data_module.h"
#include "data/operator_record.h"
#include "data_fixture.h"
#include "recording_presenter.h"

namespace movra::test {
namespace {

struct StepCase {
  const char* what;
  DatabaseOptions options;
  int step;
  const char* reason;
};
void PrintTo(const StepCase& c, std::ostream* os) { *os << c.what; }

DatabaseOptions withoutTable(const char* t) {
  DatabaseOptions o;
  o.omitTables.insert(t);
  return o;
}
DatabaseOptions withoutColumn(const char* t, const char* c) {
  DatabaseOptions o;
  o.omitColumns[t].insert(c);
  return o;
}
DatabaseOptions withPassword(const char* p) {
  DatabaseOptions o;
  o.password = p;
  return o;
}

class ConnectSteps : public ::testing::TestWithParam<StepCase> {};

TEST_P(ConnectSteps, NameTheStageThatFailed) {
  const StepCase& c = GetParam();
  DataFolder folder(c.options);
  ScopedPresenter dialogs;
  TDM dm;
  StepResult opened = dm.OpenDatabase(folder.dataFile());
  EXPECT_FALSE(opened);
  EXPECT_EQ(dm.ConnectStep(), c.step);
  EXPECT_EQ(opened.failure.text, "Can't Connect To the Database\r\nDataFile : " + folder.dataFile() + "\r\n" +
                                     c.reason + "\r\nStep : " + std::to_string(c.step));
  EXPECT_EQ(opened.failure.caption, "Error");
  EXPECT_EQ(opened.failure.icon, NoticeIcon::Warning);
}

INSTANTIATE_TEST_SUITE_P(
    OpenDatabase, ConnectSteps,
    ::testing::Values(
        StepCase{"wrong password", withPassword("7315KRTsleb"), 0, "file is encrypted or is not a database"},
        StepCase{"no Patient_info", withoutTable("Patient_info"), 1, "no such table: Patient_info"},
        StepCase{"Patient_info without a column", withoutColumn("Patient_info", "fLast_transfer_meter"), 1,
                 "qryCheckData: Field 'fLast_transfer_meter' not found"},
        StepCase{"no Result_Log", withoutTable("Result_Log"), 2, "no such table: Result_Log"},
        StepCase{"Result_Log without a column", withoutColumn("Result_Log", "fChecked"), 2,
                 "qryCheckDataEntry: Field 'fChecked' not found"},
        StepCase{"no Result_Log_His", withoutTable("Result_Log_His"), 3, "no such table: Result_Log_His"},
        StepCase{"Result_Log_His without a column", withoutColumn("Result_Log_His", "fControl_Flag"), 3,
                 "qryCheckDataEntryHis: Field 'fControl_Flag' not found"},
        StepCase{"no System_Info", withoutTable("System_Info"), 4, "no such table: System_Info"},
        StepCase{"System_Info without a column", withoutColumn("System_Info", "fAdminPassword"), 4,
                 "qrySystemInfo: Field 'fAdminPassword' not found"}),
    [](const ::testing::TestParamInfo<StepCase>& i) { return CaseName(i.param.what); });

TEST(OpenDatabase, AMissingFileIsReportedAndNothingIsTouched) {
  DataFolder folder(DatabaseOptions{}, /*makeDatabase=*/false);
  ScopedPresenter dialogs;
  TDM dm;
  StepResult opened = dm.OpenDatabase(folder.dataFile());
  EXPECT_FALSE(opened);
  EXPECT_EQ(opened.failure.text, "Database File" + folder.dataFile() + "Doesn't Exists!");
  EXPECT_EQ(opened.failure.caption, "Error");
  EXPECT_EQ(opened.failure.icon, NoticeIcon::Warning);
  EXPECT_NE(access(LockFilePathFor(folder.dataFile()).c_str(), F_OK), 0);
  EXPECT_NE(access(folder.dataFile().c_str(), F_OK), 0);
}

#ifndef _WIN32
// A file that cannot be looked at for a denied permission may well be there: the designed
// words are followed by the reason. Looked at by an unprivileged process of its own.
TEST(OpenDatabase, ADeniedPermissionIsToldBelowTheDesignedWords) {
  DataFolder folder;
  const std::string dataDir = DataRoot + "/Data";
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    std::string text = "(no box)";
    if (chmod(dataDir.c_str(), 0) == 0 && (geteuid() != 0 || seteuid(65534) == 0)) {
      TDM dm;
      StepResult opened = dm.OpenDatabase(folder.dataFile());
      if (!opened) text = opened.failure.text;
    }
    ssize_t written = write(fds[1], text.data(), text.size());
    _exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
  }
  close(fds[1]);
  std::string text;
  char buf[512];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  chmod(dataDir.c_str(), 0700);
  EXPECT_EQ(text, "Database File" + folder.dataFile() + "Doesn't Exists!\r\n" + kDatabaseFileNotReachable);
}
#endif

// A table page that start-up never reads (Result_Value_Status is declared, never opened).
TEST(OpenDatabase, ADamagedPageIsFoundReportedAndTheFileLeftAsItIs) {
  DataFolder folder;
  DamageTablePage(folder.dataFile(), "Result_Value_Status");
  const std::string before = ReadFileBytes(folder.dataFile());
  ScopedPresenter dialogs;
  {
    TDM dm;
    StepResult opened = dm.OpenDatabase(folder.dataFile());
    EXPECT_FALSE(opened);
    EXPECT_EQ(dm.ConnectStep(), 0);
    EXPECT_FALSE(dm.adoConn.connected());
    const std::string& told = opened.failure.text;
    const std::string head = "Can't Connect To the Database\r\nDataFile : " + folder.dataFile() + "\r\n";
    const std::string tail = std::string("\r\nStep : 0\r\n") + kDamagedDatabaseAdvice;
    EXPECT_EQ(told.rfind(head, 0), 0u) << told;
    ASSERT_GT(told.size(), head.size() + tail.size()) << "the reason is missing: " << told;
    EXPECT_EQ(told.substr(told.size() - tail.size()), tail) << told;
    EXPECT_EQ(opened.failure.caption, "Error");
  }
  EXPECT_EQ(ReadFileBytes(folder.dataFile()), before);
  EXPECT_NE(access(LockFilePathFor(folder.dataFile()).c_str(), F_OK), 0);
}

// What a download asks before it starts.
TEST(OpenDatabase, SaysWhetherTheFileCanBeWritten) {
  struct Case {
    const char* what;
    bool immutableFile;
    bool immutableFolder;
    bool writable;
  } cases[] = {
      {"an intact file", false, false, true},
      {"an immutable file", true, false, false},
      {"an immutable folder", false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DataFolder folder;
    ScopedPresenter dialogs;
    TDM dm;
    const std::string dataDir = DataRoot + "/Data";
    std::vector<std::string> protectedPaths;
    if (c.immutableFile) protectedPaths.push_back(folder.dataFile());
    auto unprotect = [&] {
      for (const auto& p : protectedPaths) SetImmutable(p, false);
    };
    if (c.immutableFile && !SetImmutable(folder.dataFile(), true)) GTEST_SKIP() << "no immutable files here";
    // The lock file is taken at open, so the folder is protected once the file is open.
    ASSERT_TRUE(dm.OpenDatabase(folder.dataFile()));
    if (c.immutableFolder) {
      if (!SetImmutable(dataDir, true)) GTEST_SKIP() << "no immutable folders here";
      protectedPaths.push_back(dataDir);
    }
    std::string why = dm.DatabaseWriteProblem();
    unprotect();
    EXPECT_EQ(why.empty(), c.writable) << why;
  }
}

TEST(OpenDatabase, ReadsTheSettingsRow) {
  DataFolder folder;
  {
    RawDb db(folder.dataFile());
    db.exec("UPDATE System_Info SET fUnit = 'sec', fUnitScale = 0.1, fCom = 'COM3', fDefaultMeterType = 'PT2', "
            "fDefaultDll = 'pt.dll', fDefaultUnit = 'INR', fDefaultHighValue = 35, fDefaultLowValue = 20, "
            "fDefaultHypoValue = -4, fLastUser = 7, fAdminPassword = 'secret'");
  }
  ScopedPresenter dialogs;
  TDM dm;
  ASSERT_TRUE(dm.OpenDatabase(folder.dataFile()));
  EXPECT_EQ(dm.ConnectStep(), 5);
  const TMeterSetting& m = GlobalOption.MeterSetting;
  EXPECT_EQ(m.Unit, "sec");
  EXPECT_EQ(m.UnitScale, static_cast<double>(0.1f));  // a single-precision setting
  EXPECT_EQ(m.Com, "COM3");
  EXPECT_EQ(m.DefaultMeterType, "PT2");
  EXPECT_EQ(m.DefaultDll, "pt.dll");
  EXPECT_EQ(m.DefaultUnit, "INR");
  EXPECT_EQ(m.DefaultHighValue, 35);
  EXPECT_EQ(m.DefaultLowValue, 20);
  EXPECT_EQ(m.DefaultHypoValue, -4);
  EXPECT_EQ(Operator.LastUser, 7);
  EXPECT_EQ(Operator.AdminPassword, "secret");
  EXPECT_TRUE(dm.qryCheckData.active());
  EXPECT_TRUE(dm.qryCheckDataEntry.active());
  EXPECT_TRUE(dm.qryCheckDataEntryHis.active());
  EXPECT_EQ(dm.qryCheckData.parameter("ProviderID").value, FieldValue(int64_t{-1000}));
}

TEST(OpenDatabase, AnEmptySettingsTableIsNoError) {
  DatabaseOptions noRow;
  noRow.systemInfoRow = false;
  DataFolder folder(noRow);
  GlobalOption.MeterSetting.Unit = "as before";
  GlobalOption.MeterSetting.DefaultHighValue = 99;
  ScopedPresenter dialogs;
  TDM dm;
  EXPECT_TRUE(dm.OpenDatabase(folder.dataFile()));
  EXPECT_EQ(GlobalOption.MeterSetting.Unit, "as before");
  EXPECT_EQ(GlobalOption.MeterSetting.DefaultHighValue, 99);
}

TEST(DataModule, StartsAndEndsWithTheLockFileAndTrace) {
  DataFolder folder;
  ScopedPresenter dialogs;
  const std::string lock = LockFilePathFor(folder.dataFile());
  {
    auto dm = CreateDataModule().dm;
    EXPECT_FALSE(dm->TerminateRequested());
    EXPECT_TRUE(TraceOpen());
    EXPECT_EQ(access(lock.c_str(), F_OK), 0);
    EXPECT_EQ(PrimaryLanguage(), 9);
  }
  EXPECT_FALSE(TraceOpen());
  EXPECT_NE(access(lock.c_str(), F_OK), 0);
}

TEST(DataModule, AsksToEndWhenTheDatabaseIsMissingAndStillFinishesStartUp) {
  DataFolder folder(DatabaseOptions{}, false);
  folder.dir().write("2052/MovraT.txt", "!LanguageID=2052\nPM=\xE4\xB8\x8B\xE5\x8D\x88\n");
  FormatSettings().TimePMString = "PM";
  ScopedPresenter dialogs;
  auto [dm, told] = CreateDataModule();
  EXPECT_TRUE(dm->TerminateRequested());
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].text.find("Doesn't Exists!"), std::string::npos) << told[0].text;
  // The language scan and the formats still ran.
  EXPECT_EQ(FormatSettings().TimePMString, "\xE4\xB8\x8B\xE5\x8D\x88");
}

TEST(DataModule, AsksToEndWhenTheTraceCannotBeOpened) {
  TempDir dir;
  PrepareFolders(dir.path());  // no Data folder: neither trace nor database
  ScopedPresenter dialogs;
  auto [dm, told] = CreateDataModule();
  EXPECT_TRUE(dm->TerminateRequested());
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[0].text.rfind("Can't open the file ", 0), 0u) << told[0].text;
  EXPECT_NE(told[1].text.find("Doesn't Exists!"), std::string::npos) << told[1].text;
}

TEST(FormatSettings, AreThoseOfTheProgramAfterStartUp) {
  DataFolder folder;
  TFormatSettings& fs = FormatSettings();
  fs.DateSeparator = '-';
  fs.ShortDateFormat = "yyyy-mm-dd";
  fs.TimeSeparator = '.';
  fs.LongTimeFormat = "hh.nn";
  fs.DecimalSeparator = ',';
  ScopedPresenter dialogs;
  auto dm = CreateDataModule().dm;

  auto t = StrToTime("14:05");
  ASSERT_TRUE(t.has_value());
  EXPECT_EQ(*t, *EncodeTime(14, 5, 0, 0));
  EXPECT_EQ(FormatDateTime("c", *EncodeDate(2024, 3, 15) + *EncodeTime(14, 5, 9, 0)), "03/15/2024 14:05:09");
  EXPECT_EQ(FormatDateTime("ddd dddd", *EncodeDate(2024, 3, 15)), "FRI Friday");
  EXPECT_EQ(fs.TimeAMString, "AM");
  EXPECT_EQ(fs.DecimalSeparator, ',');  // the user's own
}

TEST(FormatSettings, NamesComeFromTheInterfaceLanguage) {
  DataFolder folder;
  folder.dir().write("2052/MovraT.txt",
                     "\xEF\xBB\xBF!LanguageID=2052\nAM=\xE4\xB8\x8A\xE5\x8D\x88\nPM=\xE4\xB8\x8B\xE5\x8D\x88\n"
                     "Friday=\xE6\x98\x9F\xE6\x9C\x9F\xE4\xBA\x94\nFRI=\xE4\xBA\x94\nSUN=\n");
  ScopedPresenter dialogs;
  auto dm = CreateDataModule().dm;
  const TFormatSettings& fs = FormatSettings();
  EXPECT_EQ(fs.TimeAMString, "\xE4\xB8\x8A\xE5\x8D\x88");
  EXPECT_EQ(fs.TimePMString, "\xE4\xB8\x8B\xE5\x8D\x88");
  EXPECT_EQ(fs.LongDayNames[5], "\xE6\x98\x9F\xE6\x9C\x9F\xE4\xBA\x94");
  EXPECT_EQ(fs.ShortDayNames[5], "\xE4\xBA\x94");
  EXPECT_EQ(fs.ShortDayNames[0], "SUN");  // an empty translation shows the English name
  EXPECT_EQ(fs.LongDayNames[1], "Monday");
}

}  // namespace
}  // namespace movra::test
