#include "download/downloader.h"

#include <chrono>
#include <set>

#include "app/event_loop.h"
#include "app/trace.h"
#include "comm/usb_comm_list.h"
#include "download/port_failure_text.h"
#include "meter/download_summary_text.h"
#include "meter/hb_meter.h"

namespace movra {

using namespace std::chrono_literals;

// What the command's thread and its owner share, beyond the Downloader's own life.
struct Downloader::Shared {
  std::mutex mutex;
  std::atomic<bool> stop{false};
  bool alive = true;                  // the Downloader still exists (owner thread's word)
  std::shared_ptr<EventLoop> loop;    // the command thread's loop, while it runs
  std::function<void()> keepServer;   // serves a record waiting for the keeper
  std::atomic<bool> threadDone{false};
};

// What one transfer has told its listener so far; owner thread only.
struct Downloader::TransferTally {
  bool serialTold = false;
  int32_t handedOver = 0;  // records given to the keeper
};

std::string DownloadResult::SummaryText() const { return DownloadSummaryText(total, outcome, notSaved, invalid); }

Downloader::Downloader(DownloadKeeper& keeper, DownloadListener& listener)
    : keeper_(keeper), listener_(listener), shared_(std::make_shared<Shared>()) {}

Downloader::~Downloader() {
  Stop();
  // The transfer may be waiting for the keeper, which is served on this thread.
  while (thread_.joinable() && !shared_->threadDone.load()) {
    std::function<void()> serve;
    {
      std::lock_guard<std::mutex> lock(shared_->mutex);
      serve = shared_->keepServer;
    }
    if (serve) serve();
    std::this_thread::sleep_for(2ms);
  }
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->alive = false;
}

bool Downloader::Start(DownloadPlan plan) {
  if (running_) return false;
  if (thread_.joinable()) thread_.join();
  owner_ = Dispatcher::current();
  shared_->stop = false;
  shared_->threadDone = false;
  result_ = DownloadResult{};
  running_ = true;
  thread_ = std::thread([this, plan = std::move(plan)]() mutable { Run(std::move(plan)); });
  return true;
}

void Downloader::Stop() {
  shared_->stop = true;
  std::lock_guard<std::mutex> lock(shared_->mutex);
  if (shared_->loop) shared_->loop->dispatch([] {});
}

bool Downloader::Tell(std::function<void()> onOwner) {
  std::shared_ptr<Shared> shared = shared_;
  return owner_->dispatch([shared, onOwner = std::move(onOwner)] {
    {
      std::lock_guard<std::mutex> lock(shared->mutex);
      if (!shared->alive) return;
    }
    onOwner();
  });
}

void Downloader::TellNotices(CHBMeter& meter) {
  for (Notice& n : meter.TakeNotices()) Tell([this, n = std::move(n)] { listener_.OnNotice(n); });
}

std::unique_ptr<CHBMeter> Downloader::MakeMeter(const DownloadPlan& plan, const std::string& entry,
                                                const std::shared_ptr<TransferTally>& tally) {
  auto meter = plan.transportFor ? std::make_unique<CHBMeter>(plan.transportFor(entry)) : std::make_unique<CHBMeter>();
  CHBMeter* m = meter.get();
  // The meter counts down: its first record's number is the count of records to come.
  meter->SetRecordKeeper(
      [this, m, tally] {
        if (!tally->serialTold) {
          tally->serialTold = true;
          listener_.OnSerialNumber(m->SerialNumber());
        }
        const int32_t waiting = m->Records().Count();
        std::vector<Notice> notices =
            keeper_.Keep(m->Records(), m->SerialNumber(), m->PortName(), m->FirstRecordNumber());
        tally->handedOver += waiting - m->Records().Count();
        listener_.OnProgress(keeper_.StoredThisTransfer(tally->handedOver), m->FirstRecordNumber());
        for (const Notice& n : notices) listener_.OnNotice(n);
      },
      owner_);
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->keepServer = meter->RecordKeeperServer();
  return meter;
}

bool Downloader::ReadPort(const DownloadPlan& plan, const std::string& entry, int baud, bool& answered,
                          std::string& failure, TransportOpenFailure& openFailure) {
  auto tally = std::make_shared<TransferTally>();
  std::unique_ptr<CHBMeter> owned = MakeMeter(plan, entry, tally);
  CHBMeter& meter = *owned;
  int port = 0;
  // No parity, 8 data bits, 1 stop bit: the ordinals 0, 3 and 0.
  if (entry.rfind("COM", 0) == 0) {
    std::string rest = entry.substr(3);
    std::optional<int> parsed = ParsePortNumber(rest);
    if (!parsed) {
      // The integer conversion's own message for a port entry that is no number.
      failure = "'" + rest + "' is not a valid integer value";
      return false;
    }
    port = *parsed;
    meter.SetPort(port, baud, 0, 3, 0);
  } else {
    meter.SetPortName(entry, baud, 0, 3, 0);
  }
  const std::string portName = meter.PortName();
  Tell([this, port, portName, baud] { listener_.OnPortReading(port, portName, baud); });

  std::atomic<bool> ended{false};
  MessageTarget target([&](Message& m) {
    switch (m.id) {
      case MessageId::MeterRecords:
        // The keeper took them before their acknowledgement; this is for what is left.
        if (meter.Records().Count() > 0) meter.KeepWaitingRecords();
        break;
      case MessageId::MeterNotice:
        TellNotices(meter);
        break;
      case MessageId::TransferEnd:
        ended = true;
        break;
      default:
        break;
    }
  });
  meter.NotifyWindow = target.handle();
  if (!meter.StartComm()) {
    const std::string portText = port > 0 ? std::to_string(port) : entry;
    BugMessage("Com " + portText + " open error! Please check it!");
    const TransportOpenFailure why = openFailure = meter.Transport().LastOpenFailure();
    if (why.failure != PortFailure::None || !why.osText.empty())
      BugMessage("Com " + portText + ": " + why.text + " " + why.osText);
    failure = port > 0 ? PortOpenFailureMessage(port, why.failure) : "Cannot open " + entry + ": " + why.text;
    return false;
  }
  shared_->loop->runUntil([&] { return ended.load() || shared_->stop.load(); }, 24h * 365);
  // A stop ends the transfer after its record in hand; otherwise the thread is finishing.
  if (!ended) meter.StopTransfer();
  meter.WaitForTransferThread();
  // Whatever the transfer posted before it ended is handled before the command goes on.
  shared_->loop->processPending();
  if (meter.Records().Count() > 0) meter.KeepWaitingRecords();
  TellNotices(meter);
  const TransferOutcome outcome = meter.LastTransferOutcome();
  // A meter answers the device-mode command before anything else, even with no record.
  answered = meter.MeterAnswered();
  Tell([this, outcome, tally, serialNumber = meter.SerialNumber()] {
    BugMessage("Main Received Transfer End Message");
    if (!tally->serialTold) listener_.OnSerialNumber(serialNumber);
    const int32_t stored = keeper_.TakeTransferCount();
    listener_.OnRecordsStored(stored);
    result_.total += stored;
    if (outcome.end != TransferEnd::None) result_.outcome.Add(outcome);
    listener_.OnTransferEnded(outcome);
  });
  return true;
}

void Downloader::Run(DownloadPlan plan) {
  auto loop = EventLoop::createForThisThread();
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->loop = loop;
  }
  bool stopped = false, answeredAny = false;
  std::string failure;
  TransportOpenFailure openFailure;
  {
    // A meter speaks one speed: a port that delivered one is not read at the other.
    std::set<size_t> delivered;
    for (size_t pass = 0; pass < plan.speeds.size() && !plan.ports.empty() && failure.empty() && !stopped; ++pass) {
      const int baud = plan.speeds[pass];
      BugMessage(">>>> 尝试波特率" + std::to_string(baud) + "，下载pt" + std::to_string(pass + 1));
      Tell([this, baud] { listener_.OnPassStarted(baud); });
      for (size_t i = 0; i < plan.ports.size(); ++i) {
        if (shared_->stop) {
          stopped = true;
          break;
        }
        if (delivered.count(i)) continue;
        bool answered = false;
        if (!ReadPort(plan, plan.ports[i], baud, answered, failure, openFailure)) break;
        if (answered) {
          delivered.insert(i);
          answeredAny = true;
        }
      }
      if (shared_->stop) stopped = true;
    }
  }
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->keepServer = nullptr;
    shared_->loop.reset();
  }
  loop->close();
  const bool portsFound = !plan.ports.empty();
  if (!portsFound) BugMessage("Main Received Transfer End Message");
  if (!failure.empty()) BugMessage(failure);
  const bool told = Tell([this, portsFound, stopped, answeredAny, failure, openFailure] {
    result_.portsFound = portsFound;
    result_.stopped = stopped;
    // Stopped early, the meter may hold what was not read: the summary says so.
    if (stopped) result_.outcome.incomplete = true;
    result_.meterAnswered = answeredAny;
    result_.failure = failure;
    result_.openFailure = openFailure;
    result_.notSaved = keeper_.UnsavedCount();
    result_.invalid = keeper_.InvalidCount();
    running_ = false;
    listener_.OnCommandEnded(result_);
  });
  // An owner whose loop has closed hears nothing more; the command has ended all the same.
  if (!told) running_ = false;
  shared_->threadDone = true;
}

}  // namespace movra
