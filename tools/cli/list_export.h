// The window's two exports of the result list, for file names given on the command line
// instead of chosen in a save dialog.
#pragma once
#include <optional>
#include <string>

#include "data/row_set.h"

namespace movra::cli {

// Walks the list once and writes the ticked rows: the CSV to csvName, with ".csv" added
// unless it ends so (any case), the workbook from ExeDir + "data/MovraTemplate.xls" to
// xlsName, with ".xls" added likewise. An existing file is replaced only by a whole new
// one. Refused as in the window, with its messages, when no row is ticked or the file is
// in use or is no regular file. True when every file asked for was written in full.
bool ExportResultList(RowSet& list, const std::optional<std::string>& csvName,
                      const std::optional<std::string>& xlsName);

}  // namespace movra::cli
