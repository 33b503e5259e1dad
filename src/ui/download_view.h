// The window's listener of a Download command.
#pragma once
#include <string>

#include "download/download_listener.h"

namespace movra {

class TFrmMain;

// Maps what the downloader tells to the window's status bar, cursor, menus and boxes.
class WindowDownloadView : public DownloadListener {
 public:
  explicit WindowDownloadView(TFrmMain& w) : w_(w) {}
  void OnPassStarted(int baud) override;
  void OnPortReading(int port, const std::string& portName, int baud) override;
  void OnSerialNumber(const std::string& serialNumber) override { serialNumber_ = serialNumber; }
  void OnProgress(int32_t stored, int32_t announced) override;
  void OnNotice(const Notice& notice) override;
  void OnCommandEnded(const DownloadResult& result) override;

 private:
  TFrmMain& w_;
  std::string portName_;      // of the transfer in hand
  std::string serialNumber_;  // of the transfer in hand
};

}  // namespace movra
