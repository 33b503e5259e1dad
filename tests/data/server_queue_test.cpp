// The queue of kept results for the clinic's server, over real encrypted files and a server
// of our own in memory: what is queued (only with a server configured, in the download's own
// commit), what a send and a copy of the whole history hand over, in which batches, and what
// is left when the server fails half-way.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "app/clinic_settings.h"
#include "app/config.h"
#include "app/trace.h"
#include "data/data_module.h"
#include "data/history_schema.h"
#include "data/inr_result_conversion.h"
#include "data/record_store.h"
#include "data/server_queue.h"
#include "data/sql_history_store.h"
#include "data_fixture.h"
#include "recording_presenter.h"
#include "scoped_env.h"

namespace movra::test {
namespace {

std::string Key(const InrResult& r) { return r.serialNumber + "/" + r.patientId + " " + r.dateText + " " + r.timeText; }

// A server in memory: keeps each result once by its key, counts the batches it was offered,
// and can be told to fail at the n-th (1-based), before or after keeping it.
class MemoryServer : public ResultSink {
 public:
  int failAt = 0;
  bool failAfterKeeping = false;  // the server committed, but its answer never came
  int calls = 0;
  std::vector<size_t> batchSizes;
  std::vector<std::string> offered;  // every result of every batch taken, in order
  std::set<std::string> held;

  SinkOutcome Keep(const std::vector<InrResult>& results) override {
    ++calls;
    if (calls == failAt && !failAfterKeeping) throw ClinicError("the server cannot be reached");
    SinkOutcome o;
    for (const InrResult& r : results) {
      if (held.insert(Key(r)).second)
        ++o.created;
      else
        ++o.alreadyThere;
    }
    if (calls == failAt) throw ClinicError("the connection was lost");
    batchSizes.push_back(results.size());
    for (const InrResult& r : results) offered.push_back(Key(r));
    return o;
  }
};

// n history rows as a download keeps them, one a minute from 2024-01-01 on (the day as
// days since 1899-12-30), inserted straight into the file so that the trigger sees them.
void KeepRows(SqlDatabase& db, int first, int count) {
  db.exec("BEGIN");
  for (int i = first; i < first + count; ++i) {
    char sql[400];
    std::snprintf(sql, sizeof sql,
                  "INSERT INTO Result_History (fSN, fPatientNo, fDate, fTime_String, fINR_s, fINR_v, fSampleType, "
                  "fLevel) VALUES ('SN01', '7', %.6f, '%02d:%02d', '2.5', 2.5, 'Finger', '')",
                  45292.0 + i / 1440.0, (i / 60) % 24, i % 60);
    db.exec(sql);
  }
  db.exec("COMMIT");
}

std::vector<std::string> KeysOfRows(int first, int count) {
  std::vector<std::string> keys;
  for (int i = first; i < first + count; ++i) {
    char key[64];
    std::snprintf(key, sizeof key, "SN01/7 2024-01-%02d %02d:%02d", 1 + i / 1440, (i / 60) % 24, i % 60);
    keys.push_back(key);
  }
  return keys;
}

// A fresh file at the current version on a plain connection.
class ServerQueue : public ::testing::Test {
 protected:
  DataFolder folder;
  RawDb raw{folder.dataFile()};
  SqlDatabase& db = raw.db();
  MemoryServer server;
};

// Switching the server on and off between keeps: which of the kept rows were queued.
struct QueueingCase {
  const char* what;
  std::vector<bool> serverAtKeep;  // one row kept per entry, with the server on or off
  int queued;
};
std::ostream& operator<<(std::ostream& os, const QueueingCase& c) { return os << c.what; }

class Queueing : public ServerQueue, public ::testing::WithParamInterface<QueueingCase> {};

TEST_P(Queueing, QueuesOnlyWhatIsKeptWithAServerConfigured) {
  int row = 0;
  for (bool on : GetParam().serverAtKeep) {
    SetServerQueueing(db, on);
    KeepRows(db, row++, 1);
  }
  EXPECT_EQ(QueuedCount(db), GetParam().queued);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Queueing,
    ::testing::Values(QueueingCase{"no server", {false, false}, 0}, QueueingCase{"a server", {true, true, true}, 3},
                      // Turning the server off keeps what waits, and queues nothing more.
                      QueueingCase{"a server turned off", {true, false, false}, 1},
                      QueueingCase{"a server turned on", {false, true}, 1},
                      QueueingCase{"turned on twice", {true, true}, 2}),
    [](const auto& info) { return CaseName(info.param.what); });

TEST_F(ServerQueue, ASendHandsEachResultOverOnceInOrderAndEmptiesTheQueue) {
  SetServerQueueing(db, true);
  KeepRows(db, 0, 1203);
  QueueSendOutcome sent = SendQueue(db, server);
  EXPECT_EQ(sent, (QueueSendOutcome{1203, 1203, 0, 0}));
  EXPECT_EQ(server.offered, KeysOfRows(0, 1203));
  EXPECT_EQ(server.batchSizes, (std::vector<size_t>{500, 500, 203}));
  EXPECT_EQ(QueuedCount(db), 0);
  // Nothing waits: the next send offers the server nothing.
  EXPECT_EQ(SendQueue(db, server), QueueSendOutcome{});
  EXPECT_EQ(server.calls, 3);
}

// The server failing at one batch of three: what left the queue, what a second send sends.
struct FailureCase {
  const char* what;
  int failAt;
  bool afterKeeping;
  int leftAfterFailure;
  QueueSendOutcome secondSend;
};
std::ostream& operator<<(std::ostream& os, const FailureCase& c) { return os << c.what; }

class FailingServer : public ServerQueue, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailingServer, LeavesTheFailedBatchAndTheRestQueuedAndTheNextSendSendsThem) {
  const FailureCase& c = GetParam();
  SetServerQueueing(db, true);
  KeepRows(db, 0, 1100);
  server.failAt = c.failAt;
  server.failAfterKeeping = c.afterKeeping;
  EXPECT_THROW(SendQueue(db, server), ClinicError);
  EXPECT_EQ(QueuedCount(db), c.leftAfterFailure);

  server.failAt = 0;
  EXPECT_EQ(SendQueue(db, server), c.secondSend);
  EXPECT_EQ(QueuedCount(db), 0);
  // Every result reached the server, each held once.
  EXPECT_EQ(std::vector<std::string>(server.held.begin(), server.held.end()), KeysOfRows(0, 1100));
}

INSTANTIATE_TEST_SUITE_P(
    Table, FailingServer,
    ::testing::Values(FailureCase{"the first batch refused", 1, false, 1100, {1100, 1100, 0, 0}},
                      FailureCase{"the second batch refused", 2, false, 600, {600, 600, 0, 0}},
                      FailureCase{"the last batch refused", 3, false, 100, {100, 100, 0, 0}},
                      // The server kept the batch, but the send never heard so: it is
                      // offered again and the server keeps it once.
                      FailureCase{"the second batch kept but unanswered", 2, true, 600, {600, 100, 500, 0}}),
    [](const auto& info) { return CaseName(info.param.what); });

TEST_F(ServerQueue, DeletedResultsAreNotSentAndLeaveTheQueue) {
  SetServerQueueing(db, true);
  KeepRows(db, 0, 5);
  SqlHistoryStore history(db);
  std::vector<HistoryEntry> kept = history.Read({});
  ASSERT_EQ(kept.size(), 5u);
  ASSERT_EQ(history.Delete({kept[1].id, kept[3].id}), 2);

  EXPECT_EQ(SendQueue(db, server), (QueueSendOutcome{3, 3, 0, 0}));
  EXPECT_EQ(server.offered, (std::vector<std::string>{Key(kept[0].result), Key(kept[2].result), Key(kept[4].result)}));
  EXPECT_EQ(QueuedCount(db), 0);
}

TEST_F(ServerQueue, AQueueOfDeletedResultsAloneOffersTheServerNothing) {
  SetServerQueueing(db, true);
  KeepRows(db, 0, 2);
  raw.exec("UPDATE Result_History SET fDeleted = 1");
  EXPECT_EQ(SendQueue(db, server), QueueSendOutcome{});
  EXPECT_EQ(server.calls, 0);
  EXPECT_EQ(QueuedCount(db), 0);
}

TEST_F(ServerQueue, ACopyCutOffGoesOnWhereItStoppedAndADoneCopySendsNothing) {
  KeepRows(db, 0, 1200);
  raw.exec("UPDATE Result_History SET fDeleted = 1 WHERE fID = 1000");
  const std::string url = "postgresql://clinic.example/movra";
  server.failAt = 2;
  EXPECT_THROW(CopyHistory(db, server, url), ClinicError);
  EXPECT_EQ(server.offered, KeysOfRows(0, 500));

  server.failAt = 0;
  EXPECT_EQ(CopyHistory(db, server, url), (QueueSendOutcome{699, 699, 0, 0}));
  std::vector<std::string> all = KeysOfRows(0, 1200);
  all.erase(all.begin() + 999);  // row id 1000 is deleted
  EXPECT_EQ(server.offered, all);

  const int calls = server.calls;
  EXPECT_EQ(CopyHistory(db, server, url), QueueSendOutcome{});
  EXPECT_EQ(server.calls, calls);

  // Results kept since go with the next copy; another server gets the whole history.
  KeepRows(db, 1200, 3);
  EXPECT_EQ(CopyHistory(db, server, url), (QueueSendOutcome{3, 3, 0, 0}));
  MemoryServer other;
  EXPECT_EQ(CopyHistory(db, other, url + "2"), (QueueSendOutcome{1202, 1202, 0, 0}));
}

// The database opened as at start-up (an older file is migrated then).
struct OpenedProgram {
  explicit OpenedProgram(const std::string& file) : opened(OpenTrace() && dm.OpenDatabase(file)) {}
  ~OpenedProgram() {
    dm.DataModuleDestroy();
    CloseTrace();
  }
  ScopedPresenter dialogs;
  TDM dm;
  bool opened;
};

TEST(ServerQueueOfADownload, IsCommittedWithTheKeptResults) {
  DataFolder folder;
  OpenedProgram program(folder.dataFile());
  ASSERT_TRUE(program.opened);
  TDM& dm = program.dm;
  SetServerQueueing(dm.adoConn.database(), true);
  NullStoreUi ui;
  TRecordStore records(dm, ui);
  std::vector<InrResult> results;
  for (const char* time : {"08:30", "09:30", "10:30"}) {
    TMeterRecord rec;
    rec.SerialNumber = "SN04";
    rec.MeterType = "12";
    rec.RecordNumber = "1";
    rec.Date = "2024-05-02";
    rec.Time = time;
    rec.CalibrationType = "Finger";
    rec.InrValue = 2.7;
    results.push_back(*ResultOfMeterRecord(rec).result);
  }
  records.StoreResults(results);
  ASSERT_EQ(records.LastWriteError(), "");
  // Another connection sees the results and their queue entries alike.
  RawDb other(folder.dataFile());
  EXPECT_EQ(other.count("Result_History"), 3);
  EXPECT_EQ(QueuedCount(other.db()), 3);
  // The same meter again keeps nothing new and queues nothing more.
  records.ClearData();
  records.StoreResults(results);
  EXPECT_EQ(QueuedCount(other.db()), 3);
  MemoryServer server;
  EXPECT_EQ(SendQueue(other.db(), server).sent, 3);
}

// What a start queues from then on, by the settings and MOVRA_DATABASE.
struct StartCase {
  const char* what;
  const char* iniUrl;
  const char* env;  // nullptr: unset
  bool queues;
};
std::ostream& operator<<(std::ostream& os, const StartCase& c) { return os << c.what; }

class QueueingFromTheStart : public ::testing::TestWithParam<StartCase> {};

TEST_P(QueueingFromTheStart, FollowsTheConfiguredServer) {
  const StartCase& c = GetParam();
  DataFolder folder;
  {
    // The previous start had a server: the row must go when none is configured now.
    RawDb raw(folder.dataFile());
    SetServerQueueing(raw.db(), true);
  }
  GlobalOption.Database.Url = c.iniUrl;
  ScopedEnv env(kClinicDatabaseVariable, c.env);
  OpenedProgram program(folder.dataFile());
  ASSERT_TRUE(program.opened);
  SqlDatabase& db = program.dm.adoConn.database();
  KeepRows(db, 0, 1);
  EXPECT_EQ(QueuedCount(db), c.queues ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, QueueingFromTheStart,
    ::testing::Values(StartCase{"no server", "", nullptr, false},
                      StartCase{"a server in the settings", "postgresql://db/movra", nullptr, true},
                      StartCase{"a server in the environment", "", "postgresql://db/movra", true},
                      StartCase{"an empty variable", "", "", false}),
    [](const auto& info) { return CaseName(info.param.what); });

// A file made by the version before the queue.
class ServerQueueOfAnOlderFile : public ::testing::Test {
 protected:
  static DatabaseOptions Version1() {
    DatabaseOptions o;
    o.schemaVersion = 1;
    return o;
  }
  DataFolder folder{Version1()};
  MemoryServer server;
};

TEST_F(ServerQueueOfAnOlderFile, GainsTheQueueWithItsHistoryKept) {
  {
    RawDb raw(folder.dataFile());
    ASSERT_EQ(SchemaVersion(raw.db()), 1);
    KeepRows(raw.db(), 0, 4);
  }
  OpenedProgram program(folder.dataFile());
  ASSERT_TRUE(program.opened);
  SqlDatabase& db = program.dm.adoConn.database();
  EXPECT_EQ(SchemaVersion(db), 2);
  EXPECT_EQ(SqlHistoryStore(db).Read({}).size(), 4u);
  // What was kept before the server came is no queue's: a copy of the history takes it.
  SetServerQueueing(db, true);
  EXPECT_EQ(QueuedCount(db), 0);
  KeepRows(db, 4, 1);
  EXPECT_EQ(QueuedCount(db), 1);
  EXPECT_EQ(CopyHistory(db, server, "postgresql://h/d").sent, 5);
}

// Opened where it could not be written, it stays at version 1.
TEST_F(ServerQueueOfAnOlderFile, ThatCouldNotGainTheQueueSaysWhy) {
  RawDb raw(folder.dataFile());
  EXPECT_THROW(SendQueue(raw.db(), server), DbError);
  EXPECT_THROW(SetServerQueueing(raw.db(), true), DbError);
  EXPECT_EQ(server.calls, 0);
}

}  // namespace
}  // namespace movra::test
