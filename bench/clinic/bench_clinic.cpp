// The clinic's shared database on a private PostgreSQL server: 20 desks each keeping a
// download of 255 results at once, against plain inserts of the same rows into the same
// table by the same 20 connections; and a patient's 5,000 results read for the History
// report from the server, against the same read from the local encrypted file. Prints one
// line per figure: name, value, unit, target. scripts/run-bench runs it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/datetime.h"
#include "clinic/clinic_schema.h"
#include "clinic/pg_connection.h"
#include "clinic/pg_history_store.h"
#include "data/sql_history_store.h"
#include "patient_history.h"
#include "pg_server.h"
#include "report/report_rows.h"

using namespace movra;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kDesks = 20;
constexpr int kPerDesk = 255;
constexpr int kPatientResults = 5000;
const MeterPatient kPatient{"PT12345678A", "345"};

std::vector<InrResult> Download(int desk) {
  return bench::MeterPairResults({"MV2024" + std::to_string(1000 + desk) + "A", "1"}, kPerDesk, *EncodeDate(2024, 1, 1));
}

// Every desk's work started together on its own thread and connection; the wall time.
double AtOnce(const std::function<void(int)>& desk) {
  std::vector<std::thread> threads;
  const Clock::time_point start = Clock::now();
  for (int d = 0; d < kDesks; ++d) threads.emplace_back(desk, d);
  for (std::thread& t : threads) t.join();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The History report's read: the patient, the results of all their pairs, the groups.
double ReportRead(HistoryStore& store) {
  const Clock::time_point start = Clock::now();
  Patient patient = store.PatientOf(kPatient);
  std::vector<InrResult> rows;
  for (const HistoryEntry& e : store.Read(HistoryQuery{patient.meters, {}, {}})) rows.push_back(e.result);
  std::vector<ReportGroup> groups = GroupReportRows(rows);
  if (groups.empty() || rows.size() != kPatientResults) std::fprintf(stderr, "read %zu results\n", rows.size());
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

const char* kColumns =
    "site, workstation, serial_number, patient_id, test_date, time_text, am_pm, inr_text, inr, sample_type, "
    "control_level, record_number";

// The same rows as Keep sends, in one plain multi-row INSERT per desk and transaction.
void PlainInsert(PgConnection& conn, const std::vector<InrResult>& rows) {
  std::vector<PgParam> params;
  std::string values;
  for (const InrResult& r : rows) {
    const int n = static_cast<int>(params.size());
    values += values.empty() ? "(" : ", (";
    for (int k = 1; k <= 12; ++k) values += (k > 1 ? ", $" : "$") + std::to_string(n + k);
    values += ")";
    for (PgParam p : {PgParam{""}, PgParam{"bench"}, PgParam{r.serialNumber}, PgParam{r.patientId}, PgNumber(r.date),
                      PgParam{r.timeText}, PgParam{r.amPm}, PgParam{r.inrText}, PgNumber(r.inr),
                      PgParam{r.sampleType}, PgParam{r.controlLevel}, PgParam{r.recordNumber}})
      params.push_back(p);
  }
  conn.Begin();
  conn.Exec(std::string("INSERT INTO movra.results (") + kColumns + ") VALUES " + values, params);
  conn.Commit();
}

}  // namespace

int main() {
  if (std::string missing = movra::test::PgServer::Missing(); !missing.empty()) {
    std::printf("clinic_bench_skipped 0 - %s\n", missing.c_str());
    return 0;
  }
  movra::test::PgServer server;
  InitClinicDatabase(ClinicTarget{server.Url(server.superuser()), "", "bench"});
  server.CreateLogin("desk", {"movra_workstation"});
  const std::string deskUrl = server.Url("desk"), itUrl = server.Url(server.superuser());

  std::vector<std::vector<InrResult>> downloads;
  for (int d = 0; d < kDesks; ++d) downloads.push_back(Download(d));
  std::vector<double> plain, keep;
  for (int round = 0; round < 3; ++round) {
    {
      std::vector<std::unique_ptr<PgConnection>> conns;
      for (int d = 0; d < kDesks; ++d) conns.push_back(std::make_unique<PgConnection>(itUrl));
      plain.push_back(AtOnce([&](int d) { PlainInsert(*conns[d], downloads[d]); }));
    }
    server.Sql("TRUNCATE movra.results");
    {
      std::vector<std::unique_ptr<PgHistoryStore>> desks;
      for (int d = 0; d < kDesks; ++d)
        desks.push_back(PgHistoryStore::Connect(ClinicTarget{deskUrl, "", "desk-" + std::to_string(d)}));
      keep.push_back(AtOnce([&](int d) { desks[d]->Keep(downloads[d]); }));
    }
    server.Sql("TRUNCATE movra.results");
  }
  const double results = kDesks * kPerDesk;
  const double plainPer = Median(plain) / results, keepPer = Median(keep) / results;
  std::printf("clinic_plain_insert_per_result_20x255 %.4f ms baseline\n", plainPer);
  std::printf("clinic_keep_per_result_20x255 %.4f ms -\n", keepPer);
  std::printf("clinic_keep_over_plain_insert %.2f x <=2\n", keepPer / plainPer);

  // One patient's 5,000 results, in the server and in a local file.
  const std::vector<InrResult> patientResults =
      bench::MeterPairResults(kPatient, kPatientResults, *EncodeDate(2015, 1, 1));
  auto store = PgHistoryStore::Connect(ClinicTarget{deskUrl, "", "bench"});
  store->Keep(patientResults);
  store->SavePatient(bench::BenchPatient(kPatient));

  int status = 0;
  {
    bench::ScratchHistoryFile file("movra-bench-clinic", patientResults, bench::BenchPatient(kPatient));
    if (!file.opened()) return 1;
    SqlHistoryStore local(file.dm());
    std::vector<double> fromServer, fromFile;
    for (int i = 0; i < 7; ++i) {
      fromFile.push_back(ReportRead(local));
      fromServer.push_back(ReportRead(*store));
    }
    const double s = Median(fromServer), f = Median(fromFile);
    std::printf("history_report_read_5000_local_file %.1f ms baseline\n", f);
    std::printf("history_report_read_5000_server %.1f ms -\n", s);
    std::printf("history_report_read_server_over_local %.2f x <=2\n", s / f);
    status = s > 0 && f > 0 ? 0 : 1;
  }
  return status;
}
