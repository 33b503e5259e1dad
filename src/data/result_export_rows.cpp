#include "data/result_export_rows.h"

#include "data/inr_result_conversion.h"

namespace movra {

ExportRow ExportRowOf(RowSet& list) { return ResultOfListRow(list); }

std::vector<ExportRow> ResultRowsInPlace(const RowSet& list) {
  std::vector<ExportRow> rows;
  if (!list.active()) return rows;
  RowSetCursor c = list.clone();
  for (c.first(); !c.eof(); c.next()) rows.push_back(ResultOfListRow(c));
  return rows;
}

std::vector<ExportRow> ResultExportRows(RowSet& list) {
  std::vector<ExportRow> rows;
  if (!list.active()) return rows;
  for (list.first(); !list.eof(); list.next()) rows.push_back(ExportRowOf(list));
  return rows;
}

}  // namespace movra
