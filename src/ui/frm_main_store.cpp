// Storing downloaded records and emptying the table, through the data module's record
// store, with this window's status bar and cursor.
#include "app/dialogs.h"
#include "app/trace.h"
#include "data/data_module.h"
#include "data/database_backup.h"
#include "data/sql_history_store.h"
#include "data/record_store.h"
#include "ui/download_state.h"
#include "ui/frm_main.h"
#include "ui/result_data.h"
#include "ui/screen_cursor.h"

namespace movra {

namespace {

class WindowStoreUi : public StoreUi {
 public:
  // The progress line, the store's only text, comes from the downloader's typed progress.
  void setStatusText(int, const std::string&) override {}
  // Storing runs inside a download, which keeps the hourglass until it ends itself.
  void setBusyCursor(bool busy) override {
    if (busy || Downloading)
      SetHourglassCursor();
    else
      SetDefaultCursor();
  }
};

}  // namespace

void TFrmMain::CreateRecordStore() {
  storeUi_ = std::make_unique<WindowStoreUi>();
  TDM* dm = DataModule();
  if (!dm) return;
  store_ = std::make_unique<TRecordStore>(*dm, *storeUi_);
  History = std::make_shared<SqlHistoryStore>(*dm);
  PrepareClinic();
  WriteBackup = [dm](const std::string& target) {
    BackupOutcome o = BackupDatabase(dm->adoConn.database(), target);
    return o.done ? std::string() : o.error;
  };
}

void TFrmMain::ClearData() {
  if (store_) store_->ClearData();
}

int32_t TFrmMain::TransferCount() const { return store_ ? store_->TransferCount : 0; }

bool TFrmMain::DatabaseWritable() {
  TDM* dm = DataModule();
  // Without a data module nothing is stored, so there is nothing to protect.
  if (!dm) return true;
  std::string why = dm->DatabaseWriteProblem();
  if (why.empty()) return true;
  BugMessage("Save Error: " + why);
  ShowError(DatabaseNotWritableMessage(dm->adoConn.dataFile(), why));
  return false;
}

int32_t TFrmMain::UnsavedRecordCount() {
  if (!store_) return 0;
  store_->WritePendingRows();
  return store_->UnsavedCount();
}

void TFrmMain::SetTransferCount(int32_t n) {
  if (store_) store_->TransferCount = n;
}

int32_t TFrmMain::InvalidRecordCount() const { return store_ ? store_->InvalidCount : 0; }

void TFrmMain::SetInvalidRecordCount(int32_t n) {
  if (store_) store_->InvalidCount = n;
}

}  // namespace movra
