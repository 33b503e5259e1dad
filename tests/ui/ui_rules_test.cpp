// The data list's rules, the export names and the port-failure texts: pure functions,
// checked case by case.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/format_settings.h"
#include "ui/export_names.h"
#include "ui/grid_rules.h"
#include "download/port_failure_text.h"

namespace movra {
namespace {

struct InrCase {
  double stored;  // fINR_v as stored from the meter
  double pt;      // fPT_Cal
  InrRange range;
  const char* inrText;
  const char* ptText;
};

TEST(GridRules, InrAndPtCellsFollowTheRoundedInr) {
  // Values as the meter sends them: single-precision, widened to double.
  const InrCase cases[] = {
      {static_cast<float>(0.74), 7, InrRange::Below, "0.7", "7"},   // rounds to 0.7, which is below
      {static_cast<float>(0.7), 7, InrRange::Below, "0.7", "7"},    // 0.699999988
      {0.7, 7, InrRange::Below, "0.7", "7"},                        // the double 0.7 too
      {static_cast<float>(0.75), 8, InrRange::In, "0.8", "8"},
      {2.25, 23, InrRange::In, "2.2", "23"},                        // tie to even
      {2.5, 26, InrRange::In, "2.5", "26"},
      {static_cast<float>(7.04), 72, InrRange::In, "7.0", "72"},
      {7.0, 71, InrRange::In, "7.0", "71"},
      {static_cast<float>(7.05), 72, InrRange::Above, "7.1", "72"},  // 7.0500002
      {12.5, 128, InrRange::Above, "12.5", "128"},
      {0.0, 0, InrRange::Below, "0.0", "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    InrCell inr = DescribeInrCell(kColInr, c.stored, c.pt);
    InrCell pt = DescribeInrCell(kColPt, c.stored, c.pt);
    EXPECT_EQ(inr.range, c.range);
    EXPECT_EQ(pt.range, c.range);  // both cells follow the INR test
    EXPECT_EQ(inr.text, c.inrText);
    EXPECT_EQ(pt.text, c.ptText);
  }
}

TEST(GridRules, RoundHalfEven) {
  const long double inf = std::numeric_limits<long double>::infinity();
  const std::pair<long double, long double> cases[] = {
      {0.5L, 0}, {1.5L, 2}, {2.5L, 2}, {22.5L, 22}, {7.4L, 7}, {7.6L, 8}, {-0.5L, 0}, {-1.5L, -2},
      {70.5000019L, 71},
      // Past every integer type: already whole, so unchanged.
      {1e31L, 1e31L}, {-1e31L, -1e31L}, {9223372036854775808.5L, 9223372036854775808.0L}, {inf, inf}, {-inf, -inf}};
  for (auto [v, want] : cases) EXPECT_EQ(RoundHalfEven(v), want) << static_cast<double>(v);
  EXPECT_TRUE(std::isnan(RoundHalfEven(std::numeric_limits<long double>::quiet_NaN())));
}

TEST(GridRules, AnyStoredInrGivesAPictureOrItsNumber) {
  // Whatever a database holds: values past the range of an integer keep their side of the
  // range, and nothing rounds through an overflow.
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double denormal = std::numeric_limits<double>::denorm_min();
  struct Case {
    double stored;
    InrRange range;
  } cases[] = {
      {inf, InrRange::Above},         {1e30, InrRange::Above},       {1e300, InrRange::Above},
      {9.3e17, InrRange::Above},      {std::numeric_limits<double>::max(), InrRange::Above},
      {-inf, InrRange::Below},        {-1e30, InrRange::Below},      {-std::numeric_limits<double>::max(), InrRange::Below},
      {denormal, InrRange::Below},    {-denormal, InrRange::Below},  {nan, InrRange::In},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    EXPECT_EQ(DescribeInrCell(kColInr, c.stored, c.stored).range, c.range);
    EXPECT_EQ(DescribeInrCell(kColPt, c.stored, c.stored).range, c.range);
  }
  EXPECT_TRUE(std::isinf(DisplayInr(inf)));
  EXPECT_EQ(DisplayInr(1e30), 1e30);
  EXPECT_EQ(DisplayInr(-1e30), -1e30);
  EXPECT_EQ(DisplayInr(denormal), 0.0);
  EXPECT_TRUE(std::isnan(DisplayInr(nan)));
  // Not a number is no INR on either side of the range: it shows as written.
  EXPECT_EQ(DescribeInrCell(kColInr, nan, nan).text, FormatFloat("%.1f", nan));
}

TEST(GridRules, InrTextStartsAtTheCellsCentreLessFifteen) {
  EXPECT_EQ(InrCellTextX(100, 118), 144);
  EXPECT_EQ(InrCellTextX(0, 31), 0);   // (31 - 30) / 2 truncates
  EXPECT_EQ(InrCellTextX(10, 20), 5);  // (20 - 30) / 2 = -5, toward zero
}

TEST(GridRules, InrCellWidthHoldsItsDrawingWhole) {
  // The least width for a drawing keeps it inside the cell, one pixel less does not.
  const std::pair<int, int> drawings[] = {{0, 0}, {7, 0}, {22, 0}, {31, 0}, {60, 0}, {38, -5}, {38, 0}, {5, -20}};
  for (auto [drawn, offset] : drawings) {
    SCOPED_TRACE(std::to_string(drawn) + " at " + std::to_string(offset));
    auto whole = [&, drawn = drawn, offset = offset](int w) {
      int left = InrCellTextX(0, w) + offset;
      return left >= 0 && left + drawn <= w;
    };
    int w = InrCellWidthFor(drawn, offset);
    EXPECT_TRUE(whole(w));
    EXPECT_TRUE(whole(w + 1));
    EXPECT_FALSE(whole(w - 1));
  }
  EXPECT_EQ(InrCellWidthFor(38, -5), 40);  // the arrow picture
}

TEST(GridRules, DesignWidthsComeFromTheScreenAndTheClientWidth) {
  auto w = GridDesignWidths(1920, 1044);
  EXPECT_EQ(w[0], 58);   // 57.6
  EXPECT_EQ(w[1], 154);  // 153.6
  for (int i = 2; i < kGridColumnCount; ++i) EXPECT_EQ(w[i], 118) << i;
  auto small = GridDesignWidths(1250, 780);
  EXPECT_EQ(small[0], 38);  // 37.5, tie to even
  EXPECT_EQ(small[1], 100);
  EXPECT_EQ(small[9], 85);
}

TEST(GridRules, ClientSizeIsLimitedToTheScreen) {
  Size2 s = ClampClientSize({2000, 1100}, {1920, 1080});
  EXPECT_EQ(s.width, 1900);
  EXPECT_EQ(s.height, 1010);
  s = ClampClientSize({1044, 631}, {1920, 1080});
  EXPECT_EQ(s.width, 1044);
  EXPECT_EQ(s.height, 631);
}

TEST(GridRules, FittedColumnsFillTheGridInProportion) {
  std::vector<int> design = {58, 154, 118, 118, 118, 118, 118, 118, 118, 118};
  for (int available : {500, 1030, 1500}) {
    auto fitted = FitColumnWidths(design, available);
    int sum = 0;
    for (int w : fitted) sum += w;
    EXPECT_EQ(sum, available);
    EXPECT_NEAR(fitted[1] * 1.0 / fitted[0], 154.0 / 58.0, 0.1) << available;
    EXPECT_EQ(fitted[2], fitted[8]);
  }
}

TEST(GridRules, FittedColumnsKeepTheirTitlesWhileTheTitlesFit) {
  const std::vector<int> design = {58, 154, 118, 118, 118, 118, 118, 118, 118, 118};
  const std::vector<int> titles = {24, 136, 76, 90, 40, 40, 30, 30, 94, 104};  // 664 together
  struct Case {
    int available;
    std::vector<int> want;
  };
  const Case cases[] = {
      // Room for all: columns whose share is below their title are held there, the others
      // share the rest alike (the rounding rest to those that lost most by rounding down).
      {680, {24, 136, 76, 90, 40, 40, 38, 38, 94, 104}},
      // Room to spare: the design's proportions.
      {1030, {52, 138, 105, 105, 105, 105, 105, 105, 105, 105}},
      // Narrower than the titles together: the titles' proportions, eliding.
      {332, {12, 68, 38, 45, 20, 20, 15, 15, 47, 52}},
      // Narrower than the least width of every column: the least widths, past the grid.
      {50, {8, 8, 8, 8, 8, 8, 8, 8, 8, 8}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.available);
    std::vector<int> fitted = FitColumnWidths(design, c.available, titles);
    EXPECT_EQ(fitted, c.want);
    if (c.available > kGridColumnCount * kMinColumnWidth) {
      int sum = 0;
      for (int w : fitted) sum += w;
      EXPECT_EQ(sum, c.available);
    }
  }
}

TEST(GridRules, FittedColumnsNeverCutTheirValues) {
  const std::vector<int> design = {58, 154, 118, 118, 118, 118, 118, 118, 118, 118};
  const std::vector<int> titles = {24, 136, 76, 90, 40, 40, 30, 30, 94, 104};
  // The sample type's value is wider than its title; together the values need 534.
  const std::vector<int> values = {22, 24, 32, 80, 70, 48, 40, 40, 134, 44};
  struct Case {
    int available;
    bool titlesWhole;  // room for each column's title and value
  };
  // 762 is the room for every title and value; from 534 to 761 the titles elide first;
  // below 534 each column keeps its value and the rest scrolls.
  const Case cases[] = {{1030, true}, {762, true}, {761, false}, {600, false}, {534, false}, {500, false}, {50, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.available);
    std::vector<int> fitted = FitColumnWidths(design, c.available, titles, values);
    ASSERT_EQ(fitted.size(), design.size());
    int sum = 0;
    bool titlesWhole = true;
    for (size_t i = 0; i < fitted.size(); ++i) {
      EXPECT_GE(fitted[i], values[i]) << "column " << i;
      titlesWhole = titlesWhole && fitted[i] >= titles[i];
      sum += fitted[i];
    }
    EXPECT_EQ(titlesWhole, c.titlesWhole);
    EXPECT_EQ(sum, std::max(c.available, 534));
    if (c.available <= 534) {
      EXPECT_EQ(fitted, values);
    }
  }
}

TEST(GridRules, CheckTitleStates) {
  EXPECT_EQ(CheckStateForCount(0, 0), 0);
  EXPECT_EQ(CheckStateForCount(0, 3), 0);
  EXPECT_EQ(CheckStateForCount(2, 3), 1);
  EXPECT_EQ(CheckStateForCount(3, 3), 2);
  EXPECT_EQ(NextTitleClickState(0), 2);
  EXPECT_EQ(NextTitleClickState(1), 0);
  EXPECT_EQ(NextTitleClickState(2), 0);
}

TEST(GridRules, StatusPanelWidthsFollowTheWindowWidth) {
  auto w = StatusPanelWidths(1060, 50);
  EXPECT_EQ(w[0], 471);  // 1060 * 4 / 9
  EXPECT_EQ(w[1], 176);
  EXPECT_EQ(w[2], 176);
  EXPECT_EQ(w[3], 176);
  EXPECT_EQ(w[4], 50);
}

TEST(GridRules, PortPanelPutsOnePortEveryFortyPixels) {
  auto items = PortPanelLayout({"COM3", "COM7", "COM12"}, 10);
  ASSERT_EQ(items.size(), 3u);
  const int iconX[] = {10, 50, 90};
  const char* text[] = {"3", "7", "12"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(items[i].iconX, iconX[i]);
    EXPECT_EQ(items[i].textX, iconX[i] + 17);
    EXPECT_EQ(items[i].text, text[i]);
  }
}

TEST(ExportNames, ProposedNames) {
  DateParts t;
  t.year = 2024;
  t.month = 3;
  t.day = 15;
  t.hour = 14;
  t.minute = 5;
  t.second = 9;
  EXPECT_EQ(FirstExportName(t), "PT_2024_03_15_14_05_09");
  EXPECT_EQ(RetryExportName(t), "Movra2024-03-15 14_05_09");
}

TEST(PortFailureText, ReasonOnASecondLine) {
  const std::string first = "Com 3 disconnected!, Please check the meter or cable!";
  EXPECT_EQ(PortOpenFailureMessage(3, PortFailure::None), first);
  EXPECT_EQ(PortOpenFailureMessage(3, PortFailure::Other), first);
  EXPECT_EQ(PortOpenFailureMessage(3, PortFailure::NoSuchDevice),
            first + "\nThe serial port does not exist (the cable may have been unplugged).");
  EXPECT_EQ(PortOpenFailureMessage(3, PortFailure::Busy), first + "\nThe serial port is in use by another program.");
  EXPECT_EQ(PortOpenFailureMessage(12, PortFailure::PermissionDenied),
            "Com 12 disconnected!, Please check the meter or cable!\nPermission denied on the serial port. Add your "
            "user to the group that owns the serial device (usually dialout): sudo usermod -aG dialout $USER, then "
            "log out and in again.");
}

}  // namespace
}  // namespace movra
