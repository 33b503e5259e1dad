#include "ui/desktop_identity.h"

#include <QGuiApplication>

namespace movra {

void SetDesktopIdentity(const std::string& caption) {
  // The class part of WM_CLASS is the application name, so the desktop entry's
  // StartupWMClass and Name match the window's caption.
  QCoreApplication::setApplicationName(QString::fromStdString(caption));
  QGuiApplication::setDesktopFileName(QString::fromUtf8(kDesktopFileName));
}

}  // namespace movra
