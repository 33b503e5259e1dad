#include "ui/download_state.h"

namespace movra {

bool Downloading = false;
int32_t DownloadTotal = 0;
int32_t ExpectedCount = 0;

}  // namespace movra
