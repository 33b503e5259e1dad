// A download that stores its records as the main window does: the program folder's
// database opened as at the window's start-up, each batch the downloader hands over
// stored before its acknowledgement (its progress line printed), and at the end the
// result list printed and, when asked, exported.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "cli_environment.h"
#include "clinic/clinic_target.h"
#include "data/data_module.h"
#include "data/record_store.h"
#include "download/download_keeper.h"

namespace movra::cli {

struct StoreRequest {
  bool clearFirst = false;             // empty Result_Log before storing; otherwise add to it
  std::optional<std::string> csvName;  // ".csv" added unless it ends so
  std::optional<std::string> xlsName;  // ".xls" added unless it ends so
  std::optional<std::string> databaseOption;  // --database: the clinic's database
};

class DownloadStore : public RecordStoreKeeper {
 public:
  DownloadStore(TDM& dm, StoreRequest request);

  // Before the transfer: refuses a database that cannot be written, empties the table
  // when asked, then orders the list by serial number as the window does before each
  // download. False when the download must not start (the error has been shown).
  bool Prepare();
  // An error while storing is told as the window's general error display tells it; the
  // records of a batch that cannot be written stay pending for the next.
  std::vector<Notice> Keep(TMeterRecordQuery& records, const std::string& serialNumber, const std::string& portName,
                           int32_t expectedCount) override;
  // The end: pending rows written, the result list printed, rows the database could not
  // take told, with tellInvalid the records that can be no result (the whole command's
  // summary says those itself), and the exports unless interrupted.
  int Finish(bool interrupted, bool tellInvalid);

 private:
  class ProgressPrinter : public StoreUi {
   public:
    void setStatusText(int panel, const std::string& text) override;
    void setBusyCursor(bool) override {}
  };

  bool ReportUnsavedRecords();
  void PrintResultList();

  // What waits for the clinic's database is sent; its failure is told once. False then.
  bool SendToClinicDatabase();

  TDM& dm_;
  StoreRequest request_;
  ClinicTarget clinic_;
  ProgressPrinter progress_;
  TRecordStore store_;
};

}  // namespace movra::cli
