// Writing the chosen export file: the list is walked from its first row to its last (the
// grid follows it) and the rows go to the CSV or the workbook writer.
#include <vector>

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

}  // namespace

void TFrmMain::ExportCsvTo(const std::string& chosen) {
  HourglassWhileExporting busy;
  ExportCsv(WalkList(model_ ? model_->rows() : nullptr), chosen);
}

void TFrmMain::ExportExcelTo(const std::string& chosen) {
  HourglassWhileExporting busy;
  ExportExcel(WalkList(model_ ? model_->rows() : nullptr), ExeDir + "data/MovraTemplate.xls", chosen);
}

}  // namespace movra
