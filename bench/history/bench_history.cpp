// The History window of a patient with 5,000 kept results over 10 years, opened on "All
// results" and laid out with its table painted, then its report window made and painted,
// against the report window of the same results made straight from them (the window the
// History window adds its reading, table and patient choice to). Prints one line per
// figure: name, value, unit, target. scripts/run-bench runs it with the other bench-* programs.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QComboBox>
#include <QLayout>
#include <QPushButton>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/datetime.h"
#include "app/format_settings.h"
#include "data/data_module.h"
#include "data/inr_result_conversion.h"
#include "data/record_store.h"
#include "data/schema.h"
#include "data/sql_history_store.h"
#include "report/report_rows.h"
#include "ui/frm_history.h"
#include "ui/frm_report.h"
#include "ui/history_period.h"
#include "collect_times.h"

using namespace movra;

namespace {

constexpr int kResults = 5000;
const MeterPatient kPatient{"PT12345678A", "345"};

TDM* gDm = nullptr;

// A result every 0.73 days over 10 years, some above the measuring range, every 20th a control.
std::vector<InrResult> Results() {
  std::vector<InrResult> out;
  const TDateTime first = *EncodeDate(2015, 1, 1);
  for (int i = 0; i < kResults; ++i) {
    TMeterRecord rec;
    rec.SerialNumber = kPatient.serialNumber;
    rec.MeterType = kPatient.patientId;
    rec.RecordNumber = std::to_string(i % 255 + 1);
    rec.Date = FormatDateTime("yyyy-mm-dd", first + i * 0.73);
    rec.Time = i % 2 ? "09:36" : "18:10";
    rec.CalibrationType = i % 20 == 0 ? "EC" : "Finger";
    rec.CalibrationLevel = i % 20 == 0 ? "Level 1" : "";
    rec.InrValue = i % 97 == 0 ? 8.0 : 1.4 + (i * 7 % 25) / 10.0;
    if (auto r = ResultOfMeterRecord(rec).result) out.push_back(*r);
  }
  return out;
}

void Paint(QWidget& w, QSize size) {
  w.resize(size);
  w.layout()->activate();
  QImage shot = w.grab().toImage();
  benchmark::DoNotOptimize(shot.width());
}

void HistoryWindowAndReport5000(benchmark::State& state) {
  SqlHistoryStore store(*gDm);
  for (auto _ : state) {
    TFrmHistory window(store, TargetRange{20, 30}, "/nonexistent/MovraT.INI");
    window.cboPeriod->setCurrentIndex(static_cast<int>(HistoryPeriod::All));
    Paint(window, QSize(900, 600));
    window.ShowModal = [](QDialog& report) { Paint(report, QSize(960, 560)); };
    window.btnReportClick();
  }
}

void ReportWindow5000(benchmark::State& state) {
  SqlHistoryStore store(*gDm);
  std::vector<InrResult> rows;
  for (const HistoryEntry& e : store.Read({})) rows.push_back(e.result);
  for (auto _ : state) {
    TFrmReport window(GroupReportRows(rows), TargetRange{20, 30}, "/nonexistent/MovraT.INI");
    Paint(window, QSize(960, 560));
  }
}

BENCHMARK(HistoryWindowAndReport5000)->Unit(benchmark::kMillisecond);
BENCHMARK(ReportWindow5000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  const std::string dir = (std::filesystem::temp_directory_path() / ("movra-bench-history-" + std::to_string(getpid()))).string();
  std::filesystem::create_directories(dir);
  const std::string file = dir + "/movradata1.dat";
  CreateDatabaseFile(file);
  int status = 0;
  {
    TDM dm;
    if (!dm.OpenDatabase(file)) return 1;
    gDm = &dm;
    NullStoreUi quiet;
    TRecordStore(dm, quiet).StoreResults(Results());
    SqlHistoryStore kept(dm);
    kept.SavePatient(Patient{0, "Anna Example", {}, TenthsRange{25, 35}, {kPatient}});
    std::printf("history_results_of_the_patient %zu results %d\n", kept.Read({}).size(), kResults);
    movra::bench::CollectTimes c;
    benchmark::RunSpecifiedBenchmarks(&c);
    const double history = c["HistoryWindowAndReport5000"], report = c["ReportWindow5000"];
    std::printf("history_window_and_report_5000 %.1f ms <=300\n", history);
    std::printf("report_window_5000_baseline %.1f ms baseline\n", report);
    std::printf("history_window_over_report_window %.2f x -\n", report > 0 ? history / report : 0);
    status = history > 0 ? 0 : 1;
    gDm = nullptr;
  }
  benchmark::Shutdown();
  std::filesystem::remove_all(dir);
  return status;
}
