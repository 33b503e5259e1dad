// Fonts and painting without a screen: a tool that prints a report holds one of these,
// which makes the Gui application on Qt's offscreen platform while it lives.
#pragma once
#include <memory>

class QGuiApplication;

namespace movra {

class OffscreenGui {
 public:
  // Makes the QGuiApplication unless the process has an application already. On the
  // main thread, before the first report is painted.
  OffscreenGui();
  ~OffscreenGui();
  OffscreenGui(const OffscreenGui&) = delete;
  OffscreenGui& operator=(const OffscreenGui&) = delete;

 private:
  int argc_ = 1;
  char name_[16] = "movra-report";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> app_;
};

}  // namespace movra
