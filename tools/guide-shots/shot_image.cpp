#include "shot_image.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include "shot_error.h"

namespace movra::shots {

namespace {
constexpr int kTitleHeight = 26;
constexpr int kBorder = 1;
const QColor kFrame(0x5a, 0x6e, 0x82);
const QColor kTitleBar(0xdd, 0xe4, 0xec);

// True when every pixel has the colour of the first: nothing was drawn.
bool IsBlank(const QImage& image) {
  QImage img = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb first = img.pixel(0, 0);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixel(x, y) != first) return false;
  return true;
}
}  // namespace

QImage FramedShot(QWidget& window) {
  QCoreApplication::processEvents();
  QImage content = window.grab().toImage();
  if (content.isNull() || IsBlank(content))
    throw ShotError("the window \"" + window.windowTitle().toStdString() + "\" drew nothing");
  const qreal ratio = content.devicePixelRatio();
  const int w = qRound(content.width() / ratio), h = qRound(content.height() / ratio);
  QImage framed(QSize(w + 2 * kBorder, h + kTitleHeight + 2 * kBorder) * ratio, QImage::Format_RGB32);
  framed.setDevicePixelRatio(ratio);
  framed.fill(kFrame);
  QPainter p(&framed);
  p.fillRect(QRect(kBorder, kBorder, w, kTitleHeight), kTitleBar);
  QFont font = QApplication::font();
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::black);
  p.drawText(QRect(kBorder + 10, kBorder, w - 20, kTitleHeight), Qt::AlignVCenter | Qt::AlignLeft,
             window.windowTitle());
  p.drawImage(QPoint(kBorder, kBorder + kTitleHeight), content);
  p.end();
  return framed;
}

void SaveShot(const QImage& image, const QString& outDir, const QString& name) {
  if (image.isNull()) throw ShotError("the picture " + name.toStdString() + " is empty");
  QDir().mkpath(outDir);
  const QString path = QDir(outDir).filePath(name);
  if (!image.save(path, "PNG")) throw ShotError("cannot write " + path.toStdString());
}

}  // namespace movra::shots
