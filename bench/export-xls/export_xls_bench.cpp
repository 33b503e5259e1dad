// Exports of 10,000 ticked rows: to .xls through the template (target under 300 ms), and to
// CSV against writing the same lines with plain buffered output (target within 3 times).
// Prints one line per figure: name, value, unit, target.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/datetime.h"
#include "app/dialogs.h"
#include "export/csv_export.h"
#include "export/excel_export.h"
#include "export/xls_template_writer.h"
#include "collect_times.h"

using namespace movra;

namespace {

constexpr int kRows = 10000;

class SilentPresenter : public DialogPresenter {
 public:
  int present(const DialogRequest&) override { return IDOK; }
};

struct Setup {
  std::string dir;
  std::string templ;
  std::vector<ExportRow> rows;
  std::vector<std::string> lines;  // the CSV lines, already formatted
  Setup() {
    dir = (std::filesystem::temp_directory_path() / ("movra-bench-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(dir);
    templ = dir + "/MovraTemplate.xls";
    WriteTemplateWorkbook(templ);
    for (int i = 0; i < kRows; ++i) {
      ExportRow r;
      r.checked = true;
      r.recordNumber = std::to_string(i + 1);
      r.patientId = "P" + std::to_string(1000 + i % 97);
      r.date = *EncodeDate(2024, 1 + i % 12, 1 + i % 28);
      char time[8];
      std::snprintf(time, sizeof time, "%02d:%02d", i % 24, i % 60);
      r.timeText = time;
      r.inr = static_cast<float>(0.5 + (i % 80) / 10.0);
      r.pt = static_cast<double>(static_cast<long long>(r.inr * 10.2 + 0.5));
      r.sampleType = i % 3 ? "EC" : "Downloaded Sample";
      r.serialNumber = "SN" + std::to_string(i % 5);
      rows.push_back(r);
    }
    lines.push_back(CsvHeaderLine());
    for (const ExportRow& r : rows) lines.push_back(CsvRowLine(r));
  }
  ~Setup() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

Setup& Data() {
  static Setup s;
  return s;
}

void XlsExport(benchmark::State& state) {
  Setup& s = Data();
  for (auto _ : state) ExportExcel(s.rows, s.templ, s.dir + "/out.xls");
}

void CsvExport(benchmark::State& state) {
  Setup& s = Data();
  for (auto _ : state) ExportCsv(s.rows, s.dir + "/out");
}

void CsvBaseline(benchmark::State& state) {
  Setup& s = Data();
  for (auto _ : state) {
    std::ofstream out(s.dir + "/baseline.csv", std::ios::binary | std::ios::trunc);
    for (const std::string& line : s.lines) out << line;
  }
}

BENCHMARK(XlsExport)->Unit(benchmark::kMillisecond);
BENCHMARK(CsvExport)->Unit(benchmark::kMillisecond);
BENCHMARK(CsvBaseline)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  SetDialogPresenter(std::make_shared<SilentPresenter>());
  benchmark::Initialize(&argc, argv);
  movra::bench::CollectTimes c;
  benchmark::RunSpecifiedBenchmarks(&c);
  const double ratio = c["CsvBaseline"] > 0 ? c["CsvExport"] / c["CsvBaseline"] : 0;
  std::printf("xls_export_10000_rows %.1f ms <300\n", c["XlsExport"]);
  std::printf("csv_export_10000_rows %.2f ms -\n", c["CsvExport"]);
  std::printf("csv_baseline_10000_lines %.2f ms -\n", c["CsvBaseline"]);
  std::printf("csv_export_vs_baseline %.2f x <=3\n", ratio);
  benchmark::Shutdown();
  return 0;
}
