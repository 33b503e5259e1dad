// Storing downloaded records: each record waiting in the meter's record list becomes one
// appended row of the result list, and the rows are written to Result_Log as one batch
// at the end of each call. Also ClearData, which empties the table. The window supplies
// the status bar and the cursor through StoreUi; the CLI and tests supply their own.
#pragma once
#include <cstdint>
#include <string>

#include "meter/meter_record.h"

namespace movra {

class TDM;

class StoreUi {
 public:
  virtual ~StoreUi() = default;
  // Panel 0 … 4 of the main window's status bar.
  virtual void setStatusText(int panel, const std::string& text) = 0;
  // The hourglass while true, the default cursor when false.
  virtual void setBusyCursor(bool busy) = 0;
};

// For callers without a window.
class NullStoreUi : public StoreUi {
 public:
  void setStatusText(int, const std::string&) override {}
  void setBusyCursor(bool) override {}
};

class TRecordStore {
 public:
  TRecordStore(TDM& dm, StoreUi& ui) : dm_(dm), ui_(ui) {}

  // Rows stored since the last transfer end; one more per stored row.
  int32_t TransferCount = 0;

  // Drains `records`: one appended row of qryCheckDataEntry per record (a record with a
  // malformed date is traced and skipped), the progress line "Reading <serial>(<port>):  
  // <TransferCount> / <expected>" in panel 0, then all pending rows written in one
  // transaction. Conversion errors show plain message boxes and never stop the run. When
  // the batch cannot be written the error is raised to the caller (the application's
  // general error display) and the rows stay pending for the next call.
  void StoreMeterRecords(TMeterRecordQuery& records, const std::string& serialNumber, const std::string& portName,
                         int32_t expectedCount);

  // Deletes every row of Result_Log, re-queries the result list, TransferCount := 0.
  void ClearData();

 private:
  void storeOne(const TMeterRecord& rec);
  TDM& dm_;
  StoreUi& ui_;
};

}  // namespace movra
