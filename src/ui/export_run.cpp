// Writing the chosen export file: the list is walked from its first row to its last (the
// grid follows it) and the rows go to the CSV or the workbook writer.
#include <vector>

#include "app/folders.h"
#include "data/row_set.h"
#include "export/csv_export.h"
#include "export/excel_export.h"
#include "ui/frm_main.h"
#include "ui/result_list_model.h"
#include "ui/screen_cursor.h"

namespace movra {

namespace {

ExportRow RowOf(RowSet& rs) {
  ExportRow r;
  r.checked = rs.fieldByName("fChecked").asBoolean();
  r.recordNumber = rs.fieldByName("fRecordNumber").asString();
  r.patientId = rs.fieldByName("fMeterType").asString();
  r.date = rs.fieldByName("fDate").asDateTime();
  r.timeText = rs.fieldByName("fTime_String").asString();
  r.inr = rs.fieldByName("fINR_v").asFloat();
  r.pt = rs.fieldByName("fPT_Cal").asFloat();
  r.sampleType = rs.fieldByName("fSampleType_Cal").asString();
  r.serialNumber = rs.fieldByName("fSN").asString();
  return r;
}

// Every row of the list in list order; the list ends standing on its last row.
std::vector<ExportRow> WalkList(RowSet* rs) {
  std::vector<ExportRow> rows;
  if (!rs || !rs->active()) return rows;
  for (rs->first(); !rs->eof(); rs->next()) rows.push_back(RowOf(*rs));
  return rows;
}

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
