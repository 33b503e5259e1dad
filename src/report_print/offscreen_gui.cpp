#include "report_print/offscreen_gui.h"

#include <QGuiApplication>

namespace movra {

namespace {

QtMessageHandler gQtDefault = nullptr;

// A tool without a desktop session has no runtime folder; Qt's remark about it is no
// message for the user of a command line.
void QuietAboutRuntimeFolder(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtWarningMsg && text.startsWith("QStandardPaths: XDG_RUNTIME_DIR")) return;
  if (gQtDefault) gQtDefault(type, context, text);
}

}  // namespace

OffscreenGui::OffscreenGui() {
  if (QCoreApplication::instance()) return;
  gQtDefault = qInstallMessageHandler(QuietAboutRuntimeFolder);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  app_ = std::make_unique<QGuiApplication>(argc_, argv_);
}

OffscreenGui::~OffscreenGui() {
  if (!app_) return;
  app_.reset();
  qInstallMessageHandler(gQtDefault);
}

}  // namespace movra
