// The CSV export: a header line, then one line per row of the list in list order, the
// nine values of a ticked row joined by "," and an empty line for a row that is not
// ticked. Every line ends with CR LF; text is written as UTF-8 without a byte-order mark.
#pragma once
#include <string>
#include <vector>

#include "export/export_outcome.h"
#include "export/export_row.h"

namespace movra {

std::string CsvHeaderLine();
// The line of one row, CR LF included. Throws ExportValueError when a value cannot be
// formed.
std::string CsvRowLine(const ExportRow& row);
// A value holding a comma, a double quote, CR or LF is put in double quotes with inner
// quotes doubled, so that it stays one field (a decimal comma, a "," in a patient id);
// every other value is written as it is.
std::string CsvField(const std::string& value);
// The whole file; throws ExportValueError at the first row that cannot be written.
std::string CsvBytes(const std::vector<ExportRow>& rows);

// Writes the file `file` (the name is used as given), replacing any file there only once
// the new one is whole. A file that cannot be created (something other than a regular
// file is there, or the folder takes no new file) goes to the general error display; a
// row that cannot be written or a write that fails (a full disk) returns the message
// "Write to CSV Error " + why, and the file that was there stays as it was. The caller
// shows the notice and says that the export finished.
ExportResult ExportCsv(const std::vector<ExportRow>& rows, const std::string& file);

}  // namespace movra
