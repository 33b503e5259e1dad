// How the meter's record texts become the typed columns of Result_Log: the date check,
// the 12-hour clock, the INR display text. Pure functions over the record's texts.
#pragma once
#include <optional>
#include <string>

#include "app/datetime.h"

namespace movra {

// At least 10 characters, and characters 1–4, 6–7 and 9–10 each read as a number.
bool DateTextPassesCheck(const std::string& date);
// The calendar date of a text that passed the check: year, month and day read as
// integers (a part that is a number but no integer counts as 2010, 12 or 1). nullopt when
// the parts form no calendar date (month 13, day 0, or a part longer than its field, as
// the day 100 of a broken meter clock).
std::optional<TDateTime> DateFromRecordText(const std::string& date);

struct MeterTime {
  std::string text;  // hh:nn on the 24-hour clock, or the text as it came
  int hour = 0;      // the hour read, -1 when its characters are no integer (an error)
  bool hourError = false;
};
// With an AM/PM marker: hours 1–11 with "PM" gain 12, 12 with "AM" is midnight (00) and
// 12 with "PM" noon; the text is rebuilt as two-digit hour ":" minutes. Hours above 12
// keep the text as it came. Without a marker the text is kept.
MeterTime ConvertMeterTime(const std::string& time, const std::string& ampm);

// The time of day of a record's time text after the 12-hour conversion; nullopt when it
// is none (hour 24, minute 60, a broken hour): such a text would stop every export.
std::optional<TDateTime> TimeOfDayFromRecordText(const std::string& timeText);

// Control characters (C0 and C1, DEL, the Unicode line and paragraph separators) of a
// UTF-8 text become "?": a meter's text must never break a line of the list or a file.
std::string ReplaceControlCharacters(const std::string& utf8);

// "INR ↑" above 7.0, "INR ↓" below 0.7, otherwise the value with one decimal in the
// locale's notation.
std::string InrDisplayText(double inr);

}  // namespace movra
