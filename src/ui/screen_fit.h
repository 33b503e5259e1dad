// Opening a window at its usual size, or smaller on a small screen, within the screen's
// free area so its frame and buttons stay reachable.
#pragma once
#include <QSize>

class QVBoxLayout;
class QWidget;

namespace movra {

void FitToScreen(QWidget& window, QSize opening);
// Fits the window when it is first shown, once the screen it opens on is known.
void FitToScreenWhenShown(QWidget& window, QSize opening);
// The column that holds the window's whole content, inside a scroll area: on a screen
// smaller than the content the window still fits and its content scrolls.
QVBoxLayout* ScrollingColumn(QWidget& window);

}  // namespace movra
