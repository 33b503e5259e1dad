#include "shot_scenes.h"

#include <QApplication>
#include <QDir>
#include <filesystem>

#include "app/dialogs.h"
#include "app/language.h"
#include "meter_sim_process.h"
#include "shot_error.h"
#include "shot_image.h"
#include "shot_presenter.h"
#include "ui/frm_main.h"
#include "ui/frm_report.h"
#include "ui/save_file_chooser.h"

namespace movra::shots {

namespace {

// The meter's memory: eight records, two of them outside the measuring range. The
// simulator answers at 9600 baud only, as the newer meter does.
constexpr int kRecordsInMeter = 8;
constexpr int kRecordsBeforeBreak = 3;
constexpr int kPlugInLimitMs = 5000;
constexpr int kMessageLimitMs = 5000;
// The row cleared in the list picture (record 3), to show an unticked row.
constexpr int kUntickedRow = 5;
// Four months of one patient's tests, for the report.
constexpr int kReportRecords = 14;

// The texts the program shows, as keys of the translation (the boxes translate them).
const std::string kSummaryKey = "Finished transfering. Total records: ";
const std::string kNotReadyKey = "Meter is not ready! Please check the power and cable!";
const std::string kExcelDoneKey = "Export to Excel finished!";
const std::string kPdfDoneKey = "Export to PDF finished!";

std::string SummaryFirstLine(int total) { return TranslateText(kSummaryKey + std::to_string(total) + "! "); }

// The file name a user of each language might type: no extension, the program adds it.
std::string ExportName(int language) {
  switch (language) {
    case 2052: return "INR结果";
    case 1031: return "INR-Werte";
    default: return "INR results";
  }
}

// The name a user might give the report's PDF; the program adds ".pdf".
std::string ReportName(int language) {
  switch (language) {
    case 2052: return "INR报告";
    case 1031: return "INR-Bericht";
    default: return "INR report";
  }
}

// The save dialog answered with one file name.
class FixedChoice : public SaveFileChooser {
 public:
  explicit FixedChoice(std::string path) : path_(std::move(path)) {}
  std::optional<std::string> Execute(const SaveDialogOptions&) override { return path_; }

 private:
  std::string path_;
};

QStringList SimArgs(const ShotProgram& program, const ShotInputs& in, QStringList extra,
                    const char* records = "records.txt") {
  QStringList args{"--device-root", QString::fromStdString(program.deviceRoot()),
                   "--records",     QDir(in.sourceDir).filePath(QString("tools/guide-shots/") + records),
                   "--generation",  "9600",
                   "--serial",      "PT20240315A"};
  return args + extra;
}

void WaitForCable(ShotProgram& program) {
  TFrmMain& w = program.window();
  // The status bar says the cable came, and shows its port.
  if (!ServeEventsUntil([&] { return !w.UsbPorts.empty() && !w.PanelText(0).empty(); }, kPlugInLimitMs))
    throw ShotError("the window did not see the simulated meter's cable come");
}

// Download reads the whole meter; the summary is photographed as `shot` (none when empty).
void DownloadWhole(ShotProgram& program, int records, const QString& shot) {
  program.boxes().expect("the download summary", FirstLineIs(SummaryFirstLine(records)), shot, IDOK);
  program.window().btnDownloadClick();
  program.boxes().verify();
  if (program.recordCount() != records)
    throw ShotError("the download stored " + std::to_string(program.recordCount()) + " records, not " +
                    std::to_string(records));
}

void DownloadScene(const ShotInputs& in) {
  ShotProgram program(in, QDir(in.outDir).filePath("work-download"));
  TFrmMain& w = program.window();
  MeterSimProcess sim(in.simulator);
  sim.start(SimArgs(program, in, {}));
  WaitForCable(program);
  SaveShot(FramedShot(w), in.outDir, "main-empty.png");

  DownloadWhole(program, kRecordsInMeter, "summary.png");

  w.GridDataListCellClick(kUntickedRow, 0);
  w.GridDataListCellClick(0, 1);  // the current row back at the top
  SaveShot(FramedShot(w), in.outDir, "main-list.png");

  const std::string chosen = (std::filesystem::path(program.documentsDir()) / ExportName(in.language)).string();
  w.SaveDialog = std::make_shared<FixedChoice>(chosen);
  program.boxes().expect("the Excel export's message", FirstLineIs(TranslateText(kExcelDoneKey)), "export-done.png",
                         IDOK);
  w.btnExpExcelClick(0);
  program.boxes().verify();
  if (!std::filesystem::is_regular_file(chosen + ".xls")) throw ShotError("the export wrote no " + chosen + ".xls");
}

void FaultsScene(const ShotInputs& in) {
  ShotProgram program(in, QDir(in.outDir).filePath("work-faults"));
  TFrmMain& w = program.window();
  // No cable: the message comes once the command has returned.
  program.boxes().expect("the message about a missing meter", FirstLineIs(TranslateText(kNotReadyKey)),
                         "no-meter.png", IDOK);
  w.btnDownloadClick();
  ServeEventsUntil([&] { return program.boxes().allCame(); }, kMessageLimitMs);
  program.boxes().verify();

  // A meter that stops answering after three records: the summary says the download is
  // incomplete.
  MeterSimProcess sim(in.simulator);
  sim.start(SimArgs(program, in, {"--stop-after", QString::number(kRecordsBeforeBreak)}));
  WaitForCable(program);
  program.boxes().expect("the summary of an incomplete download", FirstLineIs(SummaryFirstLine(kRecordsBeforeBreak)),
                         "incomplete.png", IDOK);
  w.btnDownloadClick();
  program.boxes().verify();
  if (program.recordCount() != kRecordsBeforeBreak)
    throw ShotError("the broken-off download stored " + std::to_string(program.recordCount()) + " records, not " +
                    std::to_string(kRecordsBeforeBreak));
}

void ReportScene(const ShotInputs& in) {
  ShotProgram program(in, QDir(in.outDir).filePath("work-report"));
  TFrmMain& w = program.window();
  MeterSimProcess sim(in.simulator);
  sim.start(SimArgs(program, in, {}, "report-records.txt"));
  WaitForCable(program);
  DownloadWhole(program, kReportRecords, "");

  // The report of every row, then its PDF saved in the documents folder.
  const std::string chosen = (std::filesystem::path(program.documentsDir()) / ReportName(in.language)).string();
  bool shown = false;
  w.ShowModal = [&](QDialog& d) {
    auto* report = qobject_cast<TFrmReport*>(&d);
    if (!report) throw ShotError("the Report command opened no report window");
    report->show();
    ServeEventsUntil([] { return false; }, 100);
    // No blinking text cursor in the picture: it would differ from one build to the next.
    if (QWidget* focused = QApplication::focusWidget()) focused->clearFocus();
    ServeEventsUntil([] { return false; }, 20);
    SaveShot(FramedShot(*report), in.outDir, "report.png");
    report->SaveDialog = std::make_shared<FixedChoice>(chosen);
    program.boxes().expect("the message after saving the PDF", FirstLineIs(TranslateText(kPdfDoneKey)),
                           "report-pdf-done.png", IDOK);
    report->btnSavePdfClick();
    report->close();
    shown = true;
  };
  w.btnReportClick();
  program.boxes().verify();
  if (!shown) throw ShotError("the Report command showed no report");
  if (!std::filesystem::is_regular_file(chosen + ".pdf")) throw ShotError("the report wrote no " + chosen + ".pdf");
}

}  // namespace

const QStringList& SceneNames() {
  static const QStringList names{"download", "faults", "report"};
  return names;
}

QStringList ScenePictures(const std::string& scene) {
  if (scene == "download") return {"main-empty.png", "summary.png", "main-list.png", "export-done.png"};
  if (scene == "faults") return {"no-meter.png", "incomplete.png"};
  if (scene == "report") return {"report.png", "report-pdf-done.png"};
  return {};
}

void RunScene(const std::string& scene, const ShotInputs& in) {
  if (scene == "download")
    DownloadScene(in);
  else if (scene == "faults")
    FaultsScene(in);
  else if (scene == "report")
    ReportScene(in);
  else
    throw ShotError("no scene " + scene);
}

}  // namespace movra::shots
