// The user guide's plain markup: "# " and "## " headings, "- " list items, blank lines
// between paragraphs, **bold** and `code` inside lines.
#pragma once
#include <QString>

namespace movra {
QString GuideMarkupToHtml(const QString& text);
}
