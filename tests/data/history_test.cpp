// The history over real encrypted files: every stored result kept once by its identity
// (without the record number), the schema version and its migration, Clear Data leaving the
// history alone, the patients and their meters, and a backup taken while another process
// writes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <ostream>

#include "app/trace.h"
#include "data/data_module.h"
#include "data/database_backup.h"
#include "data/history_schema.h"
#include "data/inr_result_conversion.h"
#include "data/record_store.h"
#include "data/sql_history_store.h"
#include "data_fixture.h"
#include "history_fixture.h"
#include "recording_presenter.h"

namespace movra::test {
namespace {

struct TestRecord {
  const char* serial;
  const char* patient;
  int day;
  int hour;
  double inr;
  const char* recordNumber;
  const char* sampleType = "Finger";
};

InrResult Result(const TestRecord& t) {
  return MeterResult(t.serial, t.patient, t.day, t.hour, t.inr, t.recordNumber, t.sampleType);
}

std::vector<InrResult> Batch(const std::vector<TestRecord>& tests) {
  std::vector<InrResult> out;
  for (const TestRecord& t : tests) out.push_back(Result(t));
  return out;
}

std::vector<std::string> Keys(const std::vector<HistoryEntry>& entries) {
  std::vector<std::string> keys;
  for (const HistoryEntry& e : entries)
    keys.push_back(e.result.serialNumber + "/" + e.result.patientId + " " + e.result.dateText + " " +
                   e.result.timeText + " " + e.result.inrText);
  return keys;
}

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A program folder with its database open as at start-up, the store a download uses, and
// the history over the same connection.
class History : public ::testing::Test, protected OpenHistory {
 protected:
  void SetUp() override { ASSERT_TRUE(opened); }
  // One download as the window makes it: the list emptied, the meter's records stored.
  void Download(const std::vector<TestRecord>& tests) {
    records.ClearData();
    records.StoreResults(Batch(tests));
    ASSERT_EQ(records.LastWriteError(), "");
  }
};

struct IdentityCase {
  const char* what;
  std::vector<std::vector<TestRecord>> downloads;
  std::vector<std::string> kept;  // oldest first
};
std::ostream& operator<<(std::ostream& os, const IdentityCase& c) { return os << c.what; }

class KeepingResults : public History, public ::testing::WithParamInterface<IdentityCase> {};

TEST_P(KeepingResults, KeepsEachResultOnce) {
  for (const auto& d : GetParam().downloads) Download(d);
  EXPECT_EQ(Keys(history.Read({})), GetParam().kept);
}

const std::vector<TestRecord> kMeterA = {{"SN01", "345", 10, 8, 2.4, "1"}, {"SN01", "345", 11, 9, 2.6, "2"}};

INSTANTIATE_TEST_SUITE_P(
    Table, KeepingResults,
    ::testing::Values(
        IdentityCase{"the same meter twice",
                     {kMeterA, kMeterA},
                     {"SN01/345 2024-03-10 08:30 2.4", "SN01/345 2024-03-11 09:30 2.6"}},
        // A replaced meter still holds the patient's older results beside the new one's.
        IdentityCase{"two meters with overlapping memories",
                     {kMeterA, {{"SN02", "345", 11, 9, 2.6, "7"}, {"SN02", "345", 12, 9, 2.9, "8"}}, kMeterA},
                     {"SN01/345 2024-03-10 08:30 2.4", "SN01/345 2024-03-11 09:30 2.6",
                      "SN02/345 2024-03-11 09:30 2.6", "SN02/345 2024-03-12 09:30 2.9"}},
        // Record number 255 is followed by 0: the same result renumbered stays one, and a new
        // result under an old number is a result of its own.
        IdentityCase{"wrapped record numbers",
                     {{{"SN01", "345", 10, 8, 2.4, "255"}}, {{"SN01", "345", 10, 8, 2.4, "3"}, {"SN01", "345", 12, 8, 3.1, "255"}}},
                     {"SN01/345 2024-03-10 08:30 2.4", "SN01/345 2024-03-12 08:30 3.1"}},
        IdentityCase{"two patients of one minute and a control",
                     {{{"SN01", "345", 10, 8, 2.4, "1"}, {"SN01", "346", 10, 8, 2.4, "2"}, {"SN01", "345", 10, 8, 2.4, "3", "EC"}}},
                     {"SN01/345 2024-03-10 08:30 2.4", "SN01/346 2024-03-10 08:30 2.4",
                      "SN01/345 2024-03-10 08:30 2.4"}},
        IdentityCase{"serial numbers differing in case are two meters",
                     {{{"SN01", "345", 10, 8, 2.4, "1"}}, {{"sn01", "345", 10, 8, 2.4, "1"}}},
                     {"SN01/345 2024-03-10 08:30 2.4", "sn01/345 2024-03-10 08:30 2.4"}}),
    [](const auto& info) { return CaseName(info.param.what); });

TEST_F(History, ADeletedResultStaysDeletedWhenItsMeterIsReadAgain) {
  Download(kMeterA);
  std::vector<HistoryEntry> kept = history.Read({});
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(history.Delete({kept[0].id, kept[0].id, 9999}), 1);
  Download(kMeterA);
  EXPECT_EQ(Keys(history.Read({})), (std::vector<std::string>{"SN01/345 2024-03-11 09:30 2.6"}));
  // The list still shows what the meter gave.
  EXPECT_EQ(RawDb(folder.dataFile()).count("Result_Log"), 2);
}

TEST_F(History, ClearDataEmptiesTheListAlone) {
  Download(kMeterA);
  records.ClearData();
  RawDb raw(folder.dataFile());
  EXPECT_EQ(raw.count("Result_Log"), 0);
  EXPECT_EQ(history.Read({}).size(), 2u);
}

TEST_F(History, ReadsPairsAndWholeDaysOldestFirst) {
  Download({{"SN01", "345", 12, 23, 2.0, "1"}, {"SN01", "345", 10, 0, 2.1, "2"}, {"SN01", "346", 11, 9, 2.2, "3"},
            {"SN02", "345", 11, 9, 2.3, "1"}, {"SN01", "345", 13, 0, 2.4, "4"}});
  HistoryQuery q;
  q.meters = {{"SN01", "345"}, {"SN02", "345"}};
  q.firstDay = *EncodeDate(2024, 3, 10) + 0.75;  // the whole first day counts
  q.lastDay = *EncodeDate(2024, 3, 12);
  EXPECT_EQ(Keys(history.Read(q)), (std::vector<std::string>{"SN01/345 2024-03-10 00:30 2.1",
                                                            "SN02/345 2024-03-11 09:30 2.3",
                                                            "SN01/345 2024-03-12 23:30 2.0"}));
}

TEST_F(History, APairMovesToAnotherPatientAndOneLeftWithoutPairsGoes) {
  Download({{"SN01", "345", 10, 8, 2.4, "1"}, {"SN02", "345", 12, 8, 3.5, "1"}, {"SN03", "1", 11, 8, 1.9, "1"},
            {"SN03", "1", 11, 9, 2.0, "2", "EC"}});
  Patient anna;
  anna.name = "Anna Berg";
  anna.born = *EncodeDate(1950, 4, 2);
  anna.range = TenthsRange{25, 35};
  anna.meters = {{"SN01", "345"}, {"SN02", "345"}};
  anna.id = history.SavePatient(anna);
  EXPECT_GT(anna.id, 0);

  Patient got = history.PatientOf({"SN02", "345"});
  EXPECT_EQ(got.id, anna.id);
  EXPECT_EQ(got.name, "Anna Berg");
  EXPECT_EQ(got.born, anna.born);
  EXPECT_EQ(got.range, anna.range);
  EXPECT_EQ(got.meters, anna.meters);
  // The designed standing query reads the same row.
  RawDb raw(folder.dataFile());
  EXPECT_EQ(raw.scalar("SELECT fTarget_lo || '-' || fTarget_hi FROM Patient_info WHERE fProviderID = -1000"),
            FieldValue{std::string("25-35")});

  std::vector<PatientSummary> listed = history.Patients();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].patient.name, "Anna Berg");
  EXPECT_EQ(listed[0].results, 2);
  ASSERT_TRUE(listed[0].lastResult);
  EXPECT_EQ(listed[0].lastResult->inrText, "3.5");
  EXPECT_EQ(listed[1].patient.id, 0);  // the unnamed pair, its control not counted
  EXPECT_EQ(listed[1].patient.meters, (std::vector<MeterPatient>{{"SN03", "1"}}));
  EXPECT_EQ(listed[1].results, 1);
  EXPECT_EQ(MeterPatientName(listed[1].patient.meters[0]), "SN03 / 1");

  // SN02's patient ID goes to a new patient; Anna keeps SN01.
  Patient ben;
  ben.name = "Ben";
  ben.meters = {{"SN02", "345"}};
  ben.id = history.SavePatient(ben);
  EXPECT_NE(ben.id, anna.id);
  EXPECT_EQ(history.PatientOf({"SN01", "345"}).meters, (std::vector<MeterPatient>{{"SN01", "345"}}));
  EXPECT_EQ(history.PatientOf({"SN02", "345"}).name, "Ben");

  // Ben takes SN01 as well: Anna has no pair left and is gone.
  ben.meters = {{"SN01", "345"}, {"SN02", "345"}};
  history.SavePatient(ben);
  EXPECT_EQ(raw.count("Patient_info"), 1);
  listed = history.Patients();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].patient.name, "Ben");
  EXPECT_EQ(listed[0].results, 2);

  Patient nobody;
  EXPECT_THROW(history.SavePatient(nobody), DbError);
}

// Opening a file of each version: what the open says and what the file is afterwards.
struct MigrationCase {
  const char* what;
  int version;              // the file's PRAGMA user_version
  const char* extraSql;     // run on the file before the open
  bool opens;
  const char* told;         // part of the failure, when it fails
};
std::ostream& operator<<(std::ostream& os, const MigrationCase& c) { return os << c.what; }

class OpeningAVersion : public ::testing::TestWithParam<MigrationCase> {
 protected:
  ~OpeningAVersion() override { CloseTrace(); }
};

TEST_P(OpeningAVersion, MigratesOrLeavesTheFileAsItWas) {
  const MigrationCase& c = GetParam();
  DatabaseOptions designed;
  designed.schemaVersion = 0;
  DataFolder folder(designed);
  {
    RawDb raw(folder.dataFile());
    raw.exec("INSERT INTO Result_Log (fSN, fINR_s, fDate, fMeterType) VALUES ('SN09', '2.2', 45000.5, '7')");
    raw.exec("PRAGMA user_version = " + std::to_string(c.version));
    if (*c.extraSql) raw.exec(c.extraSql);
  }
  const std::string before = Bytes(folder.dataFile());
  ScopedPresenter dialogs;
  TDM dm;
  ASSERT_TRUE(OpenTrace());
  StepResult opened = dm.OpenDatabase(folder.dataFile());
  EXPECT_EQ(bool(opened), c.opens);
  if (!c.opens) {
    EXPECT_NE(opened.failure.text.find(c.told), std::string::npos) << opened.failure.text;
    dm.DataModuleDestroy();
    EXPECT_EQ(Bytes(folder.dataFile()), before) << "the file was changed";
    return;
  }
  SqlHistoryStore history(dm);
  EXPECT_EQ(SchemaVersion(dm.adoConn.database()), kSchemaVersion);
  // The list is as it was; what a download stores from now on is kept.
  EXPECT_EQ(RawDb(folder.dataFile()).count("Result_Log"), 1);
  NullStoreUi ui;
  TRecordStore(dm, ui).StoreResults(Batch(kMeterA));
  EXPECT_EQ(history.Read({}).size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OpeningAVersion,
    ::testing::Values(MigrationCase{"the designed database", 0, "", true, ""},
                      MigrationCase{"a newer version", 7, "", false, kNewerDatabaseText},
                      MigrationCase{"the next version", kSchemaVersion + 1, "", false, kNewerDatabaseText},
                      // A table of that name in the way makes the step fail half-way.
                      MigrationCase{"a failed migration", 0, "CREATE TABLE Patient_Meter (x)", false,
                                    "could not be brought to version"}),
    [](const auto& info) { return CaseName(info.param.what); });

TEST(HistoryOfAReadOnlyFile, TheListOpensAndTheHistorySaysWhyItIsMissing) {
  DatabaseOptions designed;
  designed.schemaVersion = 0;
  DataFolder folder(designed);
  ASSERT_EQ(chmod(folder.dataFile().c_str(), 0400), 0);
  // Root writes through permission bits, not through the immutable attribute.
  if (geteuid() == 0 && !SetImmutable(folder.dataFile(), true)) GTEST_SKIP() << "no immutable attribute here";
  struct Mutable {
    std::string path;
    ~Mutable() { SetImmutable(path, false); }
  } restore{geteuid() == 0 ? folder.dataFile() : ""};
  const std::string before = Bytes(folder.dataFile());
  ScopedPresenter dialogs;
  {
    TDM dm;
    ASSERT_TRUE(OpenTrace());
    ASSERT_TRUE(dm.OpenDatabase(folder.dataFile()));
    SqlHistoryStore history(dm);
    try {
      history.Read({});
      ADD_FAILURE() << "read a history the file does not have";
    } catch (const DbError& e) {
      EXPECT_EQ(std::string(e.what()), kNoHistoryText);
    }
    dm.DataModuleDestroy();
  }
  EXPECT_EQ(Bytes(folder.dataFile()), before);
}

TEST(NewDatabase, IsMadeAtTheCurrentVersion) {
  DataFolder folder;
  RawDb raw(folder.dataFile());
  EXPECT_EQ(SchemaVersion(raw.db()), kSchemaVersion);
  EXPECT_EQ(raw.count("Result_History"), 0);
}

// A second process stores results in transactions of ten, as fast as a meter sends them, while the copy is made: the copy
// opens, passes the quick check, and holds every result committed before it began, the
// list and the history alike.
TEST(Backup, WhileAnotherProcessWritesGivesACopyWithEveryCommittedResult) {
  DataFolder folder;
  const std::string go = folder.exeDir() + "/writing";
  pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    try {
      SqlDatabase db;
      db.open(folder.dataFile(), kDatabasePassword);
      for (int batch = 0; batch < 200; ++batch) {
        db.exec("BEGIN IMMEDIATE");
        for (int i = 0; i < 10; ++i)
          db.exec("INSERT INTO Result_Log (fSN, fMeterType, fINR_s, fINR_v, fDate, fTime_String) VALUES ('SN01', '1', '2.5', "
                  "2.5, " + std::to_string(40000 + batch * 10 + i) + ", '08:30')");
        db.exec("COMMIT");
        usleep(3000);  // a download commits each record as it comes, never back to back
        if (batch == 5) std::fclose(std::fopen(go.c_str(), "w"));
      }
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  while (access(go.c_str(), F_OK) != 0) usleep(1000);
  int64_t committed = RawDb(folder.dataFile()).count("Result_History");
  const std::string copy = folder.exeDir() + "/backup.dat";
  BackupOutcome out = BackupDatabaseFile(folder.dataFile(), copy);
  int status = 0;
  waitpid(writer, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  ASSERT_TRUE(out.done) << out.error;
  EXPECT_GE(out.keptResults, committed);
  RawDb raw(copy);
  EXPECT_EQ(raw.db().quickCheck(), "ok");
  EXPECT_EQ(raw.count("Result_History"), out.keptResults);
  EXPECT_EQ(raw.count("Result_Log"), out.keptResults);  // one moment of the file: whole transactions
  EXPECT_EQ(out.keptResults % 10, 0);

  // Never over an existing file, the database itself least of all.
  const std::string original = Bytes(folder.dataFile());
  BackupOutcome onto = BackupDatabaseFile(folder.dataFile(), folder.dataFile());
  EXPECT_FALSE(onto.done);
  EXPECT_NE(onto.error.find("already exists"), std::string::npos);
  EXPECT_EQ(Bytes(folder.dataFile()), original);
}

}  // namespace
}  // namespace movra::test
