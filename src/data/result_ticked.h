// Whether a row of the result list is ticked (for the exports and the report): the one
// place outside the store that knows which field holds it.
#pragma once
#include <cstdint>

#include "data/row_set.h"

namespace movra {

bool RowTicked(const RowSetCursor& row);
// The row at that index, as the list's view reads it.
bool RowTicked(const RowSet& rows, int row);
// The current row, which must be in edit or insert state.
void SetRowTicked(RowSet& rows, bool ticked);
// Over a copy of the cursor: the list neither moves nor repaints while counting.
int32_t CountTickedRows(const RowSet& rows);

}  // namespace movra
