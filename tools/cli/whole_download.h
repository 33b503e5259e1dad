// movra-cli download without --port: the window's whole Download command through the
// core's downloader, over every USB-to-UART port that `ports` lists, at 4800 and then 9600.
#pragma once
#include <optional>

#include "download_store.h"

namespace movra::cli {

int RunWholeDownload(const std::optional<StoreRequest>& storeRequest);

}  // namespace movra::cli
