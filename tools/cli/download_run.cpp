#include "download_run.h"

#include <chrono>
#include <utility>

#include "cli_environment.h"

namespace movra::cli {

bool OpenDownloadTarget(const std::optional<StoreRequest>& storeRequest, DownloadTarget& target) {
  if (!storeRequest) {
    PrepareCliEnvironment();
    target.printer = std::make_unique<PrintingKeeper>();
    return true;
  }
  target.dm = OpenProgramDatabase();
  if (!target.dm) return false;
  target.store = std::make_unique<DownloadStore>(*target.dm, *storeRequest);
  return target.store->Prepare();
}

void RunDownloadToEnd(DownloadTarget& target, DownloadListener& listener, DownloadPlan plan, EventLoop& loop,
                      const InterruptWatch& interrupts, const bool& ended) {
  Downloader downloader(target.Keeper(), listener);
  downloader.Start(std::move(plan));
  bool stopAsked = false;
  while (!ended) {
    loop.runUntil([&] { return ended || (interrupts.Interrupted() && !stopAsked); }, std::chrono::hours(24 * 365));
    if (interrupts.Interrupted() && !stopAsked) {
      // Stopped, the transfer still stores and acknowledges its record in hand.
      stopAsked = true;
      downloader.Stop();
    }
  }
}

}  // namespace movra::cli
