#include "whole_download.h"

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/dialogs.h"
#include "app/event_loop.h"
#include "comm/usb_comm_list.h"
#include "download/downloader.h"
#include "download_run.h"
#include "interrupt_watch.h"
#include "record_output.h"
#include "subcommand.h"

namespace movra::cli {

namespace {

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

  DownloadTarget target;
  if (!OpenDownloadTarget(storeRequest, target)) return kExitDatabase;

  DownloadPlan plan;
  ShowNotice(GetUSBCommList(plan.ports));
  CliDownloadListener listener;
  RunDownloadToEnd(target, listener, std::move(plan), *loop, interrupts, listener.ended);
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
  if (target.printer) PrintLine("Records: " + std::to_string(target.printer->Count()));
  int finish = target.store ? target.store->Finish(interrupted, false) : (interrupted ? kExitInterrupted : kExitOk);
  if (interrupted) return kExitInterrupted;
  if (code != kExitOk) return code;
  if (finish != kExitOk) return finish;
  return r.outcome.incomplete ? kExitIncomplete : kExitOk;
}

}  // namespace movra::cli
