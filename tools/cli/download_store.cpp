#include "download_store.h"

#include "meter/download_summary_text.h"

#include <exception>

#include "app/dialogs.h"
#include "app/folders.h"
#include "app/trace.h"
#include "list_export.h"
#include "meter/download_summary_text.h"
#include "record_output.h"
#include "subcommand.h"

namespace movra::cli {

namespace {

// What the window's general error display does with an error that escapes a command.
void ShowGeneralError(const std::exception& e) {
  BugMessage(e.what());
  ShowError(e.what());
}

}  // namespace

void DownloadStore::ProgressPrinter::setStatusText(int panel, const std::string& text) {
  if (panel == 0 && !text.empty()) PrintLine(text);
}

DownloadStore::DownloadStore(CHBMeter& meter, TDM& dm, StoreRequest request)
    : meter_(&meter), dm_(dm), request_(std::move(request)), store_(dm, progress_) {
  // Each record is in the database before the meter hears it acknowledged.
  meter_->SetRecordKeeper([this] { StoreRecords(); });
}

DownloadStore::DownloadStore(TDM& dm, StoreRequest request)
    : dm_(dm), request_(std::move(request)), store_(dm, progress_) {}

DownloadStore::~DownloadStore() {
  if (meter_) meter_->SetRecordKeeper(nullptr);
}

bool DownloadStore::Prepare() {
  // The meter lets go of every record it has sent: a file that cannot take them is
  // refused before the first one.
  if (std::string why = dm_.DatabaseWriteProblem(); !why.empty()) {
    BugMessage("Save Error: " + why);
    ShowError(DatabaseNotWritableMessage(dm_.adoConn.dataFile(), why));
    return false;
  }
  try {
    if (request_.clearFirst) store_.ClearData();
    dm_.qryCheckDataEntry.setSort("fSN");
    return true;
  } catch (const std::exception& e) {
    ShowGeneralError(e);
    return false;
  }
}

void DownloadStore::OnMessage(const Message& m) {
  switch (m.id) {
    case MessageId::MeterState:
      expectedCount_ = static_cast<int32_t>(m.lParam);
      break;
    case MessageId::MeterRecords:
      // The keeper stored them before their acknowledgement; this is for what is left.
      if (meter_->Records().Count() > 0) StoreRecords();
      break;
    case MessageId::TransferEnd:
      BugMessage("Main Received Transfer End Message");
      downloadTotal_ += store_.TransferCount;
      store_.TransferCount = 0;
      ended_ = true;
      break;
    default:
      break;
  }
}

void DownloadStore::StoreRecords() {
  // A batch that cannot be written stays pending and goes with the next call; the store
  // remembers the failure for the end.
  try {
    ShowNotices(
        store_.StoreMeterRecords(meter_->Records(), meter_->SerialNumber(), meter_->PortName(), expectedCount_));
  } catch (const std::exception& e) {
    ShowGeneralError(e);
  }
}

int DownloadStore::Finish(bool interrupted) {
  store_.WritePendingRows();
  PrintResultList();
  // Rows the file could not take stay listed (and exported below, where a disk may have
  // room); what was lost from the database is said once.
  bool saved = ReportUnsavedRecords();
  // Records the meter holds that can be no result were acknowledged and left out: told as
  // the summary's second line tells them, and the run did not store all it read.
  const std::string invalid = InvalidRecordsText(store_.InvalidCount);
  if (!invalid.empty()) ShowInfo(invalid);
  if (interrupted) return kExitInterrupted;
  bool exported = ExportResultList(dm_.qryCheckDataEntry, request_.csvName, request_.xlsName);
  return ended_ && saved && invalid.empty() && exported ? kExitOk : kExitFailure;
}

int DownloadStore::FinishCommand(bool interrupted) {
  store_.WritePendingRows();
  PrintResultList();
  bool saved = ReportUnsavedRecords();
  if (interrupted) return kExitInterrupted;
  bool exported = ExportResultList(dm_.qryCheckDataEntry, request_.csvName, request_.xlsName);
  return saved && store_.InvalidCount == 0 && exported ? kExitOk : kExitFailure;
}

bool DownloadStore::ReportUnsavedRecords() {
  int32_t unsaved = store_.UnsavedCount();
  if (unsaved == 0) return true;
  ShowError(store_.LastWriteError() + "\n" + UnsavedRecordsLine(unsaved));
  return false;
}

void DownloadStore::PrintResultList() {
  RowSet& q = dm_.qryCheckDataEntry;
  if (!q.active()) return;
  RowSetCursor row = q.clone();
  for (row.first(); !row.eof(); row.next()) PrintLine(ResultListLine(row));
}

}  // namespace movra::cli
