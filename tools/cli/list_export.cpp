#include "list_export.h"

#include <algorithm>

#include "app/dialogs.h"
#include "app/file_in_use.h"
#include "app/folders.h"
#include "data/result_export_rows.h"
#include "export/csv_export.h"
#include "export/excel_export.h"
#include "export/export_target.h"

namespace movra::cli {

namespace {

// The checks the window makes on the file before it asks about it; true when it may be written.
bool MayWrite(const std::string& file) {
  // Looked at before the test for a file in use, which opens it: a pipe would block there.
  if (auto why = NotARegularFile(file)) {
    ShowError(CannotCreateFileText(file, *why));
    return false;
  }
  if (FileInUse(file)) {
    ShowInfo(FileInUseText(file));
    return false;
  }
  return true;
}

}  // namespace

bool ExportResultList(RowSet& list, const std::optional<std::string>& csvName,
                      const std::optional<std::string>& xlsName) {
  if (!csvName && !xlsName) return true;
  std::vector<ExportRow> rows = ResultExportRows(list);
  if (std::none_of(rows.begin(), rows.end(), [](const ExportRow& r) { return r.checked; })) {
    ShowInfo("No Records!");
    return false;
  }
  bool ok = true;
  for (bool csv : {true, false}) {
    const std::optional<std::string>& name = csv ? csvName : xlsName;
    if (!name) continue;
    const std::string file = csv ? CsvTargetName(*name) : ExcelTargetName(*name);
    if (!MayWrite(file)) {
      ok = false;
      continue;
    }
    ExportResult result = csv ? ExportCsv(rows, file) : ExportExcel(rows, ExeDir + "data/MovraTemplate.xls", file);
    ShowNotice(result.notice);
    const ExportOutcome outcome = result.outcome;
    if (outcome == ExportOutcome::Written || outcome == ExportOutcome::LeftInUse)
      ShowInfo(csv ? "Export to CSV finished!" : "Export to Excel finished!");
    // Only a file written in full counts; after an error the old file is as it was.
    if (outcome != ExportOutcome::Written) ok = false;
  }
  return ok;
}

}  // namespace movra::cli
