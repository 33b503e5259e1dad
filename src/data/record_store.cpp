#include "data/record_store.h"

#include <cmath>
#include <utility>

#include "app/config.h"
#include "app/format_settings.h"
#include "app/language.h"
#include "app/notice.h"
#include "app/trace.h"
#include "app/utf8.h"
#include "data/data_module.h"
#include "data/inr_result_conversion.h"
#include "data/reading_progress.h"
#include "data/record_conversion.h"
#include "data/sql_database.h"

namespace movra {

const char* const kUnsavedRecordsText = "Records that could not be saved (they are still in the meter): ";

std::string UnsavedRecordsLine(int32_t unsaved) { return TranslateText(kUnsavedRecordsText) + std::to_string(unsaved); }

namespace {
// Re-enables the grid and resets the cursor however the run ends.
class StoreScope {
 public:
  StoreScope(RowSet& q, StoreUi& ui) : q_(q), ui_(ui) {
    ui_.setBusyCursor(true);
    q_.disableControls();
  }
  ~StoreScope() {
    // A row left half-made by an unexpected error is not stored.
    if (q_.active() && q_.state() == RowSetState::Insert) q_.cancel();
    q_.enableControls();
    ui_.setBusyCursor(false);
  }

 private:
  RowSet& q_;
  StoreUi& ui_;
};
}  // namespace

std::vector<Notice> TRecordStore::StoreMeterRecords(TMeterRecordQuery& records, const std::string& serialNumber,
                                                    const std::string& portName, int32_t expectedCount) {
  RowSet& q = dm_.qryCheckDataEntry;
  StoreScope scope(q, ui_);
  beginBatch();
  TMeterRecord rec;
  while (records.Pop(rec)) storeOne(rec);

  ui_.setStatusText(0, ReadingProgressText(serialNumber, portName, TransferCount, expectedCount));
  WritePendingRows();
  return std::exchange(notices_, {});
}

std::vector<Notice> TRecordStore::StoreResults(const std::vector<InrResult>& results) {
  StoreScope scope(dm_.qryCheckDataEntry, ui_);
  beginBatch();
  for (const InrResult& r : results) storeResult(r);
  WritePendingRows();
  return std::exchange(notices_, {});
}

void TRecordStore::beginBatch() {
  RowSet& q = dm_.qryCheckDataEntry;
  if (!q.active()) q.open();
  fileHasUnlistedRows_ = FileHasUnlistedRows();
}

bool TRecordStore::WritePendingRows() {
  RowSet& q = dm_.qryCheckDataEntry;
  if (!q.active() || q.pendingCount() == 0) return true;
  try {
    q.updateBatch();
    lastWriteError_.clear();
    return true;
  } catch (const DbError& e) {
    // A full disk fails every batch after the first: the trace says it once.
    if (lastWriteError_ != e.what()) BugMessage(std::string("Save Error ") + "\r\n" + e.what());
    lastWriteError_ = e.what();
    return false;
  }
}

int32_t TRecordStore::UnsavedCount() const {
  const RowSet& q = dm_.qryCheckDataEntry;
  return q.active() ? q.pendingNewCount() : 0;
}

void TRecordStore::storeOne(const TMeterRecord& raw) {
  // A record that can be no result is traced and counted; the meter keeps it.
  MeterRecordReading reading = ResultOfMeterRecord(raw);
  for (const std::string& note : reading.notes) BugMessage(note);
  if (!reading.result) {
    ++InvalidCount;
    return;
  }
  storeResult(*reading.result);
}

void TRecordStore::storeResult(const InrResult& rec) {
  RowSet& q = dm_.qryCheckDataEntry;
  // A meter answering at both line speeds is read twice in one download, and a meter
  // read again gives its records again: each is stored once. A test is known by its
  // meter, record number, patient, date and time, value, sample type and level, so two
  // patients' results of the same minute are two results.
  if (listedAlready(rec)) {
    BugMessage("Record " + rec.recordNumber + " of " + rec.serialNumber + " is listed already; not stored again");
    return;
  }
  if (int listed = fileHasUnlistedRows_ ? listStoredCopy(rec) : 0; listed > 0) {
    BugMessage("Record " + rec.recordNumber + " of " + rec.serialNumber + " is stored already; listed, not stored again");
    TransferCount += listed;
    return;
  }

  q.append();
  q.fieldByName("fRecordNumber").setAsString(rec.recordNumber);
  q.fieldByName("fPatientID").setAsInteger(-1000);
  q.fieldByName("fProviderID").setAsInteger(StrToIntDef(rec.recordNumber, 0));
  q.fieldByName("fChecked").setAsBoolean(true);

  try {
    if (!rec.amPm.empty()) q.fieldByName("fAMPM").setAsString(rec.amPm);
    q.fieldByName("fTime_String").setAsString(rec.timeText);
    q.fieldByName("fTime").setAsDateTime(rec.date);
    q.fieldByName("fDate").setAsDateTime(rec.date);
    q.fieldByName("fDateTime").setAsDateTime(Now());
  } catch (const std::exception& e) {
    notices_.push_back(Notice{std::string("Error Data") + "\r\n" + e.what() + "\r\n" + rec.recordNumber + "\r\n" +
                                  rec.dateText + " " + rec.timeText + "\r\n" + FloatToStr(rec.inr) + "\r\n",
                              kApplicationTitle});
  }

  const std::string shortMessageTail = "\r\n\r\r" + rec.dateText + rec.timeText + rec.sampleType + rec.recordNumber;
  try {
    q.fieldByName("fInr_v").setAsFloat(rec.inr);
    q.fieldByName("fInr_s").setAsString(rec.inrText);
    q.fieldByName("fCalibrationType").setAsString(rec.sampleType);
    q.fieldByName("fCalibrationLevel").setAsString(rec.controlLevel);
    q.fieldByName("fMeterType").setAsString(rec.patientId);
    q.fieldByName("fSN").setAsString(rec.serialNumber);
  } catch (const std::exception& e) {
    notices_.push_back(Notice{e.what() + shortMessageTail, kApplicationTitle});
  }

  try {
    q.post();
    ++TransferCount;
  } catch (const std::exception& e) {
    q.cancel();
    notices_.push_back(Notice{e.what() + shortMessageTail, kApplicationTitle});
    BugMessage(std::string("Save Error ") + "\r\n" + e.what());
  }
}

bool TRecordStore::listedAlready(const InrResult& id) const {
  const RowSet& q = dm_.qryCheckDataEntry;
  const int numberField = q.findField("fRecordNumber"), serialField = q.findField("fSN");
  const int timeField = q.findField("fTime_String"), dateField = q.findField("fDate");
  const int patientField = q.findField("fMeterType"), inrField = q.findField("fInr_s");
  const int typeField = q.findField("fCalibrationType"), levelField = q.findField("fCalibrationLevel");
  for (int row = 0; row < q.recordCount(); ++row) {
    if (q.fieldAt(row, numberField).asString() != id.recordNumber) continue;
    if (q.fieldAt(row, serialField).asString() != id.serialNumber) continue;
    if (q.fieldAt(row, timeField).asString() != id.timeText) continue;
    if (q.fieldAt(row, patientField).asString() != id.patientId) continue;
    if (q.fieldAt(row, inrField).asString() != id.inrText) continue;
    if (q.fieldAt(row, typeField).asString() != id.sampleType) continue;
    if (q.fieldAt(row, levelField).asString() != id.controlLevel) continue;
    const FieldRef date = q.fieldAt(row, dateField);
    if (!date.isNull() && date.asDateTime() == id.date) return true;
  }
  return false;
}

// Every row of the file is listed unless the file holds more rows than the list has
// written: then a record may have been stored by an earlier run.
bool TRecordStore::FileHasUnlistedRows() {
  const RowSet& q = dm_.qryCheckDataEntry;
  try {
    SqlStatement st(dm_.adoConn.database(), "SELECT count(*) FROM Result_Log");
    if (!st.step()) return true;
    const FieldValue inFile = st.column(0);
    const auto* n = std::get_if<int64_t>(&inFile);
    return !n || *n > q.recordCount() - q.pendingNewCount();
  } catch (const DbError&) {
    return true;
  }
}

// Rows of the file stored by an earlier run (never listed since, or listed before a
// re-query) are the records just read: they are listed again rather than stored twice.
int TRecordStore::listStoredCopy(const InrResult& id) {
  // The text columns compare without regard to case; serial numbers and the other texts
  // of a test must match exactly ("mv200001234" is another meter than "MV200001234").
  try {
    return dm_.qryCheckDataEntry.addStoredRows(
        "SELECT * FROM Result_Log WHERE fSN = ? COLLATE BINARY AND fRecordNumber = ? COLLATE BINARY AND fDate = ? "
        "AND fTime_String = ? COLLATE BINARY AND ifnull(fMeterType, '') = ? COLLATE BINARY "
        "AND ifnull(fInr_s, '') = ? COLLATE BINARY AND ifnull(fCalibrationType, '') = ? COLLATE BINARY "
        "AND ifnull(fCalibrationLevel, '') = ? COLLATE BINARY ORDER BY fID LIMIT 1",
        {id.serialNumber, id.recordNumber, id.date,       id.timeText,
         id.patientId,    id.inrText,      id.sampleType, id.controlLevel});
  } catch (const DbError& e) {
    // A file that cannot be read here gets the record stored; writing will tell.
    BugMessage(std::string("Save Error ") + "\r\n" + e.what());
    return 0;
  }
}

void TRecordStore::ClearData() {
  dm_.qryUpdate.SQL = "Delete From result_Log";
  dm_.qryUpdate.ExecSQL();
  RowSet& q = dm_.qryCheckDataEntry;
  if (q.active()) q.requery();
  else q.open();
  TransferCount = 0;
  // The rows a failed batch left are gone with the list.
  lastWriteError_.clear();
}

}  // namespace movra
