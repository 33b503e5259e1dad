// Date-time values as the database keeps them: days since 1899-12-30, the time of day as
// the fraction.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace movra {

using TDateTime = double;

struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, msec = 0;
};

bool IsValidDate(int year, int month, int day);
// nullopt when the parts form no calendar date or time of day.
std::optional<TDateTime> EncodeDate(int year, int month, int day);
std::optional<TDateTime> EncodeTime(int hour, int minute, int second, int msec);
DateParts DecodeDateTime(TDateTime t);
// The local wall clock now.
TDateTime Now();
DateParts NowParts();

}  // namespace movra
