// Opening a window at its usual size, or smaller on a small screen, within the screen's
// free area so its frame and buttons stay reachable.
#pragma once
#include <QSize>

class QWidget;

namespace movra {

void FitToScreen(QWidget& window, QSize opening);
// Fits the window when it is first shown, once the screen it opens on is known.
void FitToScreenWhenShown(QWidget& window, QSize opening);

}  // namespace movra
