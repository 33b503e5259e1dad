// The Excel export: fills worksheet "Sheet1" of a copy of the template workbook with the
// ticked rows and saves it under the chosen name; the template itself is never changed.
#pragma once
#include <string>
#include <vector>

#include "export/export_outcome.h"
#include "export/export_row.h"

namespace movra {

// The k-th ticked row (k = 1, 2 …) goes to worksheet row k + 1, one string cell per
// column, columns 3 and 4 centred; the workbook opens on "Sheet1". It is saved under
// targetPath as given. A template that is missing, unreadable or without "Sheet1" goes to
// the general error display and nothing is written. A cell that cannot be formed or a
// failed save (the template itself as the target, something other than a regular file
// there, a full disk) returns the message "Write to Excel Error " + why, and the file
// that was there stays as it was; a target file in use is silently not written. The
// caller shows the notice and says that the export finished.
ExportResult ExportExcel(const std::vector<ExportRow>& rows, const std::string& templatePath,
                          const std::string& targetPath);

}  // namespace movra
