#include "data/history_row.h"

#include <cmath>
#include <limits>

#include "app/format_settings.h"
#include "app/utf8.h"
#include "data/inr_result_conversion.h"
#include "data/result_queries.h"
#include "data/sql_database.h"

namespace movra {

const char* const kHistoryEntryColumns =
    "fID, fSN, fPatientNo, fDate, fTime_String, fAMPM, fINR_s, fINR_v, fSampleType, fLevel, fRecordNumber";

std::string TextOf(const FieldValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  return {};
}
std::optional<double> NumberOf(const FieldValue& v) {
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* i = std::get_if<int64_t>(&v)) return static_cast<double>(*i);
  return std::nullopt;
}
int64_t IntegerOf(const FieldValue& v) {
  if (const auto* i = std::get_if<int64_t>(&v)) return *i;
  if (const auto* d = std::get_if<double>(&v)) return static_cast<int64_t>(*d);
  return 0;
}

HistoryEntry HistoryEntryOfRow(const SqlStatement& st) {
  HistoryEntry e;
  e.id = IntegerOf(st.column(0));
  InrResult& r = e.result;
  r.serialNumber = TextOf(st.column(1));
  r.patientId = TextOf(st.column(2));
  r.date = NumberOf(st.column(3)).value_or(0);
  r.dateText = FormatDateTime("YYYY-MM-DD", r.date);
  r.timeText = TextOf(st.column(4));
  r.amPm = TextOf(st.column(5));
  r.inrText = TextOf(st.column(6));
  r.inr = NumberOf(st.column(7)).value_or(std::numeric_limits<double>::quiet_NaN());
  r.range = RangeOfInrText(r.inrText);
  r.pt = PtFromInr(std::isnan(r.inr) ? 0 : r.inr);
  // The sample type " " shows as empty, as in the list.
  r.sampleType = TextOf(st.column(8));
  if (Utf8Length(r.sampleType) <= 1) r.sampleType.clear();
  r.controlLevel = TextOf(st.column(9));
  r.recordNumber = TextOf(st.column(10));
  r.checked = true;
  return e;
}

}  // namespace movra
