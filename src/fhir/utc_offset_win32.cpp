#include <windows.h>

#include "fhir/utc_offset.h"

namespace movra {

namespace {

long long MinutesOf(const SYSTEMTIME& t) {
  FILETIME ft;
  SystemTimeToFileTime(&t, &ft);
  ULARGE_INTEGER u;
  u.LowPart = ft.dwLowDateTime;
  u.HighPart = ft.dwHighDateTime;
  return static_cast<long long>(u.QuadPart / (10000000ULL * 60));
}

}  // namespace

int SystemUtcOffsets::MinutesEastAt(const DateParts& local) const {
  SYSTEMTIME wall{};
  wall.wYear = static_cast<WORD>(local.year);
  wall.wMonth = static_cast<WORD>(local.month);
  wall.wDay = static_cast<WORD>(local.day);
  wall.wHour = static_cast<WORD>(local.hour);
  wall.wMinute = static_cast<WORD>(local.minute);
  SYSTEMTIME utc;
  // The zone's rules for the year of the test, not today's offset.
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &wall, &utc)) return 0;
  return static_cast<int>(MinutesOf(wall) - MinutesOf(utc));
}

}  // namespace movra
