// The process-wide date, time and number settings. Every conversion between dates,
// times, numbers and text reads them; the data module sets them once at start-up.
#pragma once
#include <array>
#include <optional>
#include <string>

#include "app/datetime.h"

namespace movra {

struct TFormatSettings {
  char DateSeparator = '/';
  std::string ShortDateFormat = "mm/dd/yyyy";
  std::string LongDateFormat = "mm/dd/yyyy";
  char TimeSeparator = ':';
  std::string LongTimeFormat = "hh:nn:ss";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::array<std::string, 7> LongDayNames{"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  std::array<std::string, 7> ShortDayNames{"SUN", "MON", "TWE", "WED", "THU", "FRI", "SAT"};
  // The user's locale's decimal separator (LC_NUMERIC, then LC_ALL, then LANG).
  char DecimalSeparator = '.';
};

TFormatSettings& FormatSettings();
// The decimal separator of the user's locale as the environment names it.
char LocaleDecimalSeparator();

// Renders t with a pattern of the date-time formatter: yyyy yy mm dd hh nn ss zzz,
// "/" and ":" become the separators; "c" is short date + blank + long time (time left out
// at exactly midnight); "ddd"/"dddd" day names; "am/pm".
std::string FormatDateTime(const std::string& pattern, TDateTime t);
// "hh:nn" or "hh:nn:ss" (the time separator of the settings); nullopt when not a time.
std::optional<TDateTime> StrToTime(const std::string& text);
// Formats with printf-style precision, then puts the locale's decimal separator in.
std::string FormatFloat(const char* printfFormat, double v);

}  // namespace movra
