#include <gtest/gtest.h>

#include "app/event_loop.h"
#include "meter/hb_meter.h"
#include "meter_test_support.h"
#include "recording_presenter.h"

using namespace movra;
using movra::test::ExamplePayload17;
using movra::test::Hex;
using movra::test::LogFolder;
using movra::test::RecordFrame;

namespace {

class FillMeterDataTest : public ::testing::Test {
 protected:
  test::ScopedPresenter presenter;
  LogFolder logs;
  std::shared_ptr<EventLoop> loop = EventLoop::createForThisThread();
  CHBMeter meter;
};

TEST_F(FillMeterDataTest, AcceptedFrameAddsOneRecordAndLogsTheFrame) {
  std::string frame = RecordFrame(ExamplePayload17());
  EXPECT_EQ(meter.FillMeterData(frame), 5);
  EXPECT_EQ(meter.RecordsParsed(), 1);
  TMeterRecord r;
  ASSERT_TRUE(meter.Records().Pop(r));
  EXPECT_EQ(r.SerialNumber, "Unknown");
  EXPECT_EQ(r.RecordNumber, "5");
  EXPECT_EQ(logs.RawLogBodies(), std::vector<std::string>{movra::test::ToHex(frame)});
  EXPECT_TRUE(meter.TakeNotices().empty());
}

TEST_F(FillMeterDataTest, CrcErrorTellsTheRecordNumberAndTracesNothing) {
  std::string frame = RecordFrame(ExamplePayload17());
  frame[20] ^= 1;
  EXPECT_EQ(meter.FillMeterData(frame), -1);
  // The transfer thread shows nothing: its owner shows what it is told.
  EXPECT_TRUE(presenter->shown().empty());
  std::vector<Notice> notices = meter.TakeNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].text, "Record 5 CRC error! Please try again!");
  EXPECT_EQ(notices[0].caption, "Error");
  EXPECT_EQ(notices[0].icon, NoticeIcon::Error);
  EXPECT_TRUE(meter.TakeNotices().empty());
  EXPECT_EQ(meter.Records().Count(), 0);
  EXPECT_EQ(meter.RecordsParsed(), 0);
  EXPECT_EQ(logs.Trace(), "");
  EXPECT_EQ(logs.RawLog(), "");
}

TEST_F(FillMeterDataTest, ShortFrameIsAFormatError) {
  EXPECT_EQ(meter.FillMeterData(RecordFrame(ExamplePayload17().substr(0, 14))), -1);
  std::vector<Notice> notices = meter.TakeNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].text, "Error in transfering, Format error! Please try again!");
  EXPECT_NE(logs.Trace().find("[In FillMeterData] 收到数据少于1条记录！\n\r\r\n"), std::string::npos);
  EXPECT_EQ(meter.Records().Count(), 0);
}

TEST_F(FillMeterDataTest, UnwritableRawLogCostsNoRecord) {
  logs.dir().mkdirs("PTDATA/Data/MovraTRaw.txt");
  EXPECT_EQ(meter.FillMeterData(RecordFrame(ExamplePayload17())), 5);
  EXPECT_EQ(meter.Records().Count(), 1);
  EXPECT_NE(logs.Trace().find("Write Log Error in FillMeterData!"), std::string::npos);
  EXPECT_TRUE(presenter->shown().empty());
}

}  // namespace
