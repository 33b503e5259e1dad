#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "app/local_time.h"
#include "fhir/utc_offset.h"

namespace movra {
namespace {

// Whatever the machine's zone, the offset at a local time is the distance from the UTC
// moment the C library turned into that local time: in winter and in summer, both sides of
// the equator, on Windows as on Linux.
TEST(SystemUtcOffsets, AgreesWithTheLocalClockOfTheSameMoment) {
#ifdef _WIN32
  // The Windows C library reads a TZ variable in a form of its own ("CET-1CEST"), where
  // Wine passes on the Linux one ("Europe/Berlin"); without it the library takes the
  // system's zone, the one the offsets come from.
  _putenv("TZ=");
  _tzset();
#endif
  for (int month : {1, 4, 7, 10}) {
    TDateTime utc = *EncodeDate(2024, month, 15) + 0.5;
    std::time_t moment = static_cast<std::time_t>(std::llround((utc - 25569.0) * 86400));  // days since 1970
    std::tm tm = LocalCalendarTime(moment);
    DateParts local{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0};
    TDateTime wall = *EncodeDate(local.year, local.month, local.day) + *EncodeTime(local.hour, local.minute, 0, 0);
    int expected = static_cast<int>(std::lround((wall - utc) * 1440));
    EXPECT_EQ(SystemUtcOffsets().MinutesEastAt(local), expected) << "the 15th of month " << month << ", 12:00 UTC";
  }
}

}  // namespace
}  // namespace movra
