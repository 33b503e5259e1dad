#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "fhir/utc_offset.h"

namespace movra {
namespace {

// The computer's zone is the TZ variable here; each case sets it and puts it back.
class ZoneScope {
 public:
  explicit ZoneScope(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old, had_ = true;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ZoneScope() {
    if (had_) setenv("TZ", old_.c_str(), 1); else unsetenv("TZ");
    tzset();
  }

 private:
  std::string old_;
  bool had_ = false;
};

TEST(SystemUtcOffsets, FollowsTheZoneRulesOfTheTestsDay) {
  struct Case {
    const char* zone;
    DateParts local;
    int minutesEast;
  } cases[] = {
      {"Europe/Berlin", {2024, 3, 31, 1, 59, 0, 0}, 60},  {"Europe/Berlin", {2024, 3, 31, 3, 0, 0, 0}, 120},
      {"Europe/Berlin", {2024, 10, 27, 1, 59, 0, 0}, 120}, {"Europe/Berlin", {2024, 10, 27, 3, 0, 0, 0}, 60},
      {"America/New_York", {2024, 3, 10, 1, 59, 0, 0}, -300}, {"America/New_York", {2024, 3, 10, 3, 0, 0, 0}, -240},
      {"Asia/Kolkata", {2024, 7, 1, 12, 0, 0, 0}, 330},   {"UTC", {2024, 7, 1, 12, 0, 0, 0}, 0},
      // A test years back gets that year's rules: Moscow kept UTC+4 all year in 2012.
      {"Europe/Moscow", {2012, 1, 15, 12, 0, 0, 0}, 240}, {"Europe/Moscow", {2020, 1, 15, 12, 0, 0, 0}, 180},
  };
  for (const Case& c : cases) {
    ZoneScope zone(c.zone);
    EXPECT_EQ(SystemUtcOffsets().MinutesEastAt(c.local), c.minutesEast)
        << c.zone << " " << c.local.year << "-" << c.local.month << "-" << c.local.day << " " << c.local.hour << ":"
        << c.local.minute;
  }
}

}  // namespace
}  // namespace movra
