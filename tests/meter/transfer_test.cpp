// Whole transfers against the simulator on a pseudo-terminal. Transfers that end by the
// 3000 ms no-frame limit cost a few seconds each; one test per scenario lets ctest run
// them side by side. The rules of the end itself are in transfer_end_test.cpp.
#include <gtest/gtest.h>

#include "app/tick.h"
#include "transfer_fixture.h"

using namespace movra;
using namespace std::chrono_literals;
using movra::test::SeenMessage;
using movra::test::TransferTest;

namespace {

std::vector<std::string> Numbers(const std::vector<TMeterRecord>& records) {
  std::vector<std::string> out;
  for (const auto& r : records) out.push_back(r.RecordNumber);
  return out;
}

// A meter sends its newest record first and counts down: from..to.
std::vector<std::string> Down(int from, int to) {
  std::vector<std::string> out;
  for (int i = from; i >= to; --i) out.push_back(std::to_string(i));
  return out;
}

TEST_F(TransferTest, OneRecord) {
  StartTransfer({"--generate", "1", "--serial", "SN-ONE-0001"});
  ASSERT_TRUE(RunToEnd());
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0].id, MessageId::MeterState);
  EXPECT_EQ(messages[0].wParam, 0u);
  EXPECT_EQ(messages[0].lParam, 1);
  EXPECT_EQ(messages[1].id, MessageId::MeterRecords);
  EXPECT_EQ(messages[1].wParam, 1u);
  EXPECT_EQ(messages[1].lParam, 1);
  EXPECT_EQ(messages[2].id, MessageId::TransferEnd);
  EXPECT_EQ(messages[2].wParam, 1u);
  // Measured from the frame taken: the record was the whole count, so no limit is waited out.
  EXPECT_GT(messages[2].lParam, 0);
  EXPECT_LT(messages[2].lParam, 3000);
  ASSERT_EQ(taken.size(), 1u);
  EXPECT_EQ(taken[0].SerialNumber, "SN-ONE-0001");
  EXPECT_EQ(meter->SerialNumber(), "SN-ONE-0001");
  EXPECT_EQ(meter->RecordsParsed(), 1);
  EXPECT_FALSE(meter->Comm().PortOpen());
  EXPECT_EQ(sim.countJournal("ack 1"), 1);
  EXPECT_EQ(meter->LastTransferOutcome().end, TransferEnd::AllSent);
  EXPECT_EQ(meter->LastTransferOutcome().recordsAccepted, 1);

  auto lines = logs.RawLogBodies();
  auto has = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
  EXPECT_TRUE(has("Thread:已经收到一条数据"));
  EXPECT_TRUE(has("Thread:调用FillMeterData填充数据, Num : 1"));
  EXPECT_TRUE(has("Thread:最后一条记录已确认，通讯结束，线程退出.."));
  EXPECT_TRUE(has("Thread:进程正常退出"));
  EXPECT_TRUE(has("Thread:26 50 50 00 00 00 00 9E 90 0D 0D 0A "));
  EXPECT_TRUE(has("<<<收到SN数据SN-ONE-0001, 进入接收下载数据模式.."));
  std::string trace = logs.Trace();
  for (const char* t : {"[In StartComm] 打开 ", "进程启动，已经发送查询SN命令及下载目录，即将进入循环等待数据..", "已经收到数据1",
                        "进程正常退出"})
    EXPECT_NE(trace.find(t), std::string::npos) << t;
}

TEST_F(TransferTest, SilentMeterEndsOnceTheFirstTwoCommandsGoUnanswered) {
  StartTransfer({"--silent"});
  ASSERT_TRUE(RunToEnd());
  auto done = std::chrono::steady_clock::now();
  ASSERT_EQ(messages.size(), 1u);
  const SeenMessage& end = messages[0];
  EXPECT_EQ(end.id, MessageId::TransferEnd);
  EXPECT_EQ(end.wParam, 1u);
  // The two commands' waits are kept, the no-frame limit is not waited out.
  EXPECT_GE(end.lParam, 600);
  EXPECT_LT(end.lParam, 3000);
  ASSERT_TRUE(sim.waitForJournal("cmd P"));
  EXPECT_EQ(sim.countJournal("cmd A"), 1);
  EXPECT_EQ(sim.countJournal("cmd Z"), 0);
  auto lines = logs.RawLogBodies();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Thread:EnterDev及查询SN命令均无应答，认为通讯结束，线程退出.."),
            lines.end());
  EXPECT_NE(logs.Trace().find("接收超时，强制进程退出"), std::string::npos);
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(done - end.at).count(), 1500);
  EXPECT_FALSE(meter->Comm().PortOpen());
  EXPECT_FALSE(meter->Active());
  EXPECT_EQ(meter->SerialNumber(), "Unknown");
  EXPECT_EQ(meter->LastTransferOutcome().end, TransferEnd::AllSent);
}

TEST_F(TransferTest, BadCrcOnTheFirstRecordEndsAtOnceWithoutAcknowledgement) {
  StartTransfer({"--generate", "3", "--bad-crc", "1"});
  ASSERT_TRUE(RunToEnd());
  // The error is told to the owner before the end; the transfer thread shows nothing.
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].id, MessageId::MeterNotice);
  EXPECT_EQ(messages[1].id, MessageId::TransferEnd);
  EXPECT_LT(MsSinceStart(messages[1]), 2800);  // not by the no-frame limit
  EXPECT_TRUE(presenter->shown().empty());
  std::vector<Notice> notices = meter->TakeNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].text, "Record 3 CRC error! Please try again!");
  EXPECT_EQ(sim.ackCount(), 0);
  EXPECT_TRUE(taken.empty());
  EXPECT_FALSE(meter->Comm().PortOpen());
  EXPECT_EQ(meter->LastTransferOutcome().end, TransferEnd::FrameRejected);
}

TEST_F(TransferTest, DamagedFrameStopsCuttingAndTheLimitEndsTheTransfer) {
  StartTransfer({"--generate", "3", "--damaged", "2", "--no-pace"});
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(Numbers(taken), Down(3, 3));
  EXPECT_EQ(sim.ackCount(), 1);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().id, MessageId::TransferEnd);
  EXPECT_TRUE(presenter->shown().empty());
  EXPECT_EQ(meter->LastTransferOutcome().end, TransferEnd::FrameDamaged);
}

TEST_F(TransferTest, SplitFramesNoiseAndCarriageReturnsStillGiveEveryRecord) {
  // A split serial number answer leaves its second half in the buffer, ahead of the records.
  StartTransfer({"--generate", "4", "--split", "2:3:150", "--noise-before", "1:7879", "--crs-before", "3:2",
                 "--split-sn", "2:150"});
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(Numbers(taken), Down(4, 1));
  EXPECT_EQ(sim.ackCount(), 4);
  // The serial number answer is assembled from its pieces.
  EXPECT_EQ(taken.front().SerialNumber, "PT12345678A");
}

TEST_F(TransferTest, HundredRecordsInOrder) {
  StartTransfer({"--generate", "100", "--no-pace"});
  ASSERT_TRUE(RunToEnd(120s));
  EXPECT_EQ(Numbers(taken), Down(100, 1));
  auto states = Seen(MessageId::MeterState);
  auto records = Seen(MessageId::MeterRecords);
  ASSERT_EQ(states.size(), 100u);
  ASSERT_EQ(records.size(), 100u);
  for (size_t i = 0; i < records.size(); ++i) {
    // The first record's number: the count of records to come.
    EXPECT_EQ(states[i].lParam, 100);
    EXPECT_EQ(records[i].lParam, static_cast<int64_t>(i + 1));
  }
  // Each record's two messages come in this order, and the end comes last.
  for (size_t i = 0; i + 1 < messages.size(); i += 2) {
    EXPECT_EQ(messages[i].id, MessageId::MeterState);
    EXPECT_EQ(messages[i + 1].id, MessageId::MeterRecords);
  }
  EXPECT_EQ(messages.back().id, MessageId::TransferEnd);
  EXPECT_EQ(Seen(MessageId::TransferEnd).size(), 1u);
  EXPECT_EQ(sim.ackCount(), 100);
}

TEST_F(TransferTest, TwoTransfersInARowOnOneComponent) {
  // A window that falls behind: the records it has been told about wait for it after the
  // transfer's end, and go only when the next transfer starts.
  takeRecords = false;
  StartTransfer({"--generate", "2", "--no-pace", "--serial", "SN-TWICE-01"});
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(meter->Records().Count(), 2);
  takeRecords = true;
  messages.clear();
  StartAgain();
  EXPECT_EQ(meter->Records().Count(), 0);
  EXPECT_EQ(meter->RecordsParsed(), 0);
  EXPECT_FALSE(meter->FirstRecordSeen());
  // Unknown until this meter's own answer is taken: it may be another meter.
  EXPECT_EQ(meter->SerialNumber(), "Unknown");
  EXPECT_EQ(meter->LastTransferOutcome().end, TransferEnd::None);
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(meter->SerialNumber(), "SN-TWICE-01");
  EXPECT_EQ(Numbers(taken), Down(2, 1));
  auto records = Seen(MessageId::MeterRecords);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].lParam, 1);
  EXPECT_EQ(records[1].lParam, 2);
  EXPECT_EQ(Seen(MessageId::TransferEnd).size(), 1u);
}

TEST_F(TransferTest, DestroyingTheMeterMidTransferStopsItsThread) {
  StartTransfer({"--generate", "50", "--no-pace"});
  ASSERT_TRUE(loop->runUntil([&] { return taken.size() >= 2; }, 20s));
  auto before = std::chrono::steady_clock::now();
  meter.reset();
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - before);
  EXPECT_LT(took.count(), 2000);
  loop->processPending();
  EXPECT_LT(sim.ackCount(), 50);
}

TEST_F(TransferTest, StoppedTransferAnnouncesEveryRecordItAccepted) {
  StartTransfer({"--generate", "50", "--no-pace"});
  ASSERT_TRUE(loop->runUntil([&] { return taken.size() >= 3; }, 20s));
  meter->StopTransfer();
  EXPECT_FALSE(meter->IsRunning());
  loop->processPending();
  // The last acknowledgement may still be on its way to the meter.
  ASSERT_TRUE(sim.waitForJournal([&](const auto&) { return sim.ackCount() >= int(taken.size()); }, 5000));
  EXPECT_EQ(sim.ackCount(), int(taken.size()));
  EXPECT_EQ(Numbers(taken), Down(50, 51 - int(taken.size())));
  EXPECT_TRUE(Seen(MessageId::TransferEnd).empty());
  TransferOutcome outcome = meter->LastTransferOutcome();
  EXPECT_EQ(outcome.end, TransferEnd::Stopped);
  EXPECT_EQ(outcome.recordsAccepted, int(taken.size()));
}

TEST_F(TransferTest, StartCommWhileATransferRunsDoesNothing) {
  StartTransfer({"--silent"});
  EXPECT_FALSE(meter->StartComm());
  EXPECT_TRUE(meter->IsRunning());
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(Seen(MessageId::TransferEnd).size(), 1u);
}

TEST(TransferStart, PortThatCannotOpenStartsNothing) {
  test::ScopedPresenter presenter;
  auto loop = EventLoop::createForThisThread();
  CHBMeter meter;
  meter.SetPortName("/nonexistent/ttyUSB9", 4800, 0, 3, 0);
  EXPECT_FALSE(meter.StartComm());
  EXPECT_FALSE(meter.Active());
  EXPECT_FALSE(meter.IsRunning());
}

// The tick counter passing 2^31 or wrapping past 2^32 between the record and the end of
// the transfer changes neither the limit nor the reported time.
class TickWrapTest : public TransferTest, public ::testing::WithParamInterface<uint64_t> {
 protected:
  ~TickWrapTest() override { SetTickSource(nullptr); }
};

TEST_P(TickWrapTest, LimitAndDurationSurviveTheWrap) {
  // The records come about 0.8 and 1 s after the start, the counter turns at 1.5 s, the
  // transfer ends about 3 s after the last record (numbered upwards, they tell no count).
  uint32_t base = static_cast<uint32_t>(GetParam() - 1500);
  auto t0 = std::chrono::steady_clock::now();
  SetTickSource([base, t0] {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    return static_cast<uint32_t>(base + static_cast<uint32_t>(ms));
  });
  StartTransfer({"--generate", "2", "--count-up"});
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(Numbers(taken), (std::vector<std::string>{"1", "2"}));
  auto ends = Seen(MessageId::TransferEnd);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_GT(ends[0].lParam, 3000);
  EXPECT_LT(ends[0].lParam, 4500);
  EXPECT_GE(MsSinceStart(ends[0]), 3500);
  EXPECT_LT(MsSinceStart(ends[0]), 8000);
}

INSTANTIATE_TEST_SUITE_P(Ticks, TickWrapTest, ::testing::Values(uint64_t{1} << 31, uint64_t{1} << 32),
                         [](const auto& info) { return info.param == (uint64_t{1} << 31) ? "Near2To31" : "Near2To32"; });

}  // namespace
