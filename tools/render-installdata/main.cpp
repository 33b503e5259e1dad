// Build-time maker of installation data: renders the SVG pictures to the PNG and ICO files
// the program loads, and the user guide's text source to a PDF.
//   movra-make-installdata ART_DIR GUIDE_SOURCE OUT_DIR
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgRenderer>
#include <QTextDocument>
#include <cstdio>

#include "guide_markup.h"

namespace {

bool renderSvg(const QString& svgPath, const QString& outPath, int size) {
  QSvgRenderer renderer(svgPath);
  if (!renderer.isValid()) return false;
  QSize target = renderer.defaultSize();
  if (size > 0) target = QSize(size, size);
  QImage image(target, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter);
  painter.end();
  return image.save(outPath);
}

bool renderGuide(const QString& sourcePath, const QString& pdfPath) {
  QFile in(sourcePath);
  if (!in.open(QIODevice::ReadOnly)) return false;
  QTextDocument doc;
  doc.setDefaultStyleSheet("h1 { color: #1f4e79; } h2 { color: #1f4e79; } body { font-size: 11pt; }");
  doc.setHtml(movra::GuideMarkupToHtml(QString::fromUtf8(in.readAll())));
  QPdfWriter writer(pdfPath);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
  writer.setTitle("Movra User Guide");
  writer.setCreator("Movra");
  doc.print(&writer);
  return QFile::exists(pdfPath);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: movra-make-installdata ART_DIR GUIDE_SOURCE OUT_DIR\n");
    return 2;
  }
  QDir art(QString::fromLocal8Bit(argv[1]));
  QString guide = QString::fromLocal8Bit(argv[2]);
  QDir out(QString::fromLocal8Bit(argv[3]));
  out.mkpath("Image");
  int failures = 0;
  for (const QString& name : art.entryList({"*.svg"}, QDir::Files, QDir::Name)) {
    QString base = name.left(name.size() - 4);
    QString svg = art.filePath(name);
    // Tool-bar pictures are 48 × 48; the logo and the icon keep a larger size.
    int size = base == "PTLogo" || base == "logo" ? 256 : 0;
    if (!renderSvg(svg, out.filePath("Image/" + base + ".png"), size)) {
      std::fprintf(stderr, "cannot render %s\n", qPrintable(svg));
      ++failures;
    }
    if (base == "PTLogo" && !renderSvg(svg, out.filePath("Image/PTLogo.ico"), 64)) {
      std::fprintf(stderr, "cannot write PTLogo.ico\n");
      ++failures;
    }
  }
  if (!renderGuide(guide, out.filePath("UserGuide.pdf"))) {
    std::fprintf(stderr, "cannot render the user guide %s\n", qPrintable(guide));
    ++failures;
  }
  return failures ? 1 : 0;
}
