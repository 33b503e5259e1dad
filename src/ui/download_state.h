// The download state that other commands consult: while a download runs, closing,
// clearing and exporting are refused.
#pragma once
#include <cstdint>

namespace movra {

// True from the start of a Download command until it ends, normally or by failure.
extern bool Downloading;
// Records stored during the current Download command.
extern int32_t DownloadTotal;

}  // namespace movra
