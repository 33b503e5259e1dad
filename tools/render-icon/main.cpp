// Build-time renderer of the program's icon at the sizes the desktop's icon theme wants.
//   movra-render-icon SVG SIZE OUT.png
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  int size = argc == 4 ? std::atoi(argv[2]) : 0;
  if (size <= 0) {
    std::fprintf(stderr, "usage: movra-render-icon SVG SIZE OUT.png\n");
    return 2;
  }
  QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
  if (!renderer.isValid()) {
    std::fprintf(stderr, "movra-render-icon: %s is not a picture\n", argv[1]);
    return 1;
  }
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter);
  painter.end();
  if (!image.save(QString::fromLocal8Bit(argv[3]))) {
    std::fprintf(stderr, "movra-render-icon: can't write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
