// A download that stores its records as the main window does: the program folder's
// database is opened as at the window's start-up, each MessageId::MeterRecords becomes one
// StoreMeterRecords call (its progress line printed), and at the end the result list is
// printed and, when asked, exported.
#pragma once
#include <memory>
#include <optional>
#include <string>

#include "cli_environment.h"
#include "data/data_module.h"
#include "data/record_store.h"
#include "download_sink.h"
#include "meter/hb_meter.h"

namespace movra::cli {

struct StoreRequest {
  bool clearFirst = false;             // empty Result_Log before storing; otherwise add to it
  std::optional<std::string> csvName;  // ".csv" added unless it ends so
  std::optional<std::string> xlsName;  // ".xls" added unless it ends so
};

class DownloadStore : public DownloadSink {
 public:
  DownloadStore(CHBMeter& meter, TDM& dm, StoreRequest request);
  // For the whole Download command, whose downloader hands the records to Records().
  DownloadStore(TDM& dm, StoreRequest request);
  ~DownloadStore();
  TRecordStore& Records() { return store_; }
  // The whole command's end, after its summary: pending rows written, the result list
  // printed, rows the database could not take told, and the exports unless interrupted.
  int FinishCommand(bool interrupted);

  // Before the transfer: refuses a database that cannot be written, empties the table
  // when asked, then orders the list by serial number as the window does before each
  // download. False when the download must not start (the error has been shown).
  bool Prepare();
  void OnMessage(const Message& m) override;
  int Finish(bool interrupted) override;

 private:
  class ProgressPrinter : public StoreUi {
   public:
    void setStatusText(int panel, const std::string& text) override;
    void setBusyCursor(bool) override {}
  };

  void StoreRecords();
  bool ReportUnsavedRecords();
  void PrintResultList();

  CHBMeter* meter_ = nullptr;
  TDM& dm_;
  StoreRequest request_;
  ProgressPrinter progress_;
  TRecordStore store_;
  int32_t expectedCount_ = 0;
  int32_t downloadTotal_ = 0;
  bool ended_ = false;
};

}  // namespace movra::cli
