#include "data/record_store.h"

#include "app/config.h"
#include "app/dialogs.h"
#include "app/format_settings.h"
#include "app/trace.h"
#include "app/utf8.h"
#include "data/data_module.h"
#include "data/record_conversion.h"

namespace movra {

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

void TRecordStore::StoreMeterRecords(TMeterRecordQuery& records, const std::string& serialNumber,
                                     const std::string& portName, int32_t expectedCount) {
  RowSet& q = dm_.qryCheckDataEntry;
  StoreScope scope(q, ui_);
  if (!q.active()) q.open();

  TMeterRecord rec;
  while (records.Pop(rec)) storeOne(rec);

  ui_.setStatusText(0, "Reading " + serialNumber + "(" + portName + "):  " + std::to_string(TransferCount) + " / " +
                           std::to_string(expectedCount));
  q.updateBatch();
}

void TRecordStore::storeOne(const TMeterRecord& raw) {
  RowSet& q = dm_.qryCheckDataEntry;
  // The meter's byte strings are kept as text; bytes that are no UTF-8 are Latin-1.
  TMeterRecord rec = raw;
  for (std::string* s : {&rec.RecordNumber, &rec.SerialNumber, &rec.MeterType, &rec.Date, &rec.Time, &rec.AmPm,
                         &rec.CalibrationType, &rec.CalibrationLevel})
    *s = AnsiToUtf8(*s);

  q.append();
  q.fieldByName("fRecordNumber").setAsString(rec.RecordNumber.empty() ? std::string("0") : rec.RecordNumber);
  q.fieldByName("fPatientID").setAsInteger(-1000);
  q.fieldByName("fProviderID").setAsInteger(StrToIntDef(rec.RecordNumber, 0));
  q.fieldByName("fChecked").setAsBoolean(true);

  // A date that is malformed, or whose numbers form no calendar date, is not stored.
  std::optional<TDateTime> date;
  if (DateTextPassesCheck(rec.Date)) date = DateFromRecordText(rec.Date);
  if (!date) {
    BugMessage("Save Error: wrong datetime , should yyyy-mm-dd " + rec.Date);
    q.cancel();
    return;
  }

  std::string timeText = rec.Time;
  try {
    if (!rec.AmPm.empty()) {
      q.fieldByName("fAMPM").setAsString(rec.AmPm);
      MeterTime t = ConvertMeterTime(rec.Time, rec.AmPm);
      if (t.hourError) {
        BugMessage("Error conversion: hour: " + std::to_string(t.hour));
        throw DbError("Error in conversion, hour = " + std::to_string(t.hour));
      }
      timeText = t.text;
    }
    q.fieldByName("fTime_String").setAsString(timeText);
    std::optional<TDateTime> timeOfDay = StrToTime(timeText);
    q.fieldByName("fTime").setAsDateTime(*date + timeOfDay.value_or(0.0));
    q.fieldByName("fDate").setAsDateTime(*date + timeOfDay.value_or(0.0));
    q.fieldByName("fDateTime").setAsDateTime(Now());
  } catch (const std::exception& e) {
    PlainMessageBox(std::string("Error Data") + "\r\n" + e.what() + "\r\n" + rec.RecordNumber + "\r\n" + rec.Date + " " +
                        timeText + "\r\n" + FloatToStr(rec.InrValue) + "\r\n",
                    kApplicationTitle, MB_OK);
  }

  const std::string shortMessageTail = "\r\n\r\r" + rec.Date + timeText + rec.CalibrationType + rec.RecordNumber;
  try {
    q.fieldByName("fInr_v").setAsFloat(rec.InrValue);
    q.fieldByName("fInr_s").setAsString(InrDisplayText(rec.InrValue));
    q.fieldByName("fCalibrationType").setAsString(rec.CalibrationType);
    q.fieldByName("fCalibrationLevel").setAsString(rec.CalibrationLevel);
    q.fieldByName("fMeterType").setAsString(rec.MeterType);
    q.fieldByName("fSN").setAsString(rec.SerialNumber);
  } catch (const std::exception& e) {
    PlainMessageBox(e.what() + shortMessageTail, kApplicationTitle, MB_OK);
  }

  try {
    q.post();
    ++TransferCount;
  } catch (const std::exception& e) {
    q.cancel();
    PlainMessageBox(e.what() + shortMessageTail, kApplicationTitle, MB_OK);
    BugMessage(std::string("Save Error ") + "\r\n" + e.what());
  }
}

void TRecordStore::ClearData() {
  dm_.qryUpdate.SQL = "Delete From result_Log";
  dm_.qryUpdate.ExecSQL();
  RowSet& q = dm_.qryCheckDataEntry;
  if (q.active()) q.requery();
  else q.open();
  TransferCount = 0;
}

}  // namespace movra
