// The calendar fields of a moment in the user's time zone, safe to call from any thread.
#pragma once
#include <ctime>

namespace movra {

std::tm LocalCalendarTime(std::time_t t);

}  // namespace movra
