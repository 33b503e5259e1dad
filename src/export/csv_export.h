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

// Writes `path` + ".csv" (the extension is always appended), replacing any file there.
// A file that cannot be created goes to the general error display and nothing else is
// said; a row that cannot be written shows "Write to CSV Error " + why and ends the walk
// (the lines before it stay); the export ends with "Export to CSV finished!".
ExportOutcome ExportCsv(const std::vector<ExportRow>& rows, const std::string& path);

}  // namespace movra
