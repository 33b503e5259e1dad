#include <gtest/gtest.h>

#include <algorithm>

#include "app/event_loop.h"
#include "app/folders.h"
#include "meter/hb_meter.h"
#include "meter/meter_answers.h"
#include "meter/meter_receiver.h"
#include "meter_test_support.h"
#include "recording_presenter.h"

using namespace movra;
using movra::test::ExamplePayload17;
using movra::test::Hex;
using movra::test::LogFolder;
using movra::test::RecordFrame;
using movra::test::ToHex;

namespace {

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class MeterReceiverTest : public ::testing::Test {
 protected:
  void Feed(const std::string& chunk) { receiver.HandleChunk(chunk); }
  // Brings the receiver to ReceiveRecords with a DevMode and a serial number answer.
  void PassAnswers() {
    Feed(Hex("26 50 41 00 00 00 00 11 22 0D"));
    Feed(Hex("26 50 50 00 00 00 0B") + "PT123456789" + Hex("12 34 0D"));
  }
  test::ScopedPresenter presenter;
  LogFolder logs;
  TBufQuery frames;
  MeterReceiver receiver{frames};
};

TEST_F(MeterReceiverTest, AnswersAreToldApartByOrder) {
  receiver.Begin();
  EXPECT_EQ(receiver.ReceiveState(), AwaitDevMode);
  EXPECT_EQ(receiver.SerialNumber(), "Unknown");
  PassAnswers();
  EXPECT_EQ(receiver.ReceiveState(), ReceiveRecords);
  EXPECT_EQ(receiver.SerialNumber(), "PT123456789");
  auto lines = logs.RawLogBodies();
  EXPECT_TRUE(Has(lines, "<<<收到DevMode数据, 进入查询SN.."));
  EXPECT_TRUE(Has(lines, "<<<收到SN数据PT123456789, 进入接收下载数据模式.."));
  EXPECT_TRUE(Has(lines, "<<<26 50 41 00 00 00 00 11 22 0D "));
  // One hex line per chunk in the received-bytes log.
  std::string comm = logs.CommDataLog();
  EXPECT_EQ(std::count(comm.begin(), comm.end(), '\n'), 2);
  EXPECT_NE(comm.find(" 26 50 41 00 00 00 00 11 22 0D \r\n"), std::string::npos);
}

TEST_F(MeterReceiverTest, ShortDevModeChunkAdvancesWithoutALine) {
  receiver.Begin();
  Feed(Hex("26 50 41"));
  EXPECT_EQ(receiver.ReceiveState(), AwaitSerialNumber);
  for (const auto& line : logs.RawLogBodies()) EXPECT_EQ(line.find("DevMode"), std::string::npos) << line;
}

TEST_F(MeterReceiverTest, WrongDevModeAnswerIsLoggedAndPassed) {
  receiver.Begin();
  Feed("hello world");
  EXPECT_EQ(receiver.ReceiveState(), AwaitSerialNumber);
  EXPECT_TRUE(Has(logs.RawLogBodies(), "<<<收到不正确DevMode数据, 进入查询SN.."));
}

TEST_F(MeterReceiverTest, SerialNumberAnswers) {
  struct Case {
    const char* name;
    std::string chunk;
    std::string serial;
  } cases[] = {
      {"exactly 10 bytes, even with &PP", Hex("26 50 50 00 00 00 00 9E 90 0D"), "Unknown"},
      {"no &PP", "xxxxxxxxxxxxxxxxxxxx", "Unknown"},
      {"&PP after noise", "ab" + Hex("26 50 50 00 00 00 0B") + "SN000000001" + Hex("00 00 0D"), "SN000000001"},
      {"answer cut short", Hex("26 50 50 00 00 00 0B") + "SN12", "SN12"},
  };
  for (const auto& c : cases) {
    TBufQuery q;
    MeterReceiver r(q);
    r.Begin();
    r.HandleChunk(Hex("26 50 41 00 00 00 00 11 22 0D"));
    r.HandleChunk(c.chunk);
    EXPECT_EQ(r.SerialNumber(), c.serial) << c.name;
    EXPECT_EQ(r.ReceiveState(), ReceiveRecords) << c.name;
  }
}

TEST_F(MeterReceiverTest, SerialNumberIsKeptAcrossTransfers) {
  receiver.Begin();
  PassAnswers();
  receiver.Begin();
  Feed(Hex("26 50 41 00 00 00 00 11 22 0D"));
  EXPECT_EQ(receiver.SerialNumber(), "PT123456789");
  Feed(Hex("00 00 00 00 00 00 00 00 00 00 00"));  // no answer this time
  EXPECT_EQ(receiver.SerialNumber(), "PT123456789");
}

TEST_F(MeterReceiverTest, RecordFramesAreQueuedAndResetClearsEverything) {
  receiver.Begin();
  PassAnswers();
  std::string f = RecordFrame(ExamplePayload17());
  Feed(Hex("0D 0D"));
  Feed(f + f.substr(0, 10));
  EXPECT_EQ(frames.Count(), 1);
  EXPECT_EQ(receiver.ReceiveBuffer().size(), 10u);
  receiver.Reset();
  EXPECT_EQ(frames.Count(), 0);
  EXPECT_EQ(receiver.ReceiveBuffer(), "");
}

TEST_F(MeterReceiverTest, UnwritableCommDataLogIsTracedAndTheChunkStillHandled) {
  logs.dir().mkdirs("PTDATA/Data/COMMDATA.txt");  // a folder where the file should be
  receiver.Begin();
  PassAnswers();
  Feed(RecordFrame(ExamplePayload17()));
  EXPECT_EQ(frames.Count(), 1);
  EXPECT_NE(logs.Trace().find("Write Log Error in OnGetMeterData!"), std::string::npos);
}

TEST(MeterReceive, InactiveMeterOnlyLogsThatDataCame) {
  test::ScopedPresenter presenter;
  LogFolder logs;
  auto loop = EventLoop::createForThisThread();
  CHBMeter meter;
  std::string chunk = Hex("26 50 41 00 00 00 00 11 22 0D");
  meter.OnGetMeterData(&meter.Comm(), reinterpret_cast<const uint8_t*>(chunk.data()), uint16_t(chunk.size()));
  EXPECT_EQ(logs.RawLogBodies(), std::vector<std::string>{"<<<串口收到数据"});
  EXPECT_EQ(meter.ReceiveState(), AwaitDevMode);
  EXPECT_EQ(meter.FrameQueue().Count(), 0);
  EXPECT_EQ(logs.CommDataLog(), "");
}

}  // namespace
