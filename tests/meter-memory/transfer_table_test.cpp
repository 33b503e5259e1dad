// Whole transfers against the meter in memory: the line faults, the outcomes and a stop,
// on any platform. The real serial path is shown on pseudo-terminals in tests/meter.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/event_loop.h"
#include "meter/hb_meter.h"
#include "meter_test_support.h"
#include "recording_presenter.h"
#include "scripted_meter.h"

namespace movra::test {
namespace {

using namespace std::chrono_literals;

struct TransferCase {
  const char* name;
  std::vector<std::string> simArgs;
  int baud;
  TransferEnd end;
  std::vector<int> taken;  // record numbers the window took, in order (with a stop: at least)
  int stopAfter = 0;       // the owner stops the transfer once this many records are taken
};

// The meter counts down: from..to.
std::vector<int> Down(int from, int to) {
  std::vector<int> out;
  for (int i = from; i >= to; --i) out.push_back(i);
  return out;
}

const TransferCase kCases[] = {
    {"OneRecord", {"--generate", "1", "--no-pace"}, 4800, TransferEnd::AllSent, {1}},
    {"FiveRecordsPaced", {"--generate", "5"}, 4800, TransferEnd::AllSent, Down(5, 1)},
    {"SilentMeter", {"--silent"}, 4800, TransferEnd::AllSent, {}},
    {"NoDeviceModeAnswer", {"--generate", "3", "--no-devmode-answer"}, 4800, TransferEnd::AllSent, {}},
    // A meter of the 9600 generation hears only garbage at 4800.
    {"Meter9600ReadAt4800", {"--generation", "9600", "--generate", "4"}, 4800, TransferEnd::AllSent, {}},
    {"Meter9600ReadAt9600", {"--generation", "9600", "--generate", "4"}, 9600, TransferEnd::AllSent, Down(4, 1)},
    {"NoiseAndCarriageReturnsBetweenFrames",
     {"--generate", "5", "--noise-before", "1:FF00", "--noise-before", "2:7879", "--crs-before", "3:5",
      "--split", "4:3:50"},
     4800, TransferEnd::AllSent, Down(5, 1)},
    {"DamagedFrame", {"--generate", "5", "--damaged", "3", "--no-pace"}, 4800, TransferEnd::FrameDamaged, {5, 4}},
    {"BadCrcAtTheFirstRecord", {"--generate", "4", "--bad-crc", "1", "--no-pace"}, 4800, TransferEnd::FrameRejected, {}},
    {"BadCrcAtAMiddleRecord", {"--generate", "5", "--bad-crc", "3", "--no-pace"}, 4800, TransferEnd::FrameRejected,
     {5, 4}},
    {"UnplugBeforeTheFirstRecord", {"--generate", "3", "--unplug-before", "1", "--no-pace"}, 4800,
     TransferEnd::LineFailed, {}},
    {"UnplugInTheMiddle", {"--generate", "5", "--unplug-before", "3", "--no-pace"}, 4800, TransferEnd::LineFailed,
     {5, 4}},
    {"UnplugDuringTheAcknowledgement", {"--generate", "5", "--unplug-during-ack", "3", "--no-pace"}, 4800,
     TransferEnd::LineFailed, {5, 4, 3}},
    {"MeterThatStopsAnsweringHalfway", {"--generate", "30", "--stop-after", "12", "--no-pace"}, 4800,
     TransferEnd::RecordsMissing, Down(30, 19)},
    {"StoppedByTheOwner", {"--generate", "30"}, 4800, TransferEnd::Stopped, Down(30, 28), 3},
};

void PrintTo(const TransferCase& c, std::ostream* os) { *os << c.name; }

class MemoryTransfer : public ::testing::TestWithParam<TransferCase> {
 protected:
  MemoryTransfer() {
    presenter->allowAny();
    auto line = std::make_unique<ScriptedMeter>(GetParam().simArgs);
    scripted = line.get();
    meter = std::make_unique<CHBMeter>(std::move(line));
    window = std::make_unique<MessageTarget>([this](Message& m) {
      ids.push_back(m.id);
      TMeterRecord r;
      if (m.id == MessageId::MeterRecords)
        while (meter->Records().Pop(r)) taken.push_back(std::stoi(r.RecordNumber));
    });
    meter->NotifyWindow = window->handle();
  }
  ~MemoryTransfer() override {
    meter.reset();
    window.reset();
  }

  ScopedPresenter presenter;
  LogFolder logs;
  std::shared_ptr<EventLoop> loop = EventLoop::createForThisThread();
  std::unique_ptr<CHBMeter> meter;
  ScriptedMeter* scripted = nullptr;  // owned by the meter
  std::unique_ptr<MessageTarget> window;
  std::vector<MessageId> ids;
  std::vector<int> taken;
};

TEST_P(MemoryTransfer, EndsWithItsOutcomeAndEveryAcknowledgedRecordTaken) {
  const TransferCase& c = GetParam();
  meter->SetPortName("COM3", c.baud, 0, 3, 0);
  ASSERT_TRUE(meter->StartComm()) << meter->Transport().LastOpenFailure().text;
  if (c.stopAfter > 0) {
    ASSERT_TRUE(loop->runUntil([&] { return int(taken.size()) >= c.stopAfter; }, 30s));
    // The record in hand is still acknowledged and announced; then the owner closes.
    meter->StopTransfer();
    meter->StopComm();
  }
  ASSERT_TRUE(loop->runUntil([&] { return !meter->IsRunning(); }, 60s));
  loop->processPending();

  EXPECT_EQ(meter->LastTransferOutcome().end, c.end);
  if (c.stopAfter > 0) {
    ASSERT_GE(taken.size(), c.taken.size());
    EXPECT_EQ(std::vector<int>(taken.begin(), taken.begin() + c.taken.size()), c.taken);
  } else {
    EXPECT_EQ(taken, c.taken);
  }
  EXPECT_EQ(meter->LastTransferOutcome().recordsAccepted, int(taken.size()));
  // Each record taken was acknowledged once, and no other.
  EXPECT_EQ(scripted->AckCount(), int(taken.size()));
  for (int n : taken) EXPECT_EQ(scripted->JournalCount("ack " + std::to_string(n)), 1) << n;
  ASSERT_FALSE(ids.empty());
  // A transfer stopped by its owner ends without its end message.
  EXPECT_EQ(ids.back() == MessageId::TransferEnd, c.end != TransferEnd::Stopped);
  EXPECT_FALSE(meter->Transport().IsOpen());
  EXPECT_FALSE(meter->Active());

  // A meter that was unplugged is gone: the next transfer finds no port.
  if (c.end == TransferEnd::LineFailed) {
    EXPECT_FALSE(meter->StartComm());
    EXPECT_EQ(meter->Transport().LastOpenFailure().text, "Error opening serial port");
    EXPECT_EQ(meter->Transport().LastOpenFailure().failure, PortFailure::NoSuchDevice);
  }
}

INSTANTIATE_TEST_SUITE_P(Line, MemoryTransfer, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TransferCase>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace movra::test
