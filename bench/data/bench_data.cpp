// Figures of the data store, each the median of several runs, printed as
// "name value unit target". Ratios compare against plain SQLite in the same run.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "data/connection.h"
#include "data/connection_string.h"
#include "data/data_module.h"
#include "data/record_store.h"
#include "data/result_queries.h"
#include "data/schema.h"
#include "data/sql_database.h"

using namespace movra;
using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Runs `setup` untimed and `body` timed, `runs` times; the median in milliseconds.
double timeMedian(int runs, const std::function<void()>& setup, const std::function<void()>& body) {
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) {
    setup();
    auto start = Clock::now();
    body();
    t.push_back(ms(Clock::now() - start));
  }
  return median(t);
}

// Two measurements taken by turns, so that a machine busy with other work slows both alike;
// the medians in milliseconds.
std::pair<double, double> timeMediansByTurns(int runs, const std::function<void()>& setupA,
                                             const std::function<void()>& bodyA, const std::function<void()>& setupB,
                                             const std::function<void()>& bodyB) {
  std::vector<double> a, b;
  for (int i = 0; i < runs; ++i) {
    a.push_back(timeMedian(1, setupA, bodyA));
    b.push_back(timeMedian(1, setupB, bodyB));
  }
  return {median(a), median(b)};
}

void line(const char* name, double value, const char* unit, const std::string& target) {
  std::printf("%s %.3f %s %s\n", name, value, unit, target.c_str());
  std::fflush(stdout);
}

TMeterRecord recordNo(int i) {
  TMeterRecord r;
  r.RecordNumber = std::to_string(i + 1);
  r.SerialNumber = "PT20170912";
  r.MeterType = "PATIENT-" + std::to_string(i % 7);
  r.Date = "2024-03-" + std::string(i % 28 < 9 ? "0" : "") + std::to_string(i % 28 + 1);
  r.Time = "03:15";
  r.Region = "US";
  r.AmPm = i % 2 ? "PM" : "AM";
  r.CalibrationType = "Downloaded Sample";
  r.CalibrationLevel = "Level 1";
  r.InrValue = static_cast<double>(static_cast<float>((i % 60 + 8) / 10.0));
  return r;
}

// The same columns StoreMeterRecords writes, as plain inserts in one transaction.
void plainInserts(SqlDatabase& db, int n) {
  db.exec("BEGIN IMMEDIATE");
  SqlStatement st(db,
                  "INSERT INTO Result_Log (fRecordNumber, fPatientID, fProviderID, fChecked, fAMPM, fTime_String, fTime, "
                  "fDate, fDateTime, fINR_v, fINR_s, fCalibrationType, fCalibrationLevel, fMeterType, fSN) "
                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  for (int i = 0; i < n; ++i) {
    TMeterRecord r = recordNo(i);
    double t = 45366.0 + 0.5;
    st.reset();
    int p = 1;
    st.bind(p++, r.RecordNumber);
    st.bind(p++, int64_t{-1000});
    st.bind(p++, int64_t{i + 1});
    st.bind(p++, int64_t{1});
    st.bind(p++, r.AmPm);
    st.bind(p++, std::string("15:15"));
    st.bind(p++, t);
    st.bind(p++, t);
    st.bind(p++, t);
    st.bind(p++, r.InrValue);
    st.bind(p++, std::string("2.5"));
    st.bind(p++, r.CalibrationType);
    st.bind(p++, r.CalibrationLevel);
    st.bind(p++, r.MeterType);
    st.bind(p++, r.SerialNumber);
    st.step();
  }
  db.exec("COMMIT");
}

}  // namespace

int main() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string tmpl = std::string(tmpdir && *tmpdir ? tmpdir : "/tmp") + "/movra-bench-XXXXXX";
  if (!mkdtemp(tmpl.data())) return 1;
  const std::string dir = tmpl;
  const std::string file = dir + "/movradata1.dat";
  CreateDatabaseFile(file);
  int status = 0;

  try {
    // Opening with the right key: the key derivation and the first read of the file.
    {
      double open = timeMedian(
          9, [] {},
          [&] {
            TAdoConnection c;
            c.setConnectionString(BuildConnectionString(file));
            c.open();
          });
      line("open_database", open, "ms", "<500");
    }

    // One transfer's worth of records: StoreMeterRecords against plain inserts.
    {
      const int n = 255;
      TDM dm;
      if (!dm.OpenDatabase(file)) return 1;
      NullStoreUi ui;
      TRecordStore store(dm, ui);
      TMeterRecordQuery records;
      double stored = timeMedian(
          15,
          [&] {
            store.ClearData();
            for (int i = 0; i < n; ++i) records.Add(recordNo(i));
          },
          [&] { store.StoreMeterRecords(records, "PT20170912", "COM 1", n); });
      double plain = timeMedian(
          15, [&] { dm.adoConn.execute("DELETE FROM Result_Log"); }, [&] { plainInserts(dm.adoConn.database(), n); });
      line("store_255_records", stored, "ms", "<30");
      line("plain_insert_255_rows", plain, "ms", "baseline");
      line("store_vs_plain_ratio", stored / plain, "x", "<=2");
      store.ClearData();
    }

    // A transfer stored into a history of 100,000 results (the trigger keeps each record
    // once against its unique index), against plain inserts into a file without the history.
    {
      const int n = 255;
      const std::string designed = dir + "/designed.dat";
      DatabaseOptions v0;
      v0.schemaVersion = 0;
      CreateDatabaseFile(designed, v0);
      SqlDatabase plainDb;
      plainDb.open(designed, kDatabasePassword);
      TDM dm;
      if (!dm.OpenDatabase(file)) return 1;
      dm.adoConn.execute(
          "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 100000) "
          "INSERT INTO Result_History (fSN, fPatientNo, fDate, fTime_String, fINR_s, fINR_v, fSampleType, fLevel) "
          "SELECT 'PT' || (x % 40), 'P' || (x % 7), 40000 + x / 10.0, '08:30', '2.5', 2.5, 'Finger', '' FROM c");
      NullStoreUi ui;
      TRecordStore store(dm, ui);
      TMeterRecordQuery records;
      int run = 0;
      auto [kept, plain] = timeMediansByTurns(
          21,
          [&] {
            store.ClearData();
            ++run;
            // New results each run, as a download of new tests brings them.
            for (int i = 0; i < n; ++i) {
              TMeterRecord r = recordNo(i);
              r.MeterType = "RUN-" + std::to_string(run);
              records.Add(r);
            }
          },
          [&] { store.StoreMeterRecords(records, "PT20170912", "COM 1", n); },
          [&] { plainDb.exec("DELETE FROM Result_Log"); }, [&] { plainInserts(plainDb, n); });
      line("store_255_into_history_100k", kept, "ms", "<40");
      line("plain_insert_255_rows_no_history", plain, "ms", "baseline");
      line("history_store_vs_plain_ratio", kept / plain, "x", "<=2.5");
      store.ClearData();
      dm.adoConn.execute("DELETE FROM Result_History");
    }

    // A row set of 100,000 rows: load, sort, walk.
    {
      const int n = 100000;
      TAdoConnection conn;
      conn.setConnectionString(BuildConnectionString(file));
      conn.open();
      SqlDatabase& db = conn.database();
      db.exec("DELETE FROM Result_Log");
      plainInserts(db, n);
      db.exec("UPDATE Result_Log SET fPatientID = 0, fSN = 'SN' || (fID * 7919 % 97)");
      RowSet q("qryCheckDataEntry");
      SetupCheckDataEntry(q, conn);
      double load = timeMedian(5, [&] { q.close(); }, [&] { q.open(); });
      double sort = timeMedian(
          5, [&] { q.setSort(""); q.requery(); }, [&] { q.setSort("fSN DESC"); });
      long checked = 0;
      double walk = timeMedian(
          5, [&] { checked = 0; },
          [&] {
            for (q.first(); !q.eof(); q.next())
              if (q.fieldByName("fVisCheck").asBoolean() && q.fieldByName("fPT_Cal").asFloat() > 0) ++checked;
          });
      double cloneWalk = timeMedian(
          5, [&] { checked = 0; },
          [&] {
            RowSetCursor c = q.clone();
            for (c.first(); !c.eof(); c.next())
              if (c.fieldByName("fChecked").asBoolean()) ++checked;
          });
      line("rowset_100k_load", load, "ms", "<1000");
      line("rowset_100k_sort", sort, "ms", "<500");
      line("rowset_100k_walk", walk, "ms", "<500");
      line("rowset_100k_clone_count", cloneWalk, "ms", "<500");
      if (checked != n) status = 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench-data: %s\n", e.what());
    status = 1;
  }
  std::filesystem::remove_all(dir);
  return status;
}
