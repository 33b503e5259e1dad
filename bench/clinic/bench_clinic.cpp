// A full meter's memory (255 results) kept on the clinic's server by PgHistoryStore::Keep,
// new and then already there, against the same rows sent one INSERT each in one
// transaction: what a round trip per result would cost on the same server. Prints one line
// per figure: name, value, unit, target. The server is a private PostgreSQL 15 on 127.0.0.1,
// so the figures hold the local round trip alone; a clinic's network multiplies the baseline.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "clinic/clinic_schema.h"
#include "clinic/pg_history_store.h"
#include "collect_times.h"
#include "data/inr_result_conversion.h"
#include "pg_server.h"

using namespace movra;

namespace {

constexpr int kResults = 255;
test::PgServer* gServer = nullptr;

std::vector<InrResult> FullMemory() {
  std::vector<InrResult> out;
  for (int i = 0; i < kResults; ++i) {
    TMeterRecord rec;
    rec.SerialNumber = "PT12345678A";
    rec.MeterType = "345";
    rec.RecordNumber = std::to_string(i + 1);
    char date[16];
    std::snprintf(date, sizeof date, "2024-%02d-%02d", 1 + i / 28, 1 + i % 28);
    rec.Date = date;
    rec.Time = "09:36";
    rec.CalibrationType = "Finger";
    rec.InrValue = 1.4 + (i * 7 % 25) / 10.0;
    out.push_back(*ResultOfMeterRecord(rec).result);
  }
  return out;
}

ClinicTarget Target() { return {gServer->Url(gServer->superuser()), "", "bench-pc"}; }

void KeepNew255(benchmark::State& state) {
  auto store = PgHistoryStore::Connect(Target());
  const std::vector<InrResult> results = FullMemory();
  for (auto _ : state) {
    state.PauseTiming();
    gServer->Sql("TRUNCATE movra.results");
    state.ResumeTiming();
    benchmark::DoNotOptimize(store->Keep(results));
  }
}

void KeepAlreadyThere255(benchmark::State& state) {
  auto store = PgHistoryStore::Connect(Target());
  const std::vector<InrResult> results = FullMemory();
  store->Keep(results);
  for (auto _ : state) benchmark::DoNotOptimize(store->Keep(results));
}

void OneInsertEach255(benchmark::State& state) {
  PgConnection conn(Target().url);
  const std::vector<InrResult> results = FullMemory();
  for (auto _ : state) {
    state.PauseTiming();
    gServer->Sql("TRUNCATE movra.results");
    state.ResumeTiming();
    PgTransaction tx(conn);
    for (const InrResult& r : results)
      conn.Exec("INSERT INTO movra.results (serial_number, patient_id, test_date, time_text, inr_text, inr, "
                "sample_type, control_level) VALUES ($1, $2, $3, $4, $5, $6, $7, $8) ON CONFLICT DO NOTHING",
                {r.serialNumber, r.patientId, PgNumber(r.date), r.timeText, r.inrText, PgNumber(r.inr), r.sampleType,
                 r.controlLevel});
    tx.Commit();
  }
}

BENCHMARK(KeepNew255)->Unit(benchmark::kMillisecond);
BENCHMARK(KeepAlreadyThere255)->Unit(benchmark::kMillisecond);
BENCHMARK(OneInsertEach255)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (std::string missing = test::PgServer::Missing(); !missing.empty()) {
    std::printf("clinic_keep_255 skipped: %s\n", missing.c_str());
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  test::PgServer server;
  gServer = &server;
  InitClinicDatabase(Target());
  movra::bench::CollectTimes c;
  benchmark::RunSpecifiedBenchmarks(&c);
  const double keep = c["KeepNew255"], again = c["KeepAlreadyThere255"], each = c["OneInsertEach255"];
  std::printf("clinic_keep_255_new %.2f ms -\n", keep);
  std::printf("clinic_keep_255_already_there %.2f ms -\n", again);
  std::printf("clinic_one_insert_each_255_baseline %.2f ms baseline\n", each);
  std::printf("clinic_keep_over_one_insert_each %.2f x <=0.7\n", each > 0 ? keep / each : 0);
  benchmark::Shutdown();
  gServer = nullptr;
  return keep > 0 ? 0 : 1;
}
