#include "list_export.h"

#include <algorithm>
#include <memory>

#include "app/dialogs.h"
#include "app/file_in_use.h"
#include "app/folders.h"
#include "data/result_export_rows.h"
#include "export/csv_export.h"
#include "export/excel_export.h"

namespace movra::cli {

namespace {

// Counts the messages an export shows, passing each on. An export that went well says
// only that it finished; any other message means a file was not written in full.
class MessageCounter : public DialogPresenter {
 public:
  MessageCounter() : next_(CurrentDialogPresenter()) {}
  int present(const DialogRequest& request) override {
    ++count_;
    return next_->present(request);
  }
  int count() const { return count_; }

 private:
  std::shared_ptr<DialogPresenter> next_;
  int count_ = 0;
};

class CountedMessages {
 public:
  CountedMessages() : counter_(std::make_shared<MessageCounter>()) { old_ = SetDialogPresenter(counter_); }
  ~CountedMessages() { SetDialogPresenter(old_); }
  int count() const { return counter_->count(); }

 private:
  std::shared_ptr<MessageCounter> counter_;
  std::shared_ptr<DialogPresenter> old_;
};

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
    if (FileInUse(*name)) {
      ShowInfo("The selected file is in use!");
      ok = false;
      continue;
    }
    CountedMessages messages;
    ExportOutcome outcome =
        csv ? ExportCsv(rows, *name) : ExportExcel(rows, ExeDir + "data/MovraTemplate.xls", *name);
    if (outcome != ExportOutcome::Finished || messages.count() != 1) ok = false;
  }
  return ok;
}

}  // namespace movra::cli
