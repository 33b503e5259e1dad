#include "data/inr_result_conversion.h"

#include <cmath>
#include <limits>

#include "app/format_settings.h"
#include "app/utf8.h"
#include "data/record_conversion.h"
#include "data/result_queries.h"

namespace movra {

namespace {

std::string StoredText(const std::string& meterBytes) { return ReplaceControlCharacters(AnsiToUtf8(meterBytes)); }

// The list itself or a copy of its cursor: both read fields by name.
template <typename Rows>
InrResult ResultOfRow(Rows& list) {
  InrResult r;
  r.checked = list.fieldByName("fChecked").asBoolean();
  r.recordNumber = list.fieldByName("fRecordNumber").asString();
  r.patientId = list.fieldByName("fMeterType").asString();
  r.date = list.fieldByName("fDate").asDateTime();
  if (!list.fieldByName("fDate").isNull()) r.dateText = FormatDateTime("YYYY-MM-DD", r.date);
  r.timeText = list.fieldByName("fTime_String").asString();
  r.amPm = list.fieldByName("fAMPM").asString();
  const auto inr = list.fieldByName("fINR_v");
  r.inr = inr.isNull() ? std::numeric_limits<double>::quiet_NaN() : inr.asFloat();
  r.inrText = list.fieldByName("fINR_s").asString();
  r.range = RangeOfInrText(r.inrText);
  r.pt = list.fieldByName("fPT_Cal").asFloat();
  r.sampleType = list.fieldByName("fSampleType_Cal").asString();
  r.controlLevel = list.fieldByName("fCalibrationLevel").asString();
  r.serialNumber = list.fieldByName("fSN").asString();
  return r;
}

}  // namespace

InrRange RangeOfInrText(const std::string& inrText) {
  if (inrText == InrDisplayText(8.0)) return InrRange::Above;
  if (inrText == InrDisplayText(0.0)) return InrRange::Below;
  return InrRange::In;
}

MeterRecordReading ResultOfMeterRecord(const TMeterRecord& record) {
  MeterRecordReading reading;
  InrResult r;
  r.serialNumber = StoredText(record.SerialNumber);
  r.recordNumber = StoredText(record.RecordNumber);
  if (r.recordNumber.empty()) r.recordNumber = "0";
  r.patientId = StoredText(record.MeterType);
  r.dateText = StoredText(record.Date);
  r.amPm = StoredText(record.AmPm);
  r.sampleType = StoredText(record.CalibrationType);
  r.controlLevel = StoredText(record.CalibrationLevel);
  r.inr = record.InrValue;

  // An INR that is no number (a NaN or an infinity in the meter's memory) is no result: it
  // would enter every average as garbage.
  if (!std::isfinite(r.inr)) {
    reading.notes.push_back("Save Error: record " + r.recordNumber + " of " + r.serialNumber +
                            " holds no INR value (" + FloatToStr(r.inr) + "); not stored");
    return reading;
  }

  // A date that is malformed, or whose numbers form no calendar date, is none.
  std::optional<TDateTime> date;
  if (DateTextPassesCheck(r.dateText)) date = DateFromRecordText(r.dateText);
  if (!date) {
    reading.notes.push_back("Save Error: wrong datetime , should yyyy-mm-dd " + r.dateText);
    return reading;
  }

  // Nor is a time that is no time of day (hour 24, minute 60): every export of the list
  // would stop at it.
  r.timeText = StoredText(record.Time);
  std::optional<TDateTime> timeOfDay;
  MeterTime converted = ConvertMeterTime(r.timeText, r.amPm);
  if (converted.hourError) {
    reading.notes.push_back("Error conversion: hour: " + std::to_string(converted.hour));
  } else {
    r.timeText = converted.text;
    timeOfDay = TimeOfDayFromRecordText(r.timeText);
  }
  if (!timeOfDay) {
    reading.notes.push_back("Save Error: wrong time , should hh:nn " + r.timeText);
    return reading;
  }

  r.date = *date + *timeOfDay;
  r.inrText = InrDisplayText(r.inr);
  r.range = RangeOfInrText(r.inrText);
  r.pt = PtFromInr(r.inr);
  r.checked = true;
  reading.result = r;
  return reading;
}

InrResult ResultOfListRow(RowSet& list) { return ResultOfRow(list); }
InrResult ResultOfListRow(const RowSetCursor& row) { return ResultOfRow(row); }

}  // namespace movra
