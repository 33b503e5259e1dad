// The target range in the settings file: read, refused when malformed, written back
// without touching the rest of the file.
#include <gtest/gtest.h>

#include "app/config.h"
#include "app/folders.h"
#include "app/trace.h"
#include "report/report_settings.h"
#include "temp_dir.h"

namespace movra::test {
namespace {

struct IniCase {
  const char* name;
  const char* text;
  TargetRange expected;
  bool traced;
};

const IniCase kIniCases[] = {
    {"NoSection", "[COMM]\r\nPort=1\r\n", {20, 30}, false},
    {"BothKeys", "[REPORT]\r\nTargetLow=2.5\r\nTargetHigh=3.5\r\n", {25, 35}, false},
    {"CaseAndBlanksAsTheIniReaderTakesThem", "[report]\r\ntargetlow = 1,5 \r\nTARGETHIGH=2.50\r\n", {15, 25}, false},
    {"OneKeyTheOtherUsual", "[REPORT]\r\nTargetHigh=3.5\r\n", {20, 35}, false},
    {"NotANumber", "[REPORT]\r\nTargetLow=low\r\nTargetHigh=3.0\r\n", {20, 30}, true},
    {"TwoDecimals", "[REPORT]\r\nTargetLow=2.25\r\nTargetHigh=3.0\r\n", {20, 30}, true},
    {"LowAboveHigh", "[REPORT]\r\nTargetLow=3.0\r\nTargetHigh=2.0\r\n", {20, 30}, true},
    {"HighAtTheMeasuringLimit", "[REPORT]\r\nTargetLow=2.0\r\nTargetHigh=7.0\r\n", {20, 30}, true},
    {"Negative", "[REPORT]\r\nTargetLow=-2\r\nTargetHigh=3\r\n", {20, 30}, true},
};

void PrintTo(const IniCase& c, std::ostream* os) { *os << c.name; }

class IniRange : public ::testing::TestWithParam<IniCase> {
 protected:
  void SetUp() override {
    dir.mkdirs("PTDATA/Data");
    DataRoot = dir.file("PTDATA");
    ASSERT_TRUE(OpenTrace());
  }
  void TearDown() override { CloseTrace(); }
  TempDir dir;
};

TEST_P(IniRange, ReadsTheRangeOrFallsBackWithATrace) {
  const IniCase& c = GetParam();
  dir.write("MovraT.INI", c.text);
  EXPECT_EQ(ReadTargetRange(dir.file("MovraT.INI")), c.expected);
  std::string trace = ReadFileBytes(dir.file("PTDATA/Data/MovraT.dbg"));
  EXPECT_EQ(trace.find("[REPORT]") != std::string::npos, c.traced) << trace;
}

INSTANTIATE_TEST_SUITE_P(Table, IniRange, ::testing::ValuesIn(kIniCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RangeText, AsTheCommandLineGivesIt) {
  EXPECT_EQ(ParseTargetRangeText("2.0-3.0"), (TargetRange{20, 30}));
  EXPECT_EQ(ParseTargetRangeText("2-3.5"), (TargetRange{20, 35}));
  EXPECT_EQ(ParseTargetRangeText("0.8-6.9"), (TargetRange{8, 69}));
  for (const char* bad : {"", "2.0", "3.0-2.0", "2.0-2.0", "0.7-3.0", "2.0-7.0", "2.0-3.0-4.0", "a-b", "2.05-3.0"})
    EXPECT_FALSE(ParseTargetRangeText(bad)) << bad;
}

TEST(WriteRange, KeepsEveryOtherLine) {
  TempDir dir;
  struct Case {
    const char* before;
    const char* after;
  } cases[] = {
      {"[APPEARANCE]\r\nTitle=Clinic\r\n\r\n[COMM]\r\nPort=1\r\n",
       "[APPEARANCE]\r\nTitle=Clinic\r\n\r\n[COMM]\r\nPort=1\r\n\r\n[REPORT]\r\nTargetLow=2.5\r\nTargetHigh=3.5\r\n"},
      {"[Report]\r\ntargetHigh=9\r\n\r\n[COMM]\r\nPort=1\r\n",
       "[Report]\r\nTargetHigh=3.5\r\nTargetLow=2.5\r\n\r\n[COMM]\r\nPort=1\r\n"},
      // A new file takes the line ends of the platform's profile files.
      {"", "[REPORT]\r\nTargetLow=2.5\r\nTargetHigh=3.5\r\n"},
      {"[COMM]\nPort=1\n", "[COMM]\nPort=1\n\n[REPORT]\nTargetLow=2.5\nTargetHigh=3.5\n"},
  };
  for (const Case& c : cases) {
    dir.write("MovraT.INI", c.before);
    EXPECT_EQ(WriteTargetRange(dir.file("MovraT.INI"), TargetRange{25, 35}), std::nullopt);
    EXPECT_EQ(dir.read("MovraT.INI"), c.after);
    EXPECT_EQ(ReadTargetRange(dir.file("MovraT.INI")), (TargetRange{25, 35}));
  }
  EXPECT_NE(WriteTargetRange(dir.file("no/such/folder/MovraT.INI"), TargetRange{25, 35}), std::nullopt);
}

}  // namespace
}  // namespace movra::test
