// A process of its own for window-fit tests: the offscreen platform with a 1024×768 screen
// ("desk") and a 640×480 one ("small") beside it, laid out before the application starts.
#pragma once
#include <QRect>
#include <QString>

class QApplication;
class QScreen;
class QWidget;

namespace movra::test {

QApplication& TwoScreenApp(const char* name);
QScreen* ScreenNamed(const QString& name);
// The rectangle of w in the coordinates of `in`.
QRect RectIn(const QWidget* w, const QWidget* in);

}  // namespace movra::test
