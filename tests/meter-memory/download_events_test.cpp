// The typed events of a Download command, as its listener hears them, against meters in
// memory: each transfer's serial number, its progress (rows stored against the meter's
// announced count) and the rows it stored, in their place among the other events.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/event_loop.h"
#include "download/downloader.h"
#include "meter_test_support.h"
#include "recording_presenter.h"
#include "scripted_meter.h"

namespace movra::test {
namespace {

using namespace std::chrono_literals;

// Keeps every record but those it is told to refuse, as a store refuses a record that can
// be no result.
class RefusingKeeper : public DownloadKeeper {
 public:
  explicit RefusingKeeper(std::set<std::string> refused) : refused_(std::move(refused)) {}
  std::vector<Notice> Keep(TMeterRecordQuery& records, const std::string&, const std::string&, int32_t) override {
    TMeterRecord r;
    while (records.Pop(r))
      if (!refused_.count(r.RecordNumber)) ++stored_;
    return {};
  }
  int32_t StoredThisTransfer(int32_t) const override { return stored_; }
  int32_t TakeTransferCount() override { return std::exchange(stored_, 0); }
  int32_t UnsavedCount() override { return 0; }
  int32_t InvalidCount() const override { return 0; }

 private:
  std::set<std::string> refused_;
  int32_t stored_ = 0;
};

// Every event as one line, in the order heard.
class EventLog : public DownloadListener {
 public:
  void OnPortReading(int port, const std::string&, int baud) override {
    lines.push_back("read COM" + std::to_string(port) + "@" + std::to_string(baud));
  }
  void OnSerialNumber(const std::string& serial) override { lines.push_back("serial " + serial); }
  void OnProgress(int32_t stored, int32_t announced) override {
    lines.push_back(std::to_string(stored) + " / " + std::to_string(announced));
  }
  void OnNotice(const Notice& n) override { lines.push_back("notice " + n.text); }
  void OnRecordsStored(int32_t stored) override { lines.push_back("stored " + std::to_string(stored)); }
  void OnTransferEnded(const TransferOutcome&) override { lines.push_back("end"); }
  void OnCommandEnded(const DownloadResult& r) override {
    lines.push_back("total " + std::to_string(r.total));
    ended = true;
  }
  std::vector<std::string> lines;
  bool ended = false;
};

struct EventCase {
  const char* name;
  std::map<std::string, std::vector<std::string>> meters;  // port entry -> simulator options
  std::set<std::string> refused;                          // record numbers the keeper does not store
  std::vector<std::string> events;
};

const EventCase kCases[] = {
    {"ACountingDownMeter",
     {{"COM1", {"--generate", "3", "--no-pace"}}},
     {},
     {"read COM1@4800", "serial PT12345678A", "1 / 3", "2 / 3", "3 / 3", "stored 3", "end", "total 3"}},
    // The count is the first record's number, whatever the meter meant by it.
    {"AMeterCountingUp",
     {{"COM1", {"--generate", "3", "--count-up", "--no-pace"}}},
     {},
     {"read COM1@4800", "serial PT12345678A", "1 / 1", "2 / 1", "3 / 1", "stored 3", "end", "total 3"}},
    {"RecordsTheKeeperRefusesAreNotCounted",
     {{"COM1", {"--generate", "4", "--no-pace"}}},
     {"3"},
     {"read COM1@4800", "serial PT12345678A", "1 / 4", "1 / 4", "2 / 4", "3 / 4", "stored 3", "end", "total 3"}},
    // No record, and the serial number is still told once per transfer, at its end.
    {"AMeterWithoutRecords",
     {{"COM1", {"--generate", "0", "--serial", "PT00000007C", "--no-pace"}}},
     {},
     {"read COM1@4800", "serial PT00000007C", "stored 0", "end", "total 0"}},
    {"AnAdapterWithoutMeter",
     {{"COM1", {"--silent"}}},
     {},
     {"read COM1@4800", "serial Unknown", "stored 0", "end", "read COM1@9600", "serial Unknown", "stored 0", "end",
      "total 0"}},
    // Each transfer counts its own rows; the total adds them.
    {"TwoMetersAtTheirSpeeds",
     {{"COM1", {"--generate", "2", "--no-pace"}},
      {"COM2", {"--generate", "1", "--generation", "9600", "--serial", "PT00000009B", "--no-pace"}}},
     {},
     {"read COM1@4800", "serial PT12345678A", "1 / 2", "2 / 2", "stored 2", "end", "read COM2@4800",
      "serial Unknown", "stored 0", "end", "read COM2@9600", "serial PT00000009B", "1 / 1", "stored 1", "end",
      "total 3"}},
};

void PrintTo(const EventCase& c, std::ostream* os) { *os << c.name; }

class DownloadEvents : public ::testing::TestWithParam<EventCase> {
 protected:
  ScopedPresenter presenter;
  LogFolder logs;
  std::shared_ptr<EventLoop> loop = EventLoop::createForThisThread();
};

TEST_P(DownloadEvents, TellEachTransfersSerialNumberProgressAndStoredRows) {
  const EventCase& c = GetParam();
  presenter->allowAny();
  DownloadPlan plan;
  for (const auto& [port, args] : c.meters) plan.ports.push_back(port);
  plan.transportFor = [&](const std::string& port) { return std::make_unique<ScriptedMeter>(c.meters.at(port)); };
  RefusingKeeper keeper(c.refused);
  EventLog log;
  Downloader downloader(keeper, log);
  ASSERT_TRUE(downloader.Start(plan));
  ASSERT_TRUE(loop->runUntil([&] { return log.ended; }, 60s));
  EXPECT_EQ(log.lines, c.events);
}

INSTANTIATE_TEST_SUITE_P(Commands, DownloadEvents, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<EventCase>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace movra::test
