#include "data/field_value.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "app/format_settings.h"

namespace movra {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool kindIsInteger(FieldKind k) { return k == FieldKind::Integer || k == FieldKind::SmallInt || k == FieldKind::AutoInc; }

void rangeOf(FieldKind k, int64_t& lo, int64_t& hi) {
  if (k == FieldKind::SmallInt) {
    lo = -32768;
    hi = 32767;
  } else {
    lo = std::numeric_limits<int32_t>::min();
    hi = std::numeric_limits<int32_t>::max();
  }
}

int64_t checkRange(const FieldDef& def, int64_t n) {
  int64_t lo, hi;
  rangeOf(def.kind, lo, hi);
  if (n < lo || n > hi)
    throw DbError(std::to_string(n) + " is not a valid value for field '" + def.name + "'. The allowed range is " +
                  std::to_string(lo) + " to " + std::to_string(hi));
  return n;
}

// Strict integer text: blanks and sign, then decimal or "$"/"0x" hexadecimal digits.
bool parseInt64(const std::string& s, int64_t& out) {
  size_t i = 0;
  while (i < s.size() && isBlank(s[i])) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return false;
  unsigned long long v = 0;
  for (; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int d;
    if (std::isdigit(c)) d = c - '0';
    else if (base == 16 && std::isxdigit(c)) d = std::tolower(c) - 'a' + 10;
    else return false;
    v = v * base + d;
    if (v > (1ull << 40)) return false;  // far beyond any column's range
  }
  out = neg ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
  return true;
}

// Floating-point text with the locale's decimal separator; blanks around it allowed.
bool parseFloat(const std::string& s, double& out) {
  const char dec = FormatSettings().DecimalSeparator;
  size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  if (b == e) return false;
  std::string t;
  size_t i = b;
  if (s[i] == '+' || s[i] == '-') t += s[i++];
  size_t digits = 0;
  while (i < e && std::isdigit(static_cast<unsigned char>(s[i]))) t += s[i++], ++digits;
  if (i < e && s[i] == dec) {
    t += '.';
    ++i;
    while (i < e && std::isdigit(static_cast<unsigned char>(s[i]))) t += s[i++], ++digits;
  }
  if (digits == 0) return false;
  if (i < e && (s[i] == 'e' || s[i] == 'E')) {
    t += 'e';
    ++i;
    if (i < e && (s[i] == '+' || s[i] == '-')) t += s[i++];
    size_t expDigits = 0;
    while (i < e && std::isdigit(static_cast<unsigned char>(s[i]))) t += s[i++], ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != e) return false;
  errno = 0;
  out = std::strtod(t.c_str(), nullptr);
  return errno != ERANGE || std::isfinite(out);
}

std::string lower(const std::string& s) {
  std::string r = s;
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

}  // namespace

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

int32_t StrToIntDef(const std::string& s, int32_t def) {
  int64_t v;
  if (!parseInt64(s, v)) return def;
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return def;
  return static_cast<int32_t>(v);
}

bool TextReadsAsNumber(const std::string& s) {
  double d;
  return parseFloat(s, d);
}

std::string FloatToStr(double d) {
  if (std::isnan(d)) return "NAN";
  if (std::isinf(d)) return d > 0 ? "INF" : "-INF";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  std::string s = buf;
  // "1e+20" is written 1E20 and "1e-05" 1E-5, as the run-time library writes them.
  size_t e = s.find('e');
  if (e != std::string::npos) {
    std::string mant = s.substr(0, e);
    int ex = std::atoi(s.c_str() + e + 1);
    s = mant + "E" + std::to_string(ex);
  }
  char dec = FormatSettings().DecimalSeparator;
  if (dec != '.')
    for (char& c : s)
      if (c == '.') c = dec;
  return s;
}

std::string ValueAsString(const FieldDef& def, const FieldValue& v) {
  if (IsNull(v)) return {};
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  if (def.kind == FieldKind::Boolean) {
    bool b = std::holds_alternative<int64_t>(v) ? std::get<int64_t>(v) != 0 : std::get<double>(v) != 0;
    return b ? "True" : "False";
  }
  if (def.kind == FieldKind::DateTime) {
    double t = std::holds_alternative<double>(v) ? std::get<double>(v) : static_cast<double>(std::get<int64_t>(v));
    return FormatDateTime("c", t);
  }
  if (auto* i = std::get_if<int64_t>(&v)) return std::to_string(*i);
  return FloatToStr(std::get<double>(v));
}

int32_t ValueAsInteger(const FieldDef& def, const FieldValue& v) {
  if (IsNull(v)) return 0;
  int64_t n;
  if (auto* i = std::get_if<int64_t>(&v)) {
    n = *i;
  } else if (auto* d = std::get_if<double>(&v)) {
    if (!std::isfinite(*d) || std::fabs(*d) > 4e9) throw DbError(FloatToStr(*d) + " is not a valid integer value");
    n = static_cast<int64_t>(std::nearbyint(*d));  // ties to even, as Round does
  } else {
    const std::string& s = std::get<std::string>(v);
    if (!parseInt64(s, n)) throw DbError("'" + s + "' is not a valid integer value");
  }
  if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max())
    throw DbError(std::to_string(n) + " is not a valid integer value for field '" + def.name + "'");
  return static_cast<int32_t>(n);
}

double ValueAsFloat(const FieldDef&, const FieldValue& v) {
  if (IsNull(v)) return 0;
  if (auto* i = std::get_if<int64_t>(&v)) return static_cast<double>(*i);
  if (auto* d = std::get_if<double>(&v)) return *d;
  const std::string& s = std::get<std::string>(v);
  double d;
  if (!parseFloat(s, d)) throw DbError("'" + s + "' is not a valid floating point value");
  return d;
}

TDateTime ValueAsDateTime(const FieldDef& def, const FieldValue& v) {
  if (auto* s = std::get_if<std::string>(&v)) throw DbError("'" + *s + "' is not a valid date and time");
  return ValueAsFloat(def, v);
}

bool ValueAsBoolean(const FieldDef&, const FieldValue& v) {
  if (IsNull(v)) return false;
  if (auto* i = std::get_if<int64_t>(&v)) return *i != 0;
  if (auto* d = std::get_if<double>(&v)) return *d != 0;
  const std::string& s = std::get<std::string>(v);
  if (!s.empty()) {
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    if (c == 'Y' || c == 'T' || c == '1') return true;
    if (c == 'N' || c == 'F' || c == '0') return false;
  }
  throw DbError("'" + s + "' is not a valid boolean value");
}

FieldValue ValueFromString(const FieldDef& def, const std::string& s) {
  switch (def.kind) {
    case FieldKind::Text:
      return s;
    case FieldKind::Integer:
    case FieldKind::SmallInt:
    case FieldKind::AutoInc: {
      if (s.empty()) return {};
      int64_t n;
      if (!parseInt64(s, n)) throw DbError("'" + s + "' is not a valid integer value");
      return checkRange(def, n);
    }
    case FieldKind::Float: {
      if (s.empty()) return {};
      double d;
      if (!parseFloat(s, d)) throw DbError("'" + s + "' is not a valid floating point value");
      return d;
    }
    case FieldKind::DateTime: {
      if (s.empty()) return {};
      // "mm/dd/yyyy", optionally followed by a blank and a time of day.
      int m = 0, d = 0, y = 0, used = 0;
      char sep = FormatSettings().DateSeparator;
      std::string fmt = std::string("%d") + sep + "%d" + sep + "%d%n";
      if (std::sscanf(s.c_str(), fmt.c_str(), &m, &d, &y, &used) == 3) {
        auto date = EncodeDate(y, m, d);
        std::string rest = s.substr(static_cast<size_t>(used));
        if (date && rest.empty()) return *date;
        if (date) {
          if (auto t = StrToTime(rest)) return *date + *t;
        }
      } else if (auto t = StrToTime(s)) {
        return *t;
      }
      throw DbError("'" + s + "' is not a valid date and time");
    }
    case FieldKind::Boolean: {
      if (s.empty()) return {};
      std::string l = lower(s);
      if (l == "true" || l == "yes" || l == "1") return int64_t{1};
      if (l == "false" || l == "no" || l == "0") return int64_t{0};
      throw DbError("'" + s + "' is not a valid boolean value for field '" + def.name + "'");
    }
  }
  return {};
}

FieldValue ValueFromInteger(const FieldDef& def, int64_t n) {
  if (kindIsInteger(def.kind)) return checkRange(def, n);
  switch (def.kind) {
    case FieldKind::Float:
    case FieldKind::DateTime:
      return static_cast<double>(n);
    case FieldKind::Boolean:
      return int64_t{n != 0};
    default:
      return std::to_string(n);
  }
}

FieldValue ValueFromFloat(const FieldDef& def, double d) {
  if (kindIsInteger(def.kind)) {
    if (!std::isfinite(d) || std::fabs(d) > 4e9) throw DbError(FloatToStr(d) + " is not a valid value for field '" + def.name + "'");
    return checkRange(def, static_cast<int64_t>(std::nearbyint(d)));
  }
  switch (def.kind) {
    case FieldKind::Float:
    case FieldKind::DateTime:
      return d;
    case FieldKind::Boolean:
      return int64_t{d != 0};
    default:
      return FloatToStr(d);
  }
}

FieldValue ValueFromBoolean(const FieldDef& def, bool b) {
  switch (def.kind) {
    case FieldKind::Text:
      return std::string(b ? "True" : "False");
    case FieldKind::Float:
    case FieldKind::DateTime:
      return b ? 1.0 : 0.0;
    default:
      return int64_t{b ? 1 : 0};
  }
}

FieldValue ValueFromDateTime(const FieldDef& def, TDateTime t) {
  switch (def.kind) {
    case FieldKind::Text:
      return FormatDateTime("c", t);
    case FieldKind::Float:
    case FieldKind::DateTime:
      return t;
    default:
      throw DbError("Field '" + def.name + "' cannot hold a date and time");
  }
}

}  // namespace movra
