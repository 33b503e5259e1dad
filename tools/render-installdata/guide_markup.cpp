#include "guide_markup.h"

#include <QRegularExpression>
#include <QStringList>

namespace movra {

namespace {
QString inlineMarkup(const QString& line) {
  QString s = line.toHtmlEscaped();
  s.replace(QRegularExpression("\\*\\*(.+?)\\*\\*"), "<b>\\1</b>");
  s.replace(QRegularExpression("`(.+?)`"), "<code>\\1</code>");
  return s;
}
}  // namespace

QString GuideMarkupToHtml(const QString& text, const std::function<int(const QString&)>& imageWidth) {
  static const QRegularExpression picture("^!\\[(.*)\\]\\((.+)\\)$");
  QString html = "<html><body>";
  QStringList paragraph;
  bool inList = false;
  auto flushParagraph = [&] {
    if (!paragraph.isEmpty()) html += "<p>" + paragraph.join(' ') + "</p>";
    paragraph.clear();
  };
  auto closeList = [&] {
    if (inList) html += "</ul>";
    inList = false;
  };
  for (const QString& raw : text.split('\n')) {
    QString line = raw.trimmed();
    if (line.isEmpty()) {
      flushParagraph();
      closeList();
    } else if (QRegularExpressionMatch m = picture.match(line); m.hasMatch()) {
      flushParagraph();
      closeList();
      const QString file = m.captured(2).trimmed();
      const int width = imageWidth ? imageWidth(file) : 0;
      html += "<p align=\"center\"><img src=\"" + file.toHtmlEscaped() + "\"" +
              (width > 0 ? " width=\"" + QString::number(width) + "\"" : QString()) + "/><br/><i>" +
              inlineMarkup(m.captured(1)) + "</i></p>";
    } else if (line.startsWith("### ")) {
      flushParagraph();
      closeList();
      html += "<h3>" + inlineMarkup(line.mid(4)) + "</h3>";
    } else if (line.startsWith("## ")) {
      flushParagraph();
      closeList();
      html += "<h2>" + inlineMarkup(line.mid(3)) + "</h2>";
    } else if (line.startsWith("# ")) {
      flushParagraph();
      closeList();
      html += "<h1>" + inlineMarkup(line.mid(2)) + "</h1>";
    } else if (line.startsWith("- ") || line.startsWith("* ")) {
      flushParagraph();
      if (!inList) html += "<ul>";
      inList = true;
      html += "<li>" + inlineMarkup(line.mid(2)) + "</li>";
    } else {
      paragraph << inlineMarkup(line);
    }
  }
  flushParagraph();
  closeList();
  return html + "</body></html>";
}

}  // namespace movra
