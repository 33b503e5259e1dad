// Column values as the row set holds them, and the conversions between a column's kind
// and text, integer, float, date-time and Boolean that the callers read and write with.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>

#include "app/datetime.h"

namespace movra {

// Raised by the data layer: connection, statements, conversions, row-set misuse.
class DbError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class FieldKind {
  Integer,   // signed 32-bit
  SmallInt,  // signed 16-bit
  AutoInc,   // engine-assigned signed 32-bit key, read-only
  Float,     // IEEE double
  DateTime,  // days since 1899-12-30, time of day as the fraction
  Text,      // at most `size` characters
  Boolean,
};

struct FieldDef {
  std::string name;
  FieldKind kind = FieldKind::Text;
  int size = 0;  // characters, for Text
  bool calculated = false;
};

// Empty, integer (also Booleans as 0/1), double (also date-times) or text (UTF-8).
using FieldValue = std::variant<std::monostate, int64_t, double, std::string>;

inline bool IsNull(const FieldValue& v) { return std::holds_alternative<std::monostate>(v); }

// Reading a value as the field's kind dictates. Empty values give "", 0, 0.0, 0, false.
// A value that cannot be converted raises DbError with the conversion's message.
std::string ValueAsString(const FieldDef& def, const FieldValue& v);
int32_t ValueAsInteger(const FieldDef& def, const FieldValue& v);
double ValueAsFloat(const FieldDef& def, const FieldValue& v);
TDateTime ValueAsDateTime(const FieldDef& def, const FieldValue& v);
bool ValueAsBoolean(const FieldDef& def, const FieldValue& v);

// The value to store when a caller assigns to a field of this kind. Raises DbError for a
// text that is no number, a number out of the kind's range and the like.
FieldValue ValueFromString(const FieldDef& def, const std::string& s);
FieldValue ValueFromInteger(const FieldDef& def, int64_t n);
FieldValue ValueFromFloat(const FieldDef& def, double d);
FieldValue ValueFromBoolean(const FieldDef& def, bool b);
FieldValue ValueFromDateTime(const FieldDef& def, TDateTime t);

// The run-time library's integer reading: optional blanks and sign, decimal digits or
// "$"/"0x" hexadecimal, nothing after; the default when that is not a signed 32-bit value.
int32_t StrToIntDef(const std::string& s, int32_t def);
// True when the text reads as a floating-point number (blanks around it allowed, the
// locale's decimal separator, an optional exponent).
bool TextReadsAsNumber(const std::string& s);
// Floating-point text in general notation with up to 15 significant digits.
std::string FloatToStr(double d);

// Case-insensitive comparison of column names (ASCII letters, as the engine folds them).
inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }
bool SameName(const std::string& a, const std::string& b);

}  // namespace movra
