// movra-cli download --port PORT [--baud RATE]: one transfer, from that port at that
// speed, through the core's downloader with a plan of one port and one speed.
#pragma once
#include <optional>
#include <string>

#include "download_store.h"

namespace movra::cli {

int RunPortDownload(const std::string& port, int baud, const std::optional<StoreRequest>& storeRequest);

}  // namespace movra::cli
