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
#include <string>

#include "app/datetime.h"
#include "data/sql_history_store.h"
#include "report/report_rows.h"
#include "ui/frm_history.h"
#include "ui/frm_report.h"
#include "ui/history_period.h"
#include "collect_times.h"
#include "patient_history.h"

using namespace movra;

namespace {

constexpr int kResults = 5000;
const MeterPatient kPatient{"PT12345678A", "345"};

TDM* gDm = nullptr;

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
  int status = 0;
  {
    // A result every 0.73 days over 10 years.
    movra::bench::ScratchHistoryFile file("movra-bench-history",
                                          movra::bench::MeterPairResults(kPatient, kResults, *EncodeDate(2015, 1, 1)),
                                          movra::bench::BenchPatient(kPatient));
    if (!file.opened()) return 1;
    gDm = &file.dm();
    SqlHistoryStore kept(file.dm());
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
  return status;
}
