// A picture of a window as the desktop shows it: the offscreen platform draws no frame,
// so a plain title bar with the window's caption is drawn above the window's content.
#pragma once
#include <QImage>
#include <QString>

class QWidget;

namespace movra::shots {

QImage FramedShot(QWidget& window);
// Saves the picture as OUT_DIR/name; a picture that is empty or cannot be written stops.
void SaveShot(const QImage& image, const QString& outDir, const QString& name);

}  // namespace movra::shots
