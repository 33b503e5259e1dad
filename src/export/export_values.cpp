#include "export/export_values.h"

#include <cctype>
#include <climits>
#include <cmath>

#include "app/format_settings.h"

namespace movra {

const std::array<const char*, 9> kExportTitles = {"Test Record Number", "PatientID", "DATE FORMAT", "DATE",
                                                  "TIME", "INR", "PT", "SAMPLE TYPE", "Serial Number"};

namespace {

const char* kDateFormatText = "YY-MM-DD";

// The record number read as an integer, as the run-time library reads it: blanks before
// an optional sign and decimal digits, nothing after.
long long IntegerValue(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  size_t digits = i;
  long long v = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
    v = v * 10 + (text[i++] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (i == digits || i != text.size() || (negative ? -v < INT_MIN : v > INT_MAX))
    throw ExportValueError("'" + text + "' is not a valid integer value");
  return negative ? -v : v;
}

std::string Padded(const std::string& v) { return " " + v + " "; }

void TwoDigits(std::string& out, int v) {
  out += static_cast<char>('0' + v / 10 % 10);
  out += static_cast<char>('0' + v % 10);
}

// "%.1f" of an INR already rounded to one decimal, written from its tenths: the same text
// without the cost of printf, which an export of thousands of rows notices.
std::string InrText(double rounded) {
  double tenths = std::nearbyint(rounded * 10);
  if (!(tenths > 0 && tenths < 1e9)) return FormatFloat("%.1f", rounded);
  long long n = static_cast<long long>(tenths);
  std::string out = std::to_string(n / 10);
  out += FormatSettings().DecimalSeparator;
  out += static_cast<char>('0' + n % 10);
  return out;
}

// "%.0f" of a whole number.
std::string WholeText(double v) {
  if (!(v >= 0 && v < 1e15) || v != std::floor(v)) return FormatFloat("%.0f", v);
  return std::to_string(static_cast<long long>(v));
}

// A plain decimal number: an optional sign, digits with one decimal point or comma at
// most, an optional exponent. A spreadsheet reads it as the number, never as a formula.
bool IsPlainNumber(const std::string& t) {
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t digits = 0;
  bool point = false;
  for (; i < t.size(); ++i) {
    if (std::isdigit(static_cast<unsigned char>(t[i]))) {
      ++digits;
    } else if ((t[i] == '.' || t[i] == ',') && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t start = i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
    if (i == start) return false;
  }
  return i == t.size();
}

}  // namespace

std::string CsvSafeText(const std::string& text) {
  if (text.empty()) return text;
  switch (text[0]) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
      return IsPlainNumber(text) ? text : "'" + text;
    default:
      return text;
  }
}

double RoundedInr(double inr) {
  // nearbyint rounds half to even in the default rounding mode.
  return std::nearbyint(inr * 10) / 10;
}

InrRange RangeOf(double rounded) {
  if (rounded > 7.0) return InrRange::Above;
  // The comparison is against the extended-precision 0.7, which lies just above the
  // double 0.7; for a double that is the same as "not above the double 0.7".
  if (rounded <= 0.7) return InrRange::Below;
  return InrRange::In;
}

std::string ArrowText(InrRange range) { return range == InrRange::Above ? "INR \xE2\x86\x91" : "INR \xE2\x86\x93"; }

std::string RecordNumberText(const ExportRow& row) {
  return IntegerValue(row.recordNumber) < 1 ? std::string("00") : row.recordNumber;
}

// "hh:nn" and "yy-mm-dd" as the date-time formatter writes them.
std::string TimeText(const ExportRow& row) {
  std::optional<TDateTime> t = StrToTime(row.timeText);
  if (!t) throw ExportValueError("'" + row.timeText + "' is not a valid time");
  DateParts p = DecodeDateTime(*t);
  std::string out;
  TwoDigits(out, p.hour);
  out += FormatSettings().TimeSeparator;
  TwoDigits(out, p.minute);
  return out;
}

std::string DateText(const ExportRow& row) {
  DateParts p = DecodeDateTime(row.date);
  if (!std::isfinite(row.date) || p.year < 0) return FormatDateTime("yy-mm-dd", row.date);
  std::string out;
  TwoDigits(out, p.year % 100);
  out += '-';
  TwoDigits(out, p.month);
  out += '-';
  TwoDigits(out, p.day);
  return out;
}

std::array<std::string, 9> CsvValues(const ExportRow& row) {
  std::array<std::string, 9> v;
  v[0] = RecordNumberText(row);
  v[1] = CsvSafeText(row.patientId);
  v[2] = kDateFormatText;
  v[3] = Padded(DateText(row));
  v[4] = Padded(TimeText(row));
  double inr = RoundedInr(row.inr);
  InrRange range = RangeOf(inr);
  if (range == InrRange::In) {
    v[5] = Padded(InrText(inr));
    v[6] = Padded(WholeText(std::nearbyint(row.pt)));
  } else {
    v[5] = v[6] = ArrowText(range);
  }
  v[7] = CsvSafeText(row.sampleType);
  v[8] = CsvSafeText(row.serialNumber);
  return v;
}

std::string ExcelValue(const ExportRow& row, int column) {
  switch (column) {
    case 0:
      return RecordNumberText(row);
    case 1:
      return row.patientId;
    case 2:
      return kDateFormatText;
    case 3:
      return Padded(DateText(row));
    case 4:
      return Padded(TimeText(row));
    case 5:
    case 6: {
      double inr = RoundedInr(row.inr);
      InrRange range = RangeOf(inr);
      if (range != InrRange::In) return ArrowText(range);
      // The PT goes in as the spreadsheet shows a number in general format.
      return column == 5 ? InrText(inr) : FormatFloat("%.15g", row.pt);
    }
    case 7:
      return row.sampleType;
    case 8:
      return row.serialNumber;
    default:
      return std::string();
  }
}

}  // namespace movra
