// The user guide's plain markup: "# ", "## " and "### " headings, "- " list items, blank lines
// between paragraphs, **bold** and `code` inside lines, and a picture on a line of its own
// as ![caption](file.png), shown centred with its caption under it.
#pragma once
#include <QString>
#include <functional>

namespace movra {
// imageWidth gives the width a picture is shown at (0: its own width).
QString GuideMarkupToHtml(const QString& text, const std::function<int(const QString&)>& imageWidth = {});
}
