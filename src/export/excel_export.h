// The Excel export: fills worksheet "Sheet1" of a copy of the template workbook with the
// ticked rows and saves it under the chosen name; the template itself is never changed.
#pragma once
#include <string>
#include <vector>

#include "export/export_outcome.h"
#include "export/export_row.h"

namespace movra {

// The k-th ticked row (k = 1, 2 …) goes to worksheet row k + 1, one string cell per
// column, columns 3 and 4 centred. A template that is missing, unreadable or without
// "Sheet1" goes to the general error display and nothing is written. A cell that cannot
// be formed or a failed save shows "Write to Excel Error " + why (the rows before it are
// still saved; the template itself chosen as the target is such a save error); a target
// file in use is silently not written; then "Export to Excel finished!".
ExportOutcome ExportExcel(const std::vector<ExportRow>& rows, const std::string& templatePath,
                          const std::string& targetPath);

}  // namespace movra
