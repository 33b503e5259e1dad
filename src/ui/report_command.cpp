// The Report command of the window: the checks the exports make, then the report window
// over the ticked rows of the list.
#include "app/config.h"
#include "app/dialogs.h"
#include "app/folders.h"
#include "data/result_export_rows.h"
#include "data/row_set.h"
#include "report/report_rows.h"
#include "report/report_settings.h"
#include "ui/download_state.h"
#include "ui/frm_main.h"
#include "ui/frm_report.h"
#include "ui/result_list_model.h"

namespace movra {

void TFrmMain::btnReportClick() {
  if (Downloading) {
    ShowInfo("You can't make a report while downloading process!");
    return;
  }
  if (CountCheckedRows() <= 0) {
    ShowInfo("No Records!");
    return;
  }
  RowSet* rs = model_ ? model_->rows() : nullptr;
  std::vector<ReportGroup> groups = GroupReportRows(rs ? ResultRowsInPlace(*rs) : std::vector<ExportRow>());
  if (groups.empty()) {
    ShowInfo("The ticked records hold no patient results, only control results!");
    return;
  }
  TFrmReport report(std::move(groups), ReadConfiguredTargetRange(), ConfigFileToWrite(), this);
  ShowModal(report);
}

}  // namespace movra
