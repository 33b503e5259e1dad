// The export commands of the window: the checks before an export, the save dialog with
// the overwrite question about the file to be written (the name typed with the kind's
// extension), then the export of the chosen kind.
#include <filesystem>

#include "app/dialogs.h"
#include "app/file_in_use.h"
#include "app/language.h"
#include "data/result_ticked.h"
#include "data/row_set.h"
#include "export/export_target.h"
#include "ui/download_state.h"
#include "ui/export_names.h"
#include "ui/frm_main.h"
#include "ui/result_list_model.h"
#include "ui/save_file_chooser.h"

namespace movra {

namespace {
// The dialog lists names without regard to case, so these take in .XLS and .CSV as well.
constexpr const char* kExcelFilter = "Excel files (*.xls)";
constexpr const char* kCsvFilter = "TXT files (*.csv)";

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}
}  // namespace

void TFrmMain::btnExpExcelClick(int tag) {
  if (Downloading) {
    ShowInfo("You can't export the data while downloading process!");
    return;
  }
  if (CountCheckedRows() <= 0) {
    ShowInfo("No Records!");
    return;
  }
  ExportData(tag == 1 ? 1 : 0);
}

int32_t TFrmMain::CountCheckedRows() const {
  RowSet* rs = model_ ? model_->rows() : nullptr;
  if (!rs || !rs->active()) return 0;
  return CountTickedRows(*rs);
}

void TFrmMain::ExportData(int kind) {
  SaveDialogOptions options;
  options.filter = kind == 1 ? kCsvFilter : kExcelFilter;
  options.title = TranslateText(kind == 1 ? "Export to TXT File" : "Export to Excel File");
  options.fileName = FirstExportName(NowParts());
  std::string target;
  for (;;) {
    std::optional<std::string> answer = SaveDialog ? SaveDialog->Execute(options) : std::nullopt;
    if (!answer) return;
    options.fileName = *answer;
    // Every check and the question are about the file that will be written.
    target = kind == 1 ? CsvTargetName(*answer) : ExcelTargetName(*answer);
    // Before the test for a file in use, which opens the file: a pipe or a device would
    // hold the program in that open.
    if (auto why = NotARegularFile(target)) {
      ShowError(CannotCreateFileText(target, *why));
      return;
    }
    if (FileInUse(target)) {
      ShowInfo(FileInUseText(target));
      return;
    }
    if (!FileExists(target)) break;
    int reply = PlainMessageBox(target + " " + "already exists, do you want to overwrite this file?", "Warning",
                                MB_YESNOCANCEL | MB_ICONQUESTION);
    if (reply == IDYES) break;
    if (reply != IDNO) return;
    options.fileName = RetryExportName(NowParts());
  }
  if (kind == 1)
    ExportCsvTo(target);
  else
    ExportExcelTo(target);
}

}  // namespace movra
