#include "app/format_settings.h"

#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale>

namespace movra {

char LocaleDecimalSeparator() {
  for (const char* var : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
    const char* v = std::getenv(var);
    if (!v || !*v) continue;
    try {
      std::locale loc(v);
      return std::use_facet<std::numpunct<char>>(loc).decimal_point();
    } catch (...) {
      // A locale the system does not have: fall back on the language part alone.
      static const char* commaLangs[] = {"de", "fr", "es", "it", "nl", "pt", "ru", "pl", "sv", "da", "fi",
                                         "nb", "cs", "tr", "el", "hu", "ro", "sk", "sl", "hr", "id", "uk"};
      for (const char* l : commaLangs)
        if (std::strncmp(v, l, 2) == 0 && (v[2] == '_' || v[2] == '.' || v[2] == 0)) return ',';
      return '.';
    }
  }
  return '.';
}

TFormatSettings& FormatSettings() {
  static TFormatSettings s = [] {
    TFormatSettings f;
    f.DecimalSeparator = LocaleDecimalSeparator();
    return f;
  }();
  return s;
}

namespace {
std::string pad(int v, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, v);
  return buf;
}
bool startsWithCI(const std::string& s, size_t i, const char* w) {
  size_t n = std::strlen(w);
  if (i + n > s.size()) return false;
  for (size_t k = 0; k < n; ++k)
    if (std::tolower(static_cast<unsigned char>(s[i + k])) != w[k]) return false;
  return true;
}
int dayOfWeek(TDateTime t) {  // 0 = Sunday; 1899-12-30 was a Saturday
  long long d = static_cast<long long>(t < 0 ? -t : t);
  int w = static_cast<int>((d + 6) % 7);
  return t < 0 ? (13 - w) % 7 : w;
}
}  // namespace

std::string FormatDateTime(const std::string& pattern, TDateTime t) {
  const TFormatSettings& fs = FormatSettings();
  DateParts p = DecodeDateTime(t);
  std::string out;
  size_t i = 0;
  while (i < pattern.size()) {
    char c = pattern[i];
    char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == '"' || c == '\'') {
      size_t j = pattern.find(c, i + 1);
      if (j == std::string::npos) j = pattern.size();
      out += pattern.substr(i + 1, j - i - 1);
      i = j + 1;
      continue;
    }
    if (startsWithCI(pattern, i, "am/pm")) {
      out += p.hour < 12 ? "am" : "pm";
      i += 5;
      continue;
    }
    size_t run = 1;
    while (i + run < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[i + run])) == lc) ++run;
    switch (lc) {
      case 'y':
        out += run <= 2 ? pad(p.year % 100, 2) : pad(p.year, 4);
        break;
      case 'm':
        out += run >= 2 ? pad(p.month, 2) : std::to_string(p.month);
        break;
      case 'd':
        if (run >= 4) out += fs.LongDayNames[dayOfWeek(t)];
        else if (run == 3) out += fs.ShortDayNames[dayOfWeek(t)];
        else out += run == 2 ? pad(p.day, 2) : std::to_string(p.day);
        break;
      case 'h':
        out += run >= 2 ? pad(p.hour, 2) : std::to_string(p.hour);
        break;
      case 'n':
        out += run >= 2 ? pad(p.minute, 2) : std::to_string(p.minute);
        break;
      case 's':
        out += run >= 2 ? pad(p.second, 2) : std::to_string(p.second);
        break;
      case 'z':
        out += run >= 3 ? pad(p.msec, 3) : std::to_string(p.msec);
        break;
      case 'c': {
        out += FormatDateTime(fs.ShortDateFormat, t);
        if (p.hour || p.minute || p.second || p.msec) out += " " + FormatDateTime(fs.LongTimeFormat, t);
        break;
      }
      case '/':
        out.append(run, fs.DateSeparator);
        break;
      case ':':
        out.append(run, fs.TimeSeparator);
        break;
      default:
        out.append(run, c);
    }
    i += run;
  }
  return out;
}

std::optional<TDateTime> StrToTime(const std::string& text) {
  const char sep = FormatSettings().TimeSeparator;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && text[i] == ' ') ++i;
  };
  auto number = [&](int& v) {
    skipBlanks();
    size_t start = i;
    v = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && i - start < 5) v = v * 10 + (text[i++] - '0');
    return i > start;
  };
  int parts[3] = {0, 0, 0};
  int count = 0;
  skipBlanks();
  while (count < 3) {
    if (!number(parts[count])) return std::nullopt;
    ++count;
    skipBlanks();
    if (i < text.size() && text[i] == sep) {
      ++i;
      continue;
    }
    break;
  }
  skipBlanks();
  if (count < 2) return std::nullopt;
  // An optional AM/PM marker after the time, as the run-time library accepts.
  if (i < text.size()) {
    std::string rest = text.substr(i);
    const TFormatSettings& fs = FormatSettings();
    auto eqCI = [](const std::string& a, const std::string& b) {
      if (a.size() != b.size()) return false;
      for (size_t k = 0; k < a.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(a[k])) != std::tolower(static_cast<unsigned char>(b[k]))) return false;
      return true;
    };
    bool pm = eqCI(rest, fs.TimePMString) || eqCI(rest, "PM");
    bool am = eqCI(rest, fs.TimeAMString) || eqCI(rest, "AM");
    if (!pm && !am) return std::nullopt;
    if (parts[0] < 1 || parts[0] > 12) return std::nullopt;
    if (parts[0] == 12) parts[0] = 0;
    if (pm) parts[0] += 12;
  }
  return EncodeTime(parts[0], parts[1], parts[2], 0);
}

std::string FormatFloat(const char* printfFormat, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, printfFormat, v);
  std::string s = buf;
  char dec = FormatSettings().DecimalSeparator;
  if (dec != '.')
    for (char& ch : s)
      if (ch == '.') ch = dec;
  return s;
}

}  // namespace movra
