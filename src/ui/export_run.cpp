// Writing the chosen export file: the list is walked from its first row to its last (the
// grid follows it) and the rows go to the CSV or the workbook writer.
#include <filesystem>
#include <vector>

#include "app/dialogs.h"
#include "app/folders.h"
#include "data/result_export_rows.h"
#include "export/csv_export.h"
#include "export/excel_export.h"
#include "ui/frm_main.h"
#include "ui/result_list_model.h"
#include "ui/screen_cursor.h"

namespace movra {

namespace {

// The list the grid shows; nothing when the window has none.
std::vector<ExportRow> WalkList(RowSet* rs) { return rs ? ResultExportRows(*rs) : std::vector<ExportRow>(); }

struct HourglassWhileExporting {
  HourglassWhileExporting() { SetHourglassCursor(); }
  ~HourglassWhileExporting() { SetDefaultCursor(); }
};

// After an error only the error is said. A written file is named in full on a second
// line, so the user can find it (the message box translates line by line).
void SayFinished(const ExportResult& result, const char* finished, const std::string& file) {
  ShowNotice(result.notice);
  const ExportOutcome outcome = result.outcome;
  if (outcome == ExportOutcome::Written) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(file, ec);
    ShowInfo(finished + std::string("\n") + (ec ? file : full.lexically_normal().string()));
  } else if (outcome == ExportOutcome::LeftInUse) {
    ShowInfo(finished);
  }
}

}  // namespace

void TFrmMain::ExportCsvTo(const std::string& file) {
  ExportResult outcome;
  {
    HourglassWhileExporting busy;
    outcome = ExportCsv(WalkList(model_ ? model_->rows() : nullptr), file);
  }
  SayFinished(outcome, "Export to CSV finished!", file);
}

void TFrmMain::ExportExcelTo(const std::string& file) {
  ExportResult outcome;
  {
    HourglassWhileExporting busy;
    outcome = ExportExcel(WalkList(model_ ? model_->rows() : nullptr), ExeDir + "data/MovraTemplate.xls", file);
  }
  SayFinished(outcome, "Export to Excel finished!", file);
}

}  // namespace movra
