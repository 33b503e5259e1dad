#include <gtest/gtest.h>

#include <algorithm>

#include "app/event_loop.h"
#include "app/folders.h"
#include "meter/hb_meter.h"
#include "meter/meter_crc.h"
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
    Feed(AppendCrc(Hex("26 50 50 00 00 00 0B") + "PT123456789"));
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

// The serial number answer "&PP", three header bytes, the length byte, the serial number,
// the CRC and a carriage return.
std::string SerialAnswer(const std::string& serial) {
  return AppendCrc(Hex("26 50 50 00 00 00") + std::string(1, char(serial.size())) + serial);
}

TEST_F(MeterReceiverTest, SerialNumberIsTakenOnlyFromAWholeAnswerWithTheRightCrc) {
  const std::string answer = SerialAnswer("PT123456789");
  const std::string record = RecordFrame(ExamplePayload17());
  std::string badCrc = answer;
  badCrc[badCrc.size() - 2] ^= 0x01;
  std::string noCr = answer;
  noCr.back() = '\n';
  struct Case {
    const char* name;
    std::vector<std::string> chunks;  // after the DevMode answer
    std::string serial;
    uint8_t state;
    int framesQueued;
    std::string trace;  // what the trace says about it; "" for nothing
    bool transferEnds = false;  // the transfer ends after the chunks
  } cases[] = {
      {"whole", {answer}, "PT123456789", ReceiveRecords, 0, ""},
      {"in two pieces", {answer.substr(0, 10), answer.substr(10)}, "PT123456789", ReceiveRecords, 0, ""},
      {"in three pieces, the length byte in the second",
       {answer.substr(0, 4), answer.substr(4, 5), answer.substr(9)}, "PT123456789", ReceiveRecords, 0, ""},
      {"first piece only", {answer.substr(0, 12)}, "Unknown", AwaitSerialNumber, 0, ""},
      {"first piece, then the transfer ends", {answer.substr(0, 12)}, "Unknown", AwaitSerialNumber, 0,
       "Serial number answer cut short", true},
      {"after noise", {"ab" + answer}, "PT123456789", ReceiveRecords, 0, ""},
      {"with the first record behind it", {answer + record}, "PT123456789", ReceiveRecords, 1, ""},
      {"second piece with the first record", {answer.substr(0, 10), answer.substr(10) + record}, "PT123456789",
       ReceiveRecords, 1, ""},
      // Neither the CRC bytes nor the carriage return become part of a short serial number.
      {"shorter than 11 bytes", {SerialAnswer("PT123")}, "PT123", ReceiveRecords, 0, ""},
      {"longer than 11 bytes", {SerialAnswer("PT1234567890XY")}, "PT123456789", ReceiveRecords, 0, ""},
      {"wrong CRC", {badCrc}, "Unknown", ReceiveRecords, 0, "Serial number answer CRC error"},
      {"wrong CRC, in two pieces", {badCrc.substr(0, 10), badCrc.substr(10)}, "Unknown", ReceiveRecords, 0,
       "Serial number answer CRC error"},
      {"no carriage return at its end", {noCr}, "Unknown", ReceiveRecords, 0,
       "Serial number answer damaged (no carriage return at its end)"},
      {"exactly 10 bytes: no serial number in it", {SerialAnswer("")}, "Unknown", ReceiveRecords, 0,
       "Serial number answer without a serial number"},
      {"cut short by the first record", {answer.substr(0, 12), record}, "Unknown", ReceiveRecords, 1,
       "Serial number answer cut short"},
      {"no answer", {"xxxxxxxxxxxxxxxxxxxx"}, "Unknown", ReceiveRecords, 0, "No serial number answer"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t traceBefore = logs.Trace().size();
    const size_t rawBefore = logs.RawLogBodies().size();
    TBufQuery q;
    MeterReceiver r(q);
    r.Begin();
    r.HandleChunk(Hex("26 50 41 00 00 00 00 11 22 0D"));
    for (const auto& chunk : c.chunks) r.HandleChunk(chunk);
    if (c.transferEnds) r.Reset();
    EXPECT_EQ(r.SerialNumber(), c.serial);
    EXPECT_EQ(r.ReceiveState(), c.state);
    EXPECT_EQ(q.Count(), c.framesQueued);
    std::string trace = logs.Trace().substr(traceBefore);
    if (c.trace.empty()) {
      EXPECT_EQ(trace.find("the serial number stays Unknown"), std::string::npos) << trace;
    } else {
      EXPECT_NE(trace.find("[In OnGetMeterData] " + c.trace + ", the serial number stays Unknown"),
                std::string::npos)
          << trace;
    }
    auto raw = logs.RawLogBodies();
    raw.erase(raw.begin(), raw.begin() + long(rawBefore));
    EXPECT_EQ(Has(raw, "<<<收到SN数据" + c.serial + ", 进入接收下载数据模式.."), c.state == ReceiveRecords);
  }
}

TEST_F(MeterReceiverTest, EveryTransferStartsWithAnUnknownSerialNumber) {
  receiver.Begin();
  PassAnswers();
  ASSERT_EQ(receiver.SerialNumber(), "PT123456789");
  // Another meter, whose answer is not taken: its records must not get the last number.
  receiver.Begin();
  EXPECT_EQ(receiver.SerialNumber(), "Unknown");
  Feed(Hex("26 50 41 00 00 00 00 11 22 0D"));
  Feed(Hex("26 50 50 00 00 00 0B") + "PT999999999" + Hex("00 00 0D"));
  EXPECT_EQ(receiver.SerialNumber(), "Unknown");
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
