// Build-time maker of installation data: renders the SVG pictures to the PNG and ICO files
// the program loads, and a user guide's text source with its pictures to a PDF.
//   movra-make-installdata ART_DIR OUT_DIR
//   movra-make-installdata --guide GUIDE_SOURCE PICTURE_DIR PDF
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgRenderer>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>
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

// A picture is shown at 3/4 of its pixels, never wider than the text on an A4 page with
// its margins (the printed document counts in points: 170 mm are 482 points).
constexpr int kMaxPictureWidth = 470;
constexpr double kPictureScale = 0.75;

bool renderGuide(const QString& sourcePath, const QDir& pictures, const QString& pdfPath) {
  QFile in(sourcePath);
  if (!in.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "cannot read the user guide %s\n", qPrintable(sourcePath));
    return false;
  }
  const QString text = QString::fromUtf8(in.readAll());
  QTextDocument doc;
  bool picturesFound = true;
  auto pictureWidth = [&](const QString& name) {
    QImage image(pictures.filePath(name));
    if (image.isNull()) {
      std::fprintf(stderr, "%s shows the picture %s, which is not in %s\n", qPrintable(sourcePath), qPrintable(name),
                   qPrintable(pictures.path()));
      picturesFound = false;
      return 0;
    }
    doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
    return std::min(kMaxPictureWidth, int(image.width() * kPictureScale));
  };
  // Without ligatures: a message copied out of the guide ("file") is the text the program
  // shows, letter for letter. Scripts that need shaping keep it.
  QFont font = doc.defaultFont();
  font.setStyleStrategy(QFont::PreferNoShaping);
  doc.setDefaultFont(font);
  doc.setDefaultStyleSheet("h1 { color: #1f4e79; } h2 { color: #1f4e79; } h3 { color: #1f4e79; } body { font-size: 11pt; }");
  doc.setHtml(movra::GuideMarkupToHtml(text, pictureWidth));
  if (!picturesFound) return false;
  QString title = "Movra";
  for (const QString& line : text.split('\n'))
    if (line.startsWith("# ")) {
      title = line.mid(2).trimmed();
      break;
    }
  QDir().mkpath(QFileInfo(pdfPath).path());
  QFile::remove(pdfPath);
  QPdfWriter writer(pdfPath);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
  writer.setTitle(title);
  writer.setCreator("Movra");
  doc.print(&writer);
  return QFile::exists(pdfPath);
}

}  // namespace

int renderPictures(const QDir& art, const QDir& out) {
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
  return failures;
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  auto arg = [&](int i) { return QString::fromLocal8Bit(argv[i]); };
  if (argc == 5 && arg(1) == "--guide") {
    if (renderGuide(arg(2), QDir(arg(3)), arg(4))) return 0;
    std::fprintf(stderr, "cannot render the user guide %s\n", argv[2]);
    return 1;
  }
  if (argc == 3) return renderPictures(QDir(arg(1)), QDir(arg(2))) ? 1 : 0;
  std::fprintf(stderr,
               "usage: movra-make-installdata ART_DIR OUT_DIR\n"
               "       movra-make-installdata --guide GUIDE_SOURCE PICTURE_DIR PDF\n");
  return 2;
}
