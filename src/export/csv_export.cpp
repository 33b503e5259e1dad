#include "export/csv_export.h"

#include <optional>
#include <string_view>

#include "export/export_values.h"
#include "export/replacement_file.h"

namespace movra {

namespace {
const char kLineEnd[] = "\r\n";
}  // namespace

namespace {

bool NeedsQuotes(std::string_view v) {
  for (char c : v)
    if (c == ',' || c == '"' || c == '\r' || c == '\n') return true;
  return false;
}

void AppendField(std::string& out, std::string_view v) {
  if (!NeedsQuotes(v)) {
    out.append(v);
    return;
  }
  out += '"';
  for (char c : v) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

std::string CsvField(const std::string& value) {
  std::string out;
  AppendField(out, value);
  return out;
}

std::string CsvHeaderLine() {
  std::string line;
  for (const char* title : kExportTitles) {
    if (!line.empty()) line += ',';
    line += title;
  }
  return line + kLineEnd;
}

std::string CsvRowLine(const ExportRow& row) {
  if (!row.checked) return kLineEnd;
  const std::array<std::string, 9> values = CsvValues(row);
  std::string line;
  line.reserve(128);
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) line += ',';
    AppendField(line, values[i]);
  }
  line += kLineEnd;
  return line;
}

std::string CsvBytes(const std::vector<ExportRow>& rows) {
  std::string out = CsvHeaderLine();
  for (const ExportRow& row : rows) out += CsvRowLine(row);
  return out;
}

ExportResult ExportCsv(const std::vector<ExportRow>& rows, const std::string& file) {
  std::optional<ReplacementFile> out;
  try {
    out.emplace(file);
  } catch (const ExportFileError& e) {
    return {ExportOutcome::GeneralError, ErrorNotice(e.what())};
  }
  try {
    out->Write(CsvHeaderLine());
    for (const ExportRow& row : rows) out->Write(CsvRowLine(row));
    out->Commit();
  } catch (const std::runtime_error& e) {
    // A value that cannot be formed or a write the disk refused: the file that was there
    // is kept, and the export is not said to have finished.
    return {ExportOutcome::Failed, InfoNotice(std::string("Write to CSV Error ") + e.what())};
  }
  return {};
}

}  // namespace movra
