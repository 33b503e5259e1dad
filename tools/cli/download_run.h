// What the two forms of movra-cli download share: where the records go, and running the
// core's downloader on this thread's event loop until its listener has heard the end;
// Ctrl-C (or SIGTERM, SIGHUP) stops it as the window's Stop does.
#pragma once
#include <memory>
#include <optional>

#include "app/event_loop.h"
#include "download/downloader.h"
#include "download_store.h"
#include "interrupt_watch.h"
#include "printing_keeper.h"

namespace movra::cli {

// The program's database with --store, else stdout.
struct DownloadTarget {
  std::unique_ptr<TDM> dm;  // outlives the download, as it outlives the window
  std::unique_ptr<DownloadStore> store;
  std::unique_ptr<PrintingKeeper> printer;
  DownloadKeeper& Keeper() { return store ? static_cast<DownloadKeeper&>(*store) : *printer; }
};

// Start-up, then the store prepared or the printer made; false when the database cannot
// be used (the error has been shown).
bool OpenDownloadTarget(const std::optional<StoreRequest>& storeRequest, DownloadTarget& target);

// `ended` is set by the listener's OnCommandEnded.
void RunDownloadToEnd(DownloadTarget& target, DownloadListener& listener, DownloadPlan plan, EventLoop& loop,
                      const InterruptWatch& interrupts, const bool& ended);

}  // namespace movra::cli
