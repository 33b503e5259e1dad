#include "export/csv_export.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "app/dialogs.h"
#include "export/export_values.h"

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

ExportOutcome ExportCsv(const std::vector<ExportRow>& rows, const std::string& path) {
  const std::string file = path + ".csv";
  std::FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) {
    ShowError("Cannot create file \"" + file + "\". " + std::strerror(errno));
    return ExportOutcome::GeneralError;
  }
  auto put = [&](const std::string& line) {
    if (std::fwrite(line.data(), 1, line.size(), f) != line.size()) throw ExportValueError(std::strerror(errno));
  };
  bool failed = false;
  try {
    put(CsvHeaderLine());
    for (const ExportRow& row : rows) put(CsvRowLine(row));
  } catch (const ExportValueError& e) {
    failed = true;
    ShowInfo(std::string("Write to CSV Error ") + e.what());
  }
  // The last lines reach the disk only when the file is closed; a failure there is a
  // write error as well, not a finished export without a word.
  int flushed = std::fflush(f);
  int err = errno;
  int closed = std::fclose(f);
  if (closed != 0 && flushed == 0) err = errno;
  if ((flushed != 0 || closed != 0) && !failed) ShowInfo(std::string("Write to CSV Error ") + std::strerror(err));
  ShowInfo("Export to CSV finished!");
  return ExportOutcome::Finished;
}

}  // namespace movra
