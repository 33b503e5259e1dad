#include <ctime>

#include "fhir/utc_offset.h"

namespace movra {

int SystemUtcOffsets::MinutesEastAt(const DateParts& local) const {
  std::tm tm{};
  tm.tm_year = local.year - 1900;
  tm.tm_mon = local.month - 1;
  tm.tm_mday = local.day;
  tm.tm_hour = local.hour;
  tm.tm_min = local.minute;
  tm.tm_sec = local.second;
  // The C library decides whether daylight saving was in force at that wall-clock time.
  tm.tm_isdst = -1;
  if (mktime(&tm) == static_cast<std::time_t>(-1)) return 0;
  return static_cast<int>(tm.tm_gmtoff / 60);
}

}  // namespace movra
