#include <gtest/gtest.h>

#include "app/datetime.h"
#include "app/format_settings.h"

using namespace movra;

namespace {

TEST(Format, DateAndTimeTexts) {
  double t = *EncodeDate(2024, 3, 15) + *EncodeTime(14, 5, 9, 0);
  EXPECT_EQ(FormatDateTime("mm/dd/yyyy hh:nn:ss", t), "03/15/2024 14:05:09");
  EXPECT_EQ(FormatDateTime("hh:nn", t), "14:05");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss:zzz", t), "2024-03-15 14:05:09:000");
  EXPECT_EQ(FormatDateTime("c", *EncodeDate(2024, 3, 15)), "03/15/2024");
  EXPECT_EQ(FormatDateTime("ddd dddd", t), "FRI Friday");
  EXPECT_EQ(FormatDateTime("\"PT_\"yyyy\"_\"mm", t), "PT_2024_03");
}

TEST(Format, EncodeDecodeRoundTrip) {
  EXPECT_EQ(*EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(*EncodeDate(1900, 1, 1), 2.0);
  EXPECT_FALSE(EncodeDate(2024, 13, 1));
  EXPECT_FALSE(EncodeDate(2023, 2, 29));
  EXPECT_TRUE(EncodeDate(2024, 2, 29));
  EXPECT_FALSE(EncodeDate(2024, 1, 0));
  DateParts p = DecodeDateTime(*EncodeDate(2255, 12, 31) + *EncodeTime(23, 59, 59, 999));
  EXPECT_EQ(p.year, 2255);
  EXPECT_EQ(p.month, 12);
  EXPECT_EQ(p.day, 31);
  EXPECT_EQ(p.hour, 23);
  EXPECT_EQ(p.minute, 59);
  EXPECT_EQ(p.second, 59);
  EXPECT_EQ(p.msec, 999);
}

TEST(Format, TimeTexts) {
  struct Case {
    const char* text;
    int minutes;  // -1: not a time
  } cases[] = {{"14:05", 14 * 60 + 5}, {"09:30", 9 * 60 + 30}, {"00:00", 0}, {"23:59", 23 * 60 + 59},
               {"24:00", -1},          {"12:60", -1},          {"ab:cd", -1}, {"", -1},
               {"1230", -1},           {"12:30 PM", 12 * 60 + 30}, {"12:30 AM", 30}};
  for (const auto& c : cases) {
    auto t = StrToTime(c.text);
    if (c.minutes < 0) {
      EXPECT_FALSE(t) << c.text;
    } else {
      ASSERT_TRUE(t) << c.text;
      EXPECT_NEAR(*t * 1440.0, c.minutes, 1e-6) << c.text;
    }
  }
}

TEST(Format, DecimalSeparatorOfTheLocale) {
  char old = FormatSettings().DecimalSeparator;
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(FormatFloat("%.1f", 2.5), "2,5");
  FormatSettings().DecimalSeparator = '.';
  EXPECT_EQ(FormatFloat("%.1f", 2.5), "2.5");
  FormatSettings().DecimalSeparator = old;
}

}  // namespace
