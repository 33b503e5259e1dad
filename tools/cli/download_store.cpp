#include "download_store.h"

#include <exception>
#include <utility>

#include "app/dialogs.h"
#include "app/trace.h"
#include "clinic/clinic_history.h"
#include "clinic/clinic_texts.h"
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

DownloadStore::DownloadStore(TDM& dm, StoreRequest request)
    : RecordStoreKeeper(store_), dm_(dm), request_(std::move(request)), store_(dm, progress_) {}

bool DownloadStore::Prepare() {
  // The meter lets go of every record it has sent: a file that cannot take them is
  // refused before the first one.
  if (std::string why = dm_.DatabaseWriteProblem(); !why.empty()) {
    BugMessage("Save Error: " + why);
    ShowError(DatabaseNotWritableMessage(dm_.adoConn.dataFile(), why));
    return false;
  }
  try {
    // What this download keeps waits for the clinic's database in the same commit.
    clinic_ = ClinicTargetOfRun(request_.databaseOption);
    PrepareClinicQueue(dm_.adoConn.database(), clinic_);
    if (request_.clearFirst) store_.ClearData();
    dm_.qryCheckDataEntry.setSort("fSN");
    return true;
  } catch (const std::exception& e) {
    ShowGeneralError(e);
    return false;
  }
}

std::vector<Notice> DownloadStore::Keep(TMeterRecordQuery& records, const std::string& serialNumber,
                                        const std::string& portName, int32_t expectedCount) {
  try {
    return RecordStoreKeeper::Keep(records, serialNumber, portName, expectedCount);
  } catch (const std::exception& e) {
    ShowGeneralError(e);
    return {};
  }
}

int DownloadStore::Finish(bool interrupted, bool tellInvalid) {
  store_.WritePendingRows();
  PrintResultList();
  // Rows the file could not take stay listed (and exported below, where a disk may have
  // room); what was lost from the database is said once.
  bool saved = ReportUnsavedRecords();
  // Records the meter holds that can be no result were acknowledged and left out: the run
  // did not store all it read.
  if (const std::string invalid = InvalidRecordsText(store_.InvalidCount); tellInvalid && !invalid.empty())
    ShowInfo(invalid);
  bool sent = SendToClinicDatabase();
  if (interrupted) return kExitInterrupted;
  bool exported = ExportResultList(dm_.qryCheckDataEntry, request_.csvName, request_.xlsName);
  if (!(saved && store_.InvalidCount == 0 && exported)) return kExitFailure;
  return sent ? kExitOk : kExitClinic;
}

bool DownloadStore::SendToClinicDatabase() {
  ClinicSend send = SendToClinic(dm_.adoConn.database(), clinic_);
  if (send.failure.empty()) return true;
  ShowNotice(TranslatedErrorNotice(ClinicAwayMessage(send)));
  return false;
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
