// The rows of the result list as the exports read them. The window and movra-cli both
// export through here, so the two can never write different files for the same list.
#pragma once
#include <vector>

#include "data/row_set.h"
#include "export/export_row.h"

namespace movra {

// The current row of the result list as a result.
ExportRow ExportRowOf(RowSet& list);

// Every row in list order, walked with the list's own cursor (a view bound to it follows),
// so the list ends standing on its last row. Empty for a list that is not open.
std::vector<ExportRow> ResultExportRows(RowSet& list);

// Every row in list order, read through a copy of the cursor: the list's current row (and
// a view bound to it) stays where it is. Empty for a list that is not open.
std::vector<ExportRow> ResultRowsInPlace(const RowSet& list);

}  // namespace movra
