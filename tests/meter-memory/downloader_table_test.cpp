// The whole Download command against meters in memory: which port is read at which speed,
// what is kept and on which thread, the summary's figures, and Stop; on any platform.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
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

// One transfer's line to a meter in memory; what the meter heard is kept when the line goes.
class RecordedLine final : public ByteTransport {
 public:
  RecordedLine(const std::vector<std::string>& simArgs, std::vector<std::string>& journal)
      : meter_(simArgs), journal_(journal) {}
  ~RecordedLine() override {
    meter_.Close();
    for (const std::string& l : meter_.Journal()) journal_.push_back(l);
  }
  void SetLine(const std::string& name, const SerialLineSettings& s) override { meter_.SetLine(name, s); }
  const std::string& Name() const override { return meter_.Name(); }
  bool Open() override {
    meter_.OnReceive = [this](const uint8_t* b, size_t n) {
      if (OnReceive) OnReceive(b, n);
    };
    meter_.OnLineFailure = [this] {
      if (OnLineFailure) OnLineFailure();
    };
    return meter_.Open();
  }
  void Close() override { meter_.Close(); }
  bool IsOpen() const override { return meter_.IsOpen(); }
  TransportOpenFailure LastOpenFailure() const override { return meter_.LastOpenFailure(); }
  bool Write(const uint8_t* b, size_t n) override { return meter_.Write(b, n); }

 private:
  ScriptedMeter meter_;
  std::vector<std::string>& journal_;
};

// Keeps the records as "number/serial", and checks that it is called on its own thread.
class ListKeeper : public DownloadKeeper {
 public:
  std::vector<Notice> Keep(TMeterRecordQuery& records, const std::string& serial, const std::string&,
                           int32_t) override {
    if (std::this_thread::get_id() != owner) ++foreignCalls;
    TMeterRecord r;
    while (records.Pop(r)) {
      kept.push_back(r.RecordNumber + "/" + serial);
      ++transfer;
      if (onKept) onKept();
    }
    return {};
  }
  int32_t TakeTransferCount() override { return std::exchange(transfer, 0); }
  int32_t UnsavedCount() override { return 0; }
  int32_t InvalidCount() const override { return 0; }

  std::thread::id owner = std::this_thread::get_id();
  std::vector<std::string> kept;
  int foreignCalls = 0;
  int32_t transfer = 0;
  std::function<void()> onKept;
};

class ListListener : public DownloadListener {
 public:
  void OnPortReading(int port, const std::string&, int baud) override {
    reads.push_back("COM" + std::to_string(port) + "@" + std::to_string(baud));
  }
  void OnNotice(const Notice& n) override { notices.push_back(n.text); }
  void OnCommandEnded(const DownloadResult& r) override {
    result = r;
    ++ends;
  }
  std::vector<std::string> notices;
  std::vector<std::string> reads;
  DownloadResult result;
  int ends = 0;
};

struct CommandCase {
  const char* name;
  std::map<std::string, std::vector<std::string>> meters;  // port entry -> simulator options
  std::vector<std::string> reads;                          // port@speed, in order
  std::vector<std::string> kept;
  std::string summary;
  bool meterAnswered = true;
  int stopAfter = 0;  // Stop once this many records are kept
  std::vector<std::string> notices = {};  // told to the listener, in order
};

const CommandCase kCommands[] = {
    {"A4800AndA9600MeterEachReadAtItsSpeedOnce",
     {{"COM1", {"--generate", "3", "--no-pace"}},
      {"COM2", {"--generate", "2", "--generation", "9600", "--serial", "PT00000009B", "--no-pace"}}},
     {"COM1@4800", "COM2@4800", "COM2@9600"},
     {"3/PT12345678A", "2/PT12345678A", "1/PT12345678A", "2/PT00000009B", "1/PT00000009B"},
     "Finished transfering. Total records: 5! "},
    {"NoPort", {}, {}, {}, "Finished transfering. Total records: 0! ", false},
    {"AnAdapterWithoutMeter", {{"COM1", {"--silent"}}}, {"COM1@4800", "COM1@9600"}, {},
     "Finished transfering. Total records: 0! ", false},
    {"ADamagedFrameLeavesTheRestInTheMeter",
     {{"COM1", {"--generate", "5", "--damaged", "3", "--no-pace"}}},
     {"COM1@4800"},
     {"5/PT12345678A", "4/PT12345678A"},
     "Finished transfering. Total records: 2! \nThe download is incomplete: 2 records were read. The records not "
     "read are still in the meter: connect it again and press Download."},
    {"ARejectedFrameIsToldOnceAndEndsTheTransfer",
     {{"COM1", {"--generate", "5", "--bad-crc", "3", "--no-pace"}}},
     {"COM1@4800"},
     {"5/PT12345678A", "4/PT12345678A"},
     "Finished transfering. Total records: 2! \nThe download is incomplete: 2 records were read. The records not "
     "read are still in the meter: connect it again and press Download.",
     true,
     0,
     {"Record 3 CRC error! Please try again!"}},
    {"StopKeepsWhatWasAcknowledged",
     {{"COM1", {"--generate", "30"}}, {"COM2", {"--generate", "3", "--no-pace"}}},
     {"COM1@4800"},
     {"30/PT12345678A", "29/PT12345678A"},
     "",  // the count depends on the record in hand
     true,
     2},
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class MemoryDownload : public ::testing::TestWithParam<CommandCase> {
 protected:
  ScopedPresenter presenter;
  LogFolder logs;
  std::shared_ptr<EventLoop> loop = EventLoop::createForThisThread();
};

TEST_P(MemoryDownload, ReadsEachPortAtItsSpeedAndKeepsEveryAcknowledgedRecord) {
  const CommandCase& c = GetParam();
  presenter->allowAny();
  std::map<std::string, std::vector<std::string>> journals;
  DownloadPlan plan;
  for (const auto& [port, args] : c.meters) plan.ports.push_back(port);
  plan.transportFor = [&](const std::string& port) {
    return std::make_unique<RecordedLine>(c.meters.at(port), journals[port]);
  };
  ListKeeper keeper;
  ListListener listener;
  Downloader downloader(keeper, listener);
  if (c.stopAfter > 0)
    keeper.onKept = [&] {
      if (int(keeper.kept.size()) == c.stopAfter) downloader.Stop();
    };
  ASSERT_TRUE(downloader.Start(plan));
  ASSERT_TRUE(loop->runUntil([&] { return listener.ends > 0; }, 60s));
  loop->processPending();

  EXPECT_EQ(listener.ends, 1);
  EXPECT_FALSE(downloader.Running());
  EXPECT_EQ(listener.reads, c.reads);
  EXPECT_EQ(keeper.foreignCalls, 0);
  EXPECT_EQ(listener.notices, c.notices);
  // A stop comes after the record in hand, which is kept and acknowledged all the same.
  if (c.stopAfter > 0) {
    ASSERT_GE(keeper.kept.size(), size_t(c.stopAfter));
    keeper.kept.resize(c.kept.size());
  }
  EXPECT_EQ(keeper.kept, c.kept);
  const std::string total = std::to_string(listener.result.total);
  EXPECT_EQ(listener.result.SummaryText(),
            c.stopAfter == 0 ? c.summary
                             : "Finished transfering. Total records: " + total +
                                   "! \nThe download is incomplete: " + total +
                                   " records were read. The records not read are still in the meter: connect it "
                                   "again and press Download.");
  EXPECT_EQ(listener.result.portsFound, !c.meters.empty());
  EXPECT_EQ(listener.result.meterAnswered, c.meterAnswered);
  EXPECT_EQ(listener.result.stopped, c.stopAfter > 0);
  // Every record kept was acknowledged once, and every acknowledged one kept.
  int acks = 0;
  for (const auto& [port, journal] : journals)
    for (const std::string& l : journal) acks += l.rfind("ack ", 0) == 0;
  EXPECT_EQ(acks, listener.result.total);
}

INSTANTIATE_TEST_SUITE_P(Commands, MemoryDownload, ::testing::ValuesIn(kCommands),
                         [](const ::testing::TestParamInfo<CommandCase>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace movra::test
