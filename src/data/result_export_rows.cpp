#include "data/result_export_rows.h"

#include <limits>

namespace movra {

namespace {

// The list itself or a copy of its cursor: both read fields by name.
template <typename Rows>
ExportRow RowOf(Rows& list) {
  ExportRow r;
  r.checked = list.fieldByName("fChecked").asBoolean();
  r.recordNumber = list.fieldByName("fRecordNumber").asString();
  r.patientId = list.fieldByName("fMeterType").asString();
  r.date = list.fieldByName("fDate").asDateTime();
  r.timeText = list.fieldByName("fTime_String").asString();
  // An older version stored a damaged record's INR as no value: it stays no number here
  // rather than becoming 0, which the report would count as below the range.
  const auto inr = list.fieldByName("fINR_v");
  r.inr = inr.isNull() ? std::numeric_limits<double>::quiet_NaN() : inr.asFloat();
  r.pt = list.fieldByName("fPT_Cal").asFloat();
  r.sampleType = list.fieldByName("fSampleType_Cal").asString();
  r.serialNumber = list.fieldByName("fSN").asString();
  return r;
}

}  // namespace

ExportRow ExportRowOf(RowSet& list) { return RowOf(list); }

std::vector<ExportRow> ResultRowsInPlace(const RowSet& list) {
  std::vector<ExportRow> rows;
  if (!list.active()) return rows;
  RowSetCursor c = list.clone();
  for (c.first(); !c.eof(); c.next()) rows.push_back(RowOf(c));
  return rows;
}

std::vector<ExportRow> ResultExportRows(RowSet& list) {
  std::vector<ExportRow> rows;
  if (!list.active()) return rows;
  for (list.first(); !list.eof(); list.next()) rows.push_back(ExportRowOf(list));
  return rows;
}

}  // namespace movra
