#include "ui/download_state.h"

namespace movra {

bool Downloading = false;
int32_t DownloadTotal = 0;

}  // namespace movra
