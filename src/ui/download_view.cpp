#include "ui/download_view.h"

#include "app/dialogs.h"
#include "data/reading_progress.h"
#include "ui/download_state.h"
#include "ui/frm_main.h"
#include "ui/screen_cursor.h"

namespace movra {

void WindowDownloadView::OnPassStarted(int baud) {
  // The second pass starts as the first did: the commands stay off, the hourglass on.
  if (baud != 4800) {
    Downloading = true;
    w_.SetMenuState(false);
    SetHourglassCursor();
  }
  w_.SetPanel(4, "");
}

void WindowDownloadView::OnPortReading(int port, const std::string& portName, int baud) {
  std::string text = port > 0 ? std::to_string(port) : portName;
  w_.SetPanel(0, "Reading COM" + text);
  w_.SetPanel(2, ">>COM " + text + "," + std::to_string(baud));
  portName_ = portName;
  serialNumber_.clear();
}

void WindowDownloadView::OnProgress(int32_t stored, int32_t announced) {
  w_.SetPanel(0, ReadingProgressText(serialNumber_, portName_, stored, announced));
}

// A box while the transfer goes on: the transfer never waits for the user.
void WindowDownloadView::OnNotice(const Notice& notice) { ShowNotice(notice); }

void WindowDownloadView::OnCommandEnded(const DownloadResult& result) { w_.DownloadEnded(result); }

}  // namespace movra
