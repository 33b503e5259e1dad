#include "data/result_ticked.h"

namespace movra {

namespace {
constexpr const char* kTickedField = "fChecked";
}  // namespace

bool RowTicked(const RowSetCursor& row) { return row.fieldByName(kTickedField).asBoolean(); }

bool RowTicked(const RowSet& rows, int row) { return rows.fieldAt(row, kTickedField).asBoolean(); }

void SetRowTicked(RowSet& rows, bool ticked) { rows.fieldByName(kTickedField).setAsBoolean(ticked); }

int32_t CountTickedRows(const RowSet& rows) {
  int32_t n = 0;
  RowSetCursor c = rows.clone();
  for (c.first(); !c.eof(); c.next())
    if (RowTicked(c)) ++n;
  return n;
}

}  // namespace movra
