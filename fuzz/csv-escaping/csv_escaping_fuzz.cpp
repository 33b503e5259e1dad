// Any bytes as the meter's texts of one row (patient id, sample type and serial number,
// separated by 0xFF bytes): the CSV line must read back, with a reader of the common CSV
// rules, as exactly nine fields ending in CR LF; each text must come back as it was, or
// with one apostrophe in front when it begins as a formula would; no field may begin as
// a formula unless it is a plain signed number. A value alone must read back as itself.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "export/csv_export.h"
#include "export/export_values.h"

using namespace movra;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// The fields of one line without its line end; nothing when it breaks the common rules
// (a quote inside an unquoted field, an unclosed or misplaced quote, a bare CR or LF).
std::optional<std::vector<std::string>> ReadFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t i = 0;
  for (;;) {
    std::string f;
    if (i < line.size() && line[i] == '"') {
      ++i;
      for (;;) {
        if (i >= line.size()) return std::nullopt;
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            f += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        f += line[i++];
      }
      if (i < line.size() && line[i] != ',') return std::nullopt;
    } else {
      while (i < line.size() && line[i] != ',') {
        if (line[i] == '"' || line[i] == '\r' || line[i] == '\n') return std::nullopt;
        f += line[i++];
      }
    }
    fields.push_back(f);
    if (i >= line.size()) return fields;
    ++i;  // the comma
  }
}

bool StartsAsFormula(const std::string& s) {
  return !s.empty() && (s[0] == '=' || s[0] == '+' || s[0] == '-' || s[0] == '@' || s[0] == '\t' || s[0] == '\r');
}

// A sign followed only by what a number is written with.
bool LooksNumeric(const std::string& s) {
  if (s.size() < 2 || (s[0] != '+' && s[0] != '-')) return false;
  bool digit = false;
  for (size_t i = 1; i < s.size(); ++i) {
    char c = s[i];
    if (c >= '0' && c <= '9') digit = true;
    else if (c != '.' && c != ',' && c != 'e' && c != 'E' && c != '+' && c != '-') return false;
  }
  return digit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> texts(3);
  size_t k = 0;
  for (char c : input) {
    if (static_cast<unsigned char>(c) == 0xFF && k < 2) ++k;
    else texts[k] += c;
  }

  // One value alone reads back as itself.
  auto single = ReadFields(CsvField(texts[0]));
  Check(single && single->size() == 1 && (*single)[0] == texts[0]);

  ExportRow row;
  row.checked = true;
  row.recordNumber = "12";
  row.patientId = texts[0];
  row.sampleType = texts[1];
  row.serialNumber = texts[2];
  row.date = 45366.5868;
  row.timeText = "14:05";
  row.inr = 2.5;
  row.pt = 26;
  std::string line = CsvRowLine(row);
  Check(line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0);
  auto fields = ReadFields(line.substr(0, line.size() - 2));
  Check(fields && fields->size() == 9);
  Check((*fields)[0] == "12" && (*fields)[2] == "YY-MM-DD");
  const size_t textColumns[3] = {1, 7, 8};
  for (size_t t = 0; t < 3; ++t) {
    const std::string& original = texts[t];
    const std::string& written = (*fields)[textColumns[t]];
    if (written == original) {
      Check(!StartsAsFormula(written) || LooksNumeric(written));
    } else {
      Check(written == "'" + original && StartsAsFormula(original));
    }
  }
  return 0;
}
