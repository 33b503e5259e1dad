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

QString GuideMarkupToHtml(const QString& text) {
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
