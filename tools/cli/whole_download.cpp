#include "whole_download.h"

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/dialogs.h"
#include "app/event_loop.h"
#include "cli_environment.h"
#include "comm/usb_comm_list.h"
#include "data/record_conversion.h"
#include "download/downloader.h"
#include "interrupt_watch.h"
#include "record_output.h"
#include "subcommand.h"

namespace movra::cli {

namespace {

// Without --store: the serial number of each meter, then its records, as they come.
class PrintingKeeper : public DownloadKeeper {
 public:
  std::vector<Notice> Keep(TMeterRecordQuery& records, const std::string& serialNumber, const std::string&,
                           int32_t) override {
    TMeterRecord r;
    while (records.Pop(r)) {
      if (serialNumber != lastSerial_) {
        lastSerial_ = serialNumber;
        PrintLine("SerialNumber: " + ReplaceControlCharacters(serialNumber));
      }
      PrintLine(RecordLine(r));
      ++count_;
      ++transferCount_;
    }
    return {};
  }
  int32_t TakeTransferCount() override { return std::exchange(transferCount_, 0); }
  int32_t UnsavedCount() override { return 0; }
  int32_t InvalidCount() const override { return 0; }
  long Count() const { return count_; }

 private:
  std::string lastSerial_;
  long count_ = 0;
  int32_t transferCount_ = 0;
};

// Which port is read at which speed, on stderr; the summary's words at the end.
class CliDownloadListener : public DownloadListener {
 public:
  void OnPortReading(int port, const std::string& portName, int baud) override {
    std::string name = port > 0 ? "COM" + std::to_string(port) : portName;
    std::fprintf(stderr, "movra-cli: reading %s at %d baud\n", name.c_str(), baud);
  }
  // On stderr, as the window's box would show it.
  void OnNotice(const Notice& notice) override { ShowNotice(notice); }
  void OnCommandEnded(const DownloadResult& r) override {
    result = r;
    ended = true;
  }
  DownloadResult result;
  bool ended = false;
};

}  // namespace

int RunWholeDownload(const std::optional<StoreRequest>& storeRequest) {
  auto loop = EventLoop::createForThisThread();
  InterruptWatch interrupts(loop);

  std::unique_ptr<TDM> dm;
  std::unique_ptr<DownloadStore> store;
  std::unique_ptr<DownloadKeeper> keeper;
  PrintingKeeper* printer = nullptr;
  if (storeRequest) {
    dm = OpenProgramDatabase();
    if (!dm) return kExitDatabase;
    store = std::make_unique<DownloadStore>(*dm, *storeRequest);
    if (!store->Prepare()) return kExitDatabase;
    keeper = std::make_unique<RecordStoreKeeper>(store->Records());
  } else {
    PrepareCliEnvironment();
    auto p = std::make_unique<PrintingKeeper>();
    printer = p.get();
    keeper = std::move(p);
  }

  DownloadPlan plan;
  ShowNotice(GetUSBCommList(plan.ports));
  CliDownloadListener listener;
  Downloader downloader(*keeper, listener);
  downloader.Start(plan);
  bool stopAsked = false;
  while (!listener.ended) {
    loop->runUntil([&] { return listener.ended || (interrupts.Interrupted() && !stopAsked); },
                   std::chrono::hours(24 * 365));
    if (interrupts.Interrupted() && !stopAsked) {
      // Stopped, the transfer still stores and acknowledges its record in hand.
      stopAsked = true;
      downloader.Stop();
    }
  }
  const DownloadResult& r = listener.result;
  const bool interrupted = interrupts.Interrupted();

  // The window's boxes, in the window's order, as messages on stderr.
  int code = kExitOk;
  if (!r.failure.empty()) {
    ShowInfo(r.failure);
    if (r.LeftRecordsBehind()) ShowInfo(r.SummaryText());
    code = kExitPortNotOpened;
  } else if (!r.portsFound) {
    ShowInfo("Meter is not ready! Please check the power and cable!");
    code = kExitNoMeter;
  } else {
    ShowInfo(r.SummaryText());
    if (!r.meterAnswered) code = kExitNoMeter;
  }
  if (printer) PrintLine("Records: " + std::to_string(printer->Count()));
  int finish = store ? store->FinishCommand(interrupted) : (interrupted ? kExitInterrupted : kExitOk);
  if (interrupted) return kExitInterrupted;
  if (code != kExitOk) return code;
  if (finish != kExitOk) return finish;
  return r.outcome.incomplete ? kExitIncomplete : kExitOk;
}

}  // namespace movra::cli
