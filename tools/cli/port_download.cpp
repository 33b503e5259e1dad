#include "port_download.h"

#include <cstdio>
#include <memory>
#include <utility>

#include "app/dialogs.h"
#include "app/event_loop.h"
#include "download/downloader.h"
#include "download_run.h"
#include "interrupt_watch.h"
#include "meter/download_summary_text.h"
#include "record_output.h"
#include "subcommand.h"

namespace movra::cli {

namespace {

// The transfer's notices on stderr as they come, and what the end needs to know.
class PortListener : public DownloadListener {
 public:
  void OnSerialNumber(const std::string& serialNumber) override { this->serialNumber = serialNumber; }
  void OnNotice(const Notice& notice) override { ShowNotice(notice); }
  void OnTransferEnded(const TransferOutcome& outcome) override {
    transfer = outcome;
    transferEnded = true;
  }
  void OnCommandEnded(const DownloadResult& r) override {
    result = r;
    ended = true;
  }
  std::string serialNumber;
  TransferOutcome transfer;
  bool transferEnded = false;
  DownloadResult result;
  bool ended = false;
};

// The serial port's words for why it did not open, and the OS's.
int PortNotOpened(const std::string& port, const DownloadResult& r) {
  const TransportOpenFailure& why = r.openFailure;
  // A port entry the meter component cannot take at all has only the command's words.
  std::string text = why.text.empty() ? r.failure : why.text;
  if (!why.osText.empty()) text += " (" + why.osText + ")";
  std::fprintf(stderr, "movra-cli: cannot open %s: %s\n", port.c_str(), text.c_str());
  return kExitPortNotOpened;
}

// What the window's summary says in its second line when records stay in the meter; the
// exit code tells it too.
int ReportOutcome(const TransferOutcome& transfer, int exitCode) {
  DownloadOutcome outcome;
  outcome.Add(transfer);
  std::string text = IncompleteDownloadText(outcome, 0);
  if (text.empty()) return exitCode;
  ShowInfo(text);
  return exitCode == kExitOk ? kExitIncomplete : exitCode;
}

}  // namespace

int RunPortDownload(const std::string& port, int baud, const std::optional<StoreRequest>& storeRequest) {
  auto loop = EventLoop::createForThisThread();
  InterruptWatch interrupts(loop);

  DownloadTarget target;
  if (!OpenDownloadTarget(storeRequest, target)) return kExitDatabase;

  DownloadPlan plan;
  plan.ports = {port};
  plan.speeds = {baud};
  PortListener listener;
  RunDownloadToEnd(target, listener, std::move(plan), *loop, interrupts, listener.ended);
  const DownloadResult& r = listener.result;
  if (!r.failure.empty()) return PortNotOpened(port, r);

  const bool interrupted = interrupts.Interrupted();
  int code = kExitOk;
  if (target.store) {
    code = target.store->Finish(interrupted, true);
  } else {
    // A meter that sent nothing still has its line.
    if (!target.printer->SerialNumberPrinted()) target.printer->PrintSerialNumber(listener.serialNumber);
    PrintLine("Records: " + std::to_string(target.printer->Count()));
    if (interrupted) code = kExitInterrupted;
  }
  if (code == kExitOk && !listener.transferEnded) code = kExitFailure;
  code = ReportOutcome(listener.transfer, code);
  // A meter answers the device-mode command before anything else, even when it holds no
  // record; a line that stayed quiet means a meter that is off, at another speed, or not there.
  if (code == kExitOk && !r.meterAnswered) {
    std::fprintf(stderr,
                 "movra-cli: no meter answered on %s at %d baud. Check that the meter is switched on and "
                 "connected, and the speed: 4800 for the first meter generation, 9600 for the second.\n",
                 port.c_str(), baud);
    return kExitNoMeter;
  }
  return code;
}

}  // namespace movra::cli
