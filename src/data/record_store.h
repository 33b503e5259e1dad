// Storing downloaded records: each record waiting in the meter's record list becomes one
// appended row of the result list, and the rows are written to Result_Log as one batch
// at the end of each call. Also ClearData, which empties the table. The window supplies
// the status bar and the cursor through StoreUi; the CLI and tests supply their own.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/datetime.h"
#include "app/notice.h"
#include "data/inr_result.h"
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

// The line that says how many records of a download could not be saved.
extern const char* const kUnsavedRecordsText;
std::string UnsavedRecordsLine(int32_t unsaved);

class TRecordStore {
 public:
  TRecordStore(TDM& dm, StoreUi& ui) : dm_(dm), ui_(ui) {}

  // Rows stored since the last transfer end; one more per stored row.
  int32_t TransferCount = 0;
  // Records the meter sent that cannot be results (no calendar date, no time of day, an
  // INR that is no number): acknowledged and kept by the meter, never stored. The owner
  // sets it to 0 when a download starts.
  int32_t InvalidCount = 0;

  // Drains `records`: one appended row of qryCheckDataEntry per record, the progress line
  // "Reading <serial>(<port>):  <TransferCount> / <expected>" in panel 0, then all
  // pending rows written in one transaction. A record with a malformed date, a time
  // that is no time of day or an INR that is no number is traced, counted
  // (InvalidCount) and skipped; control characters in its texts
  // become "?". A record the list or the file already holds (same serial number, record
  // number, patient, date and time, INR text, sample type and level) is not stored again: a row of the file not yet listed is
  // listed and counted. Conversion errors never stop the run: their plain boxes (the
  // program's title as caption, no icon) are returned, in order, for the caller to show.
  // When the batch cannot be written (a full disk) nothing is told: the rows stay
  // listed and pending for the next call, the failure is traced once and remembered
  // (UnsavedCount, LastWriteError) for the one message at the end of the download.
  std::vector<Notice> StoreMeterRecords(TMeterRecordQuery& records, const std::string& serialNumber,
                                        const std::string& portName, int32_t expectedCount);

  // The same for results already read (ResultOfMeterRecord), without the progress line:
  // each one the list and the file do not hold yet is listed, ticked, and the batch written.
  std::vector<Notice> StoreResults(const std::vector<InrResult>& results);

  // Listed records the file does not hold: their batch could not be written. The list is
  // emptied before each download that finds rows in it, so this counts the current one.
  int32_t UnsavedCount() const;
  // The engine's reason for the last batch that could not be written ("" when none).
  const std::string& LastWriteError() const { return lastWriteError_; }
  // One more try at writing the rows still pending; true when none is left.
  bool WritePendingRows();

  // Deletes every row of Result_Log, re-queries the result list, TransferCount := 0.
  void ClearData();

 private:
  void beginBatch();
  void storeOne(const TMeterRecord& rec);
  // A row is the same test when its serial number, record number, patient, date and time,
  // INR text, sample type and level are the result's.
  void storeResult(const InrResult& result);
  bool listedAlready(const InrResult& id) const;
  int listStoredCopy(const InrResult& id);
  bool FileHasUnlistedRows();
  std::string lastWriteError_;
  std::vector<Notice> notices_;  // of the call in progress
  bool fileHasUnlistedRows_ = true;
  TDM& dm_;
  StoreUi& ui_;
};

}  // namespace movra
