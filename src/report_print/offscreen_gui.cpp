#include "report_print/offscreen_gui.h"

#include <QGuiApplication>

namespace movra {

OffscreenGui::OffscreenGui() {
  if (QCoreApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  app_ = std::make_unique<QGuiApplication>(argc_, argv_);
}

OffscreenGui::~OffscreenGui() = default;

}  // namespace movra
