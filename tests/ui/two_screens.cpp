#include "two_screens.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

#include "temp_dir.h"

namespace movra::test {

QApplication& TwoScreenApp(const char* name) {
  static TempDir config;
  static bool written = [] {
    config.write("screens.json", R"({"screens": [
      {"name": "desk", "x": 0, "y": 0, "width": 1024, "height": 768, "logicalDpi": 96},
      {"name": "small", "x": 1024, "y": 0, "width": 640, "height": 480, "logicalDpi": 96}]})");
    return true;
  }();
  (void)written;
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config.file("screens.json")).c_str());
  static int argc = 1;
  static char* argv[] = {const_cast<char*>(name), nullptr};
  // Never destroyed: at exit Qt's own statics may already be gone (a crash seen at twice
  // the scale), and the process ends anyway.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

QScreen* ScreenNamed(const QString& name) {
  for (QScreen* s : QGuiApplication::screens())
    if (s->name() == name) return s;
  return nullptr;
}

QRect RectIn(const QWidget* w, const QWidget* in) { return QRect(w->mapTo(in, QPoint(0, 0)), w->size()); }

}  // namespace movra::test
