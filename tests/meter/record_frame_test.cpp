#include <gtest/gtest.h>

#include <cmath>

#include "meter/record_frame.h"
#include "meter/transfer_outcome.h"
#include "meter_test_support.h"

using namespace movra;
using movra::test::ExamplePayload17;
using movra::test::Hex;
using movra::test::RecordFrame;

namespace {

TEST(RecordFrame, WorkedExample27Bytes) {
  std::string frame = Hex("26 50 5A 00 00 00 11 05 0B 03 0F 00 09 1E 01 01 40 20 00 00 04 01 00 02 A9 37 0D");
  RecordFrameParse p = ParseRecordFrame(frame, "SN123");
  ASSERT_EQ(p.check.verdict, RecordFrameVerdict::Accepted);
  EXPECT_EQ(p.Result(), 5);
  EXPECT_EQ(p.record.RecordNumber, "5");
  EXPECT_EQ(p.record.SerialNumber, "SN123");
  EXPECT_EQ(p.record.Date, "2011-03-15");
  EXPECT_EQ(p.record.Region, "US");
  EXPECT_EQ(p.record.Time, "09:30");
  EXPECT_EQ(p.record.AmPm, "PM");
  EXPECT_EQ(p.record.InrValue, 2.5);
  EXPECT_EQ(p.record.CalibrationType, "Downloaded Sample");
  EXPECT_EQ(p.record.CalibrationLevel, "Level 1");
  EXPECT_EQ(p.record.MeterType, "2");
}

TEST(RecordFrame, WorkedExample25Bytes) {
  std::string frame = Hex("26 50 5A 00 00 00 0F") + ExamplePayload17().substr(0, 15) + Hex("F6 C0 0D");
  RecordFrameParse p = ParseRecordFrame(frame, "Unknown");
  ASSERT_EQ(p.check.verdict, RecordFrameVerdict::Accepted);
  EXPECT_EQ(p.Result(), 5);
  EXPECT_EQ(p.record.MeterType, "");
  EXPECT_EQ(p.record.Date, "2011-03-15");
}

// One payload byte changed from the worked example, and the field it shows in.
struct FieldCase {
  size_t byte;
  uint8_t value;
  std::string TMeterRecord::*field;
  std::string expected;
};

TEST(RecordFrame, FieldConversions) {
  const FieldCase cases[] = {
      {0, 0, &TMeterRecord::RecordNumber, "0"},
      {0, 255, &TMeterRecord::RecordNumber, "255"},
      {1, 0, &TMeterRecord::Date, "2000-03-15"},
      {1, 255, &TMeterRecord::Date, "2255-03-15"},
      {2, 1, &TMeterRecord::Date, "2011-01-15"},
      {2, 13, &TMeterRecord::Date, "2011-13-15"},
      {3, 0, &TMeterRecord::Date, "2011-03-00"},
      {4, 1, &TMeterRecord::Region, "EUR"},
      {4, 255, &TMeterRecord::Region, "EUR"},
      {5, 0, &TMeterRecord::Time, "00:30"},
      {5, 123, &TMeterRecord::Time, "123:30"},
      {6, 5, &TMeterRecord::Time, "09:05"},
      {7, 0, &TMeterRecord::AmPm, ""},
      {8, 0, &TMeterRecord::AmPm, "AM"},
      {8, 7, &TMeterRecord::AmPm, "PM"},
      {13, 0, &TMeterRecord::CalibrationType, " "},
      {13, 1, &TMeterRecord::CalibrationType, "EC"},
      {13, 2, &TMeterRecord::CalibrationType, "CS"},
      {13, 3, &TMeterRecord::CalibrationType, "Unknown"},
      {13, 4, &TMeterRecord::CalibrationType, "Downloaded Sample"},
      {13, 5, &TMeterRecord::CalibrationType, "Downloaded EC"},
      {13, 6, &TMeterRecord::CalibrationType, "Downloaded CS"},
      {13, 7, &TMeterRecord::CalibrationType, "Unknown"},
      {13, 255, &TMeterRecord::CalibrationType, "Unknown"},
      {14, 0, &TMeterRecord::CalibrationLevel, "Unknown"},
      {14, 1, &TMeterRecord::CalibrationLevel, "Level 1"},
      {14, 2, &TMeterRecord::CalibrationLevel, "Level2(EC Only)"},
      {14, 3, &TMeterRecord::CalibrationLevel, "Unknown"},
      {16, 0, &TMeterRecord::MeterType, "00"},    // with byte 15 = 0: patient 0
      {15, 1, &TMeterRecord::MeterType, "258"},   // 01 02
      {15, 255, &TMeterRecord::MeterType, "65282"},
  };
  for (const auto& c : cases) {
    std::string payload = ExamplePayload17();
    payload[c.byte] = static_cast<char>(c.value);
    RecordFrameParse p = ParseRecordFrame(RecordFrame(payload), "");
    ASSERT_EQ(p.check.verdict, RecordFrameVerdict::Accepted) << "byte " << c.byte;
    EXPECT_EQ(p.record.*c.field, c.expected) << "byte " << c.byte << " = " << int(c.value);
  }
}

TEST(RecordFrame, PatientIdentifierTexts) {
  std::string payload = ExamplePayload17();
  payload[15] = 1;
  payload[16] = 0;
  EXPECT_EQ(ParseRecordFrame(RecordFrame(payload), "").record.MeterType, "256");
  payload[15] = 0;
  EXPECT_EQ(ParseRecordFrame(RecordFrame(payload), "").record.MeterType, "00");
}

TEST(RecordFrame, AmPmIsEmptyWhateverTheAfternoonFlag) {
  std::string payload = ExamplePayload17();
  payload[7] = 0;
  for (int pm : {0, 1, 255}) {
    payload[8] = static_cast<char>(pm);
    EXPECT_EQ(ParseRecordFrame(RecordFrame(payload), "").record.AmPm, "");
  }
}

TEST(RecordFrame, SingleFromBigEndian) {
  EXPECT_EQ(SingleFromBigEndian(Hex("40 20 00 00")), 2.5);
  EXPECT_EQ(SingleFromBigEndian(Hex("3F 80 00 00")), 1.0);
  EXPECT_EQ(SingleFromBigEndian(Hex("C0 00 00 00")), -2.0);
  EXPECT_EQ(SingleFromBigEndian(Hex("3F 8C CC CD")), static_cast<double>(1.1f));
  EXPECT_TRUE(std::isnan(SingleFromBigEndian(Hex("7F A0 00 00"))));  // a signalling NaN widens quietly
  EXPECT_TRUE(std::isinf(SingleFromBigEndian(Hex("7F 80 00 00"))));
}

// Frames of every length around the two real record sizes. Only the total length decides
// where the CRC is read, so a 26-byte frame or one longer than 27 fails the CRC test even
// when its own CRC is right.
TEST(RecordFrame, FrameLengths) {
  std::string p17 = ExamplePayload17();
  std::string frame27 = RecordFrame(p17);
  std::string frame25 = RecordFrame(p17.substr(0, 15));
  std::string frame26 = RecordFrame(p17.substr(0, 16));
  std::string frame24 = RecordFrame(p17.substr(0, 14));
  std::string frame28 = RecordFrame(p17 + "X");
  struct Case {
    std::string frame;
    size_t size;
    RecordFrameVerdict verdict;
    int32_t result;
    std::string error;
  } cases[] = {
      {frame24, 24, RecordFrameVerdict::TooShort, -1, "Error in transfering, Format error! Please try again!"},
      {frame25, 25, RecordFrameVerdict::Accepted, 5, ""},
      {frame26, 26, RecordFrameVerdict::CrcMismatch, -1, "Record 5 CRC error! Please try again!"},
      {frame27, 27, RecordFrameVerdict::Accepted, 5, ""},
      {frame28, 28, RecordFrameVerdict::CrcMismatch, -1, "Record 5 CRC error! Please try again!"},
      // A 27-byte frame with bytes after its CRC: they are ignored.
      {frame27 + "junk", 31, RecordFrameVerdict::Accepted, 5, ""},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(c.frame.size(), c.size);
    RecordFrameCheck check = CheckRecordFrame(c.frame);
    EXPECT_EQ(check.verdict, c.verdict) << c.size;
    EXPECT_EQ(ParseRecordFrame(c.frame, "").Result(), c.result) << c.size;
    EXPECT_EQ(check.errorText, c.error) << c.size;
  }
  EXPECT_EQ(CheckRecordFrame(frame24).traceText, "[In FillMeterData] 收到数据少于1条记录！");
  EXPECT_EQ(CheckRecordFrame(frame26).traceText, "");
  EXPECT_EQ(CheckRecordFrame(Hex("26 50 5A")).verdict, RecordFrameVerdict::TooShort);
}

TEST(RecordFrame, SwappedCrcBytesAreRejectedWithTheRecordNumber) {
  std::string payload = ExamplePayload17();
  payload[0] = 42;
  std::string frame = RecordFrame(payload);
  std::swap(frame[24], frame[25]);
  RecordFrameCheck check = CheckRecordFrame(frame);
  EXPECT_EQ(check.verdict, RecordFrameVerdict::CrcMismatch);
  EXPECT_EQ(check.errorText, "Record 42 CRC error! Please try again!");
}

}  // namespace

// An INR that is no number (NaN, infinity) cannot come from a test: the frame is damaged
// and rejected as a format error, so the meter keeps the record. Any finite value passes.
TEST(RecordFrame, InrThatIsNoNumberIsADamagedFrame) {
  struct Case {
    const char* what;
    const char* inrBytes;
    bool accepted;
  } cases[] = {
      {"quiet NaN", "7F C0 00 00", false},
      {"signalling NaN", "7F 80 00 01", false},
      {"negative NaN", "FF C0 00 00", false},
      {"plus infinity", "7F 80 00 00", false},
      {"minus infinity", "FF 80 00 00", false},
      {"largest single", "7F 7F FF FF", true},
      {"negative zero", "80 00 00 00", true},
  };
  for (const auto& c : cases) {
    std::string payload = ExamplePayload17();
    payload.replace(9, 4, Hex(c.inrBytes));
    RecordFrameParse p = ParseRecordFrame(RecordFrame(payload), "SN1");
    EXPECT_EQ(p.check.verdict == RecordFrameVerdict::Accepted, c.accepted) << c.what;
    if (c.accepted) continue;
    EXPECT_EQ(p.check.verdict, RecordFrameVerdict::BadInr) << c.what;
    EXPECT_EQ(p.Result(), -1) << c.what;
    EXPECT_EQ(p.check.errorText, "Error in transfering, Format error! Please try again!") << c.what;
    EXPECT_NE(p.check.traceText.find("Record 5"), std::string::npos) << c.what << ": " << p.check.traceText;
  }
  TransferFacts facts;
  facts.rejected = RecordFrameVerdict::BadInr;
  EXPECT_EQ(ClassifyTransferEnd(facts), TransferEnd::FrameDamaged);
}
