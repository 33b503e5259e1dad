#include "data/record_conversion.h"

#include <cctype>
#include <cstdio>

#include "app/format_settings.h"
#include "data/field_value.h"

namespace movra {

namespace {
// Copy(s, from, count) with 1-based `from`, safe past the end.
std::string copy(const std::string& s, size_t from, size_t count) {
  if (from == 0 || from > s.size()) return {};
  return s.substr(from - 1, count);
}

bool equalsCI(const std::string& a, const char* b) { return SameName(a, b); }
}  // namespace

bool DateTextPassesCheck(const std::string& date) {
  if (date.size() < 10) return false;
  return TextReadsAsNumber(copy(date, 1, 4)) && TextReadsAsNumber(copy(date, 6, 2)) && TextReadsAsNumber(copy(date, 9, 2));
}

std::optional<TDateTime> DateFromRecordText(const std::string& date) {
  // The meter pads its date parts to two digits but never cuts them: a day byte of 100 gives
  // "2024-03-100", which is no calendar date, not 10 March.
  if (date.size() > 10) return std::nullopt;
  int year = StrToIntDef(copy(date, 1, 4), 2010);
  int month = StrToIntDef(copy(date, 6, 2), 12);
  int day = StrToIntDef(copy(date, 9, 2), 1);
  return EncodeDate(year, month, day);
}

MeterTime ConvertMeterTime(const std::string& time, const std::string& ampm) {
  MeterTime t;
  t.text = time;
  if (ampm.empty()) return t;
  t.hour = StrToIntDef(copy(time, 1, 2), -1);
  const std::string minutes = copy(time, 4, 2);
  if (t.hour < 0) {
    t.hourError = true;
    return t;
  }
  int h = t.hour;
  if (h <= 11) {
    if (equalsCI(ampm, "PM")) h += 12;
  } else if (h == 12) {
    // 12 AM is the hour after midnight, 12 PM the hour after noon.
    if (equalsCI(ampm, "AM")) h = 0;
  } else {
    return t;
  }
  char buf[16];
  std::snprintf(buf, sizeof buf, "%.2d", h);
  t.text = std::string(buf) + ":" + minutes;
  return t;
}

std::optional<TDateTime> TimeOfDayFromRecordText(const std::string& timeText) { return StrToTime(timeText); }

std::string ReplaceControlCharacters(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
    const auto third = i + 2 < utf8.size() ? static_cast<unsigned char>(utf8[i + 2]) : 0;
    if (b < 0x20 || b == 0x7F) {
      out += '?';
    } else if (b == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080 .. U+009F
      out += '?';
      i += 1;
    } else if (b == 0xE2 && next == 0x80 && third >= 0xA8 && third <= 0xAE) {
      // U+2028, U+2029 break lines; U+202A .. U+202E embed and override the text's
      // direction, so "PT123" could show as "321TP".
      out += '?';
      i += 2;
    } else if (b == 0xE2 && next == 0x81 && third >= 0xA6 && third <= 0xA9) {  // isolates U+2066 .. U+2069
      out += '?';
      i += 2;
    } else {
      out += static_cast<char>(b);
    }
  }
  return out;
}

std::string InrDisplayText(double inr) {
  // The limits are compared in extended precision, as they always were: an INR of 0.7
  // read from the meter's single-precision value (0.699999988) lies below the range.
  const long double v = inr;
  if (v > 7.0L) return "INR \u2191";
  if (v < 0.7L) return "INR \u2193";
  return FormatFloat("%.1f", inr);
}

}  // namespace movra
