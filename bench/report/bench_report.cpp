// The INR report of 1,000 results: the figures computed, the report window made and laid
// out (offscreen), and its PDF written, against writing a PDF of one empty page in the
// same run; the figures alone as well. Prints one line per figure: name, value, unit,
// target. scripts/run-bench runs it with the other bench-* programs.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QLayout>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>

#include "app/datetime.h"
#include "report/report_rows.h"
#include "report/ttr.h"
#include "report_print/report_pdf.h"
#include "ui/frm_report.h"
#include "collect_times.h"

using namespace movra;

namespace {

constexpr int kResults = 1000;

std::vector<InrResult> Rows() {
  std::vector<InrResult> rows;
  for (int i = 0; i < kResults; ++i) {
    InrResult r;
    r.checked = true;
    r.recordNumber = std::to_string(i + 1);
    r.patientId = "345";
    r.serialNumber = "SN01";
    // A test every other day or so, some on the same day, a few beyond the measuring range.
    r.date = *EncodeDate(2020, 1, 1) + i * 1.7 + 0.4;
    r.timeText = "09:36";
    r.inr = static_cast<float>(i % 97 == 0 ? 7.5 : 1.4 + (i * 7 % 25) / 10.0);
    r.sampleType = i % 20 == 0 ? "EC" : "Downloaded Sample";
    rows.push_back(r);
  }
  return rows;
}

void ReportOf1000(benchmark::State& state) {
  const std::vector<InrResult> rows = Rows();
  for (auto _ : state) {
    std::vector<ReportGroup> groups = GroupReportRows(rows);
    TFrmReport window(groups, TargetRange{20, 30}, "/nonexistent/MovraT.INI");
    window.resize(960, 560);
    window.layout()->activate();
    QImage shot = window.grab().toImage();  // painted once, chart included
    benchmark::DoNotOptimize(shot.width());
    ReportDocument doc{"Movra Management Software", groups.front(), window.Range(), *EncodeDate(2024, 3, 1)};
    QByteArray pdf = ReportPdfBytes(doc);
    benchmark::DoNotOptimize(pdf.size());
  }
}

// The figures alone: grouping and the time in range over 1,000 results.
void FiguresOf1000(benchmark::State& state) {
  const std::vector<InrResult> rows = Rows();
  for (auto _ : state) {
    std::vector<ReportGroup> groups = GroupReportRows(rows);
    benchmark::DoNotOptimize(ComputeFigures(groups.front().tests, TargetRange{20, 30}).daysIn);
  }
}

void EmptyPdfPage(benchmark::State& state) {
  for (auto _ : state) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
      QPdfWriter writer(&buffer);
      writer.setResolution(300);
      QPainter p(&writer);
    }
    benchmark::DoNotOptimize(buffer.data().size());
  }
}

BENCHMARK(ReportOf1000)->Unit(benchmark::kMillisecond);
BENCHMARK(FiguresOf1000)->Unit(benchmark::kMillisecond);
BENCHMARK(EmptyPdfPage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  movra::bench::CollectTimes c;
  benchmark::RunSpecifiedBenchmarks(&c);
  const double ratio = c["EmptyPdfPage"] > 0 ? c["ReportOf1000"] / c["EmptyPdfPage"] : 0;
  std::printf("report_1000_results_window_and_pdf %.1f ms -\n", c["ReportOf1000"]);
  std::printf("report_1000_results_figures_only %.3f ms -\n", c["FiguresOf1000"]);
  std::printf("empty_pdf_page %.2f ms -\n", c["EmptyPdfPage"]);
  std::printf("report_1000_vs_empty_pdf_page %.1f x -\n", ratio);
  benchmark::Shutdown();
  return 0;
}
