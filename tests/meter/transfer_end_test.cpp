// When a transfer ends, against the simulator on a pseudo-terminal: the meter's first
// record tells how many records it holds (it counts down), so a transfer whose count is
// reached ends once the last record is acknowledged; any other transfer ends by the
// no-frame limit. A count that lies must neither leave a record unacknowledged nor be
// taken for a complete transfer.
#include <gtest/gtest.h>

#include <algorithm>

#include "meter/proc_thread.h"
#include "transfer_fixture.h"

using namespace movra;
using movra::test::SeenMessage;
using movra::test::TransferTest;

namespace {

// Record lines for the simulator's --records file, numbered as given.
std::string RecordLines(const std::vector<int>& numbers) {
  std::string out;
  for (int n : numbers) out += std::to_string(n) + " 2011 3 15 0 9 30 1 1 2.5 4 1 2\n";
  return out;
}

struct EndRule {
  const char* name;
  std::vector<std::string> simArgs;  // "RECORDS" is replaced by a records file
  std::vector<int> numbers;          // the records file's numbers, when used
  int records;                       // records the meter sends, each to be acknowledged
  TransferEnd end;
  bool byCount;  // ends once the last record is acknowledged, not by the no-frame limit
};

void PrintTo(const EndRule& rule, std::ostream* os) { *os << rule.name; }

class TransferEndRuleTest : public TransferTest, public ::testing::WithParamInterface<EndRule> {};

TEST_P(TransferEndRuleTest, EndsByTheCountOnlyWhenItHolds) {
  const EndRule& rule = GetParam();
  std::vector<std::string> args = rule.simArgs;
  for (auto& a : args) {
    if (a != "RECORDS") continue;
    logs.dir().write("records.txt", RecordLines(rule.numbers));
    a = logs.dir().file("records.txt");
  }
  StartTransfer(args);
  ASSERT_TRUE(RunToEnd());

  EXPECT_EQ(static_cast<int>(taken.size()), rule.records);
  // Every record the meter sent was acknowledged, the last one included.
  ASSERT_TRUE(sim.waitForJournal([&](const auto&) { return sim.ackCount() >= rule.records; }, 5000));
  EXPECT_EQ(sim.ackCount(), rule.records);
  EXPECT_EQ(meter->LastTransferOutcome().end, rule.end);
  EXPECT_EQ(meter->LastTransferOutcome().recordsAccepted, rule.records);

  auto records = Seen(MessageId::MeterRecords);
  auto ends = Seen(MessageId::TransferEnd);
  ASSERT_EQ(ends.size(), 1u);
  ASSERT_FALSE(records.empty());
  // The records message follows its frame by one poll; the limit counts from the frame.
  const long limitMs = static_cast<long>(TProcThread::kNoFrameLimitMs);
  const long pollMs = static_cast<long>(TProcThread::kPollInterval.count());
  long quietMs = MsSinceStart(ends[0]) - MsSinceStart(records.back());
  if (rule.byCount)
    EXPECT_LT(quietMs, limitMs / 2) << "ended by the no-frame limit";
  else
    EXPECT_GE(quietMs, limitMs - 2 * pollMs) << "ended before the no-frame limit";
  EXPECT_FALSE(meter->Comm().PortOpen());

  auto lines = logs.RawLogBodies();
  auto logged = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
  EXPECT_EQ(logged("Thread:最后一条记录已确认，通讯结束，线程退出.."), rule.byCount);
  EXPECT_EQ(logged("Thread:超过3s未收到数据，认为通讯结束，线程退出.."), !rule.byCount);
  EXPECT_EQ(logs.Trace().find("接收超时，强制进程退出") != std::string::npos, !rule.byCount);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TransferEndRuleTest,
    ::testing::Values(
        EndRule{"CountReached", {"--generate", "3"}, {}, 3, TransferEnd::AllSent, true},
        EndRule{"OneRecordCountReached", {"--generate", "1"}, {}, 1, TransferEnd::AllSent, true},
        // The meter goes quiet after 3 of the 5 it announced.
        EndRule{"CountNotReached", {"--generate", "5", "--stop-after", "3"}, {}, 3, TransferEnd::RecordsMissing, false},
        // A first record numbered 0 tells no count.
        EndRule{"NoCount", {"--records", "RECORDS"}, {0, 7}, 2, TransferEnd::AllSent, false},
        // Numbered upwards: the first record claims 1, then more come.
        EndRule{"MoreThanAnnounced", {"--count-up", "--generate", "3"}, {}, 3, TransferEnd::AllSent, false},
        EndRule{"MoreThanAnnouncedAfterTheLastNumber", {"--records", "RECORDS"}, {2, 1, 5}, 3, TransferEnd::AllSent,
                false},
        // Fewer than announced, but the last one numbered 1: the meter has no more.
        EndRule{"FewerThanAnnouncedDownTo1", {"--records", "RECORDS"}, {4, 1}, 2, TransferEnd::AllSent, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
