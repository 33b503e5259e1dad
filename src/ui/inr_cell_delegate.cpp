#include "ui/inr_cell_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <algorithm>

#include "ui/grid_rules.h"
#include "ui/pictures.h"

namespace movra {

namespace {
// Blank pixels kept between a value and the cell's lines.
constexpr int kValueMargin = 2;
}  // namespace

InrCellDelegate::InrCellDelegate(QObject* parent)
    : QStyledItemDelegate(parent), up_(LoadPicture(pic::InrUp, QSize(38, 16))), down_(LoadPicture(pic::InrDown, QSize(38, 16))) {}

void InrCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  int column = index.column();
  if (column != kColCheck && column != kColInr && column != kColPt) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  const QRect r = option.rect;
  bool selected = option.state & QStyle::State_Selected;
  QVariant bg = index.data(Qt::BackgroundRole);
  QColor fill = selected ? option.palette.color(QPalette::Highlight)
                         : (bg.isValid() ? bg.value<QBrush>().color() : option.palette.color(QPalette::Base));
  painter->save();
  // A narrow cell shows part of its picture rather than drawing over its neighbours.
  painter->setClipRect(r, Qt::IntersectClip);
  painter->fillRect(r, fill);

  if (column == kColCheck) {
    QStyleOptionViewItem box(option);
    const QWidget* w = option.widget;
    QStyle* style = w ? w->style() : QApplication::style();
    int iw = style->pixelMetric(QStyle::PM_IndicatorWidth, &box, w);
    int ih = style->pixelMetric(QStyle::PM_IndicatorHeight, &box, w);
    box.features |= QStyleOptionViewItem::HasCheckIndicator;
    box.rect = QRect(r.left() + (r.width() - iw) / 2, r.top() + (r.height() - ih) / 2, iw, ih);
    box.state &= ~(QStyle::State_HasFocus | QStyle::State_Selected);
    // The box is drawn white with a black tick on any row colour: on the blue of ticked
    // rows the grid's own base colour would fill an empty box solid blue.
    box.palette.setColor(QPalette::Base, Qt::white);
    box.palette.setColor(QPalette::Window, Qt::white);
    box.palette.setColor(QPalette::Button, Qt::white);
    box.palette.setColor(QPalette::Text, Qt::black);
    box.palette.setColor(QPalette::WindowText, Qt::black);
    box.state |= index.data(CheckedRole).toBool() ? QStyle::State_On : QStyle::State_Off;
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, w);
    painter->restore();
    return;
  }

  InrCell cell = DescribeInrCell(column, index.data(InrValueRole).toDouble(), index.data(PtValueRole).toDouble());
  // The value starts at the grid's own place left of the centre, but never so far left or
  // right that a digit or the arrow is cut off; it sits in the middle of the row's height,
  // like the text of the other cells.
  int x = InrCellTextX(r.left(), r.width());
  if (cell.range == InrRange::In) {
    painter->setPen(selected ? option.palette.color(QPalette::HighlightedText) : option.palette.color(QPalette::Text));
    painter->setFont(option.font);
    const QString text = QString::fromStdString(cell.text);
    const int textWidth = QFontMetrics(option.font).horizontalAdvance(text);
    x = std::max(r.left() + kValueMargin, std::min(x, r.right() + 1 - kValueMargin - textWidth));
    painter->drawText(QRect(x, r.top(), r.right() - x + 1, r.height()),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  } else {
    const QPixmap& arrow = cell.range == InrRange::Above ? up_ : down_;
    int px = std::max(r.left(), std::min(x - 5, r.right() + 1 - arrow.width()));
    painter->drawPixmap(px, r.top() + (r.height() - arrow.height()) / 2, arrow);
  }
  painter->restore();
}

int InrCellDelegate::valueWidth(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const int column = index.column();
  if (column == kColCheck) {
    const QWidget* w = option.widget;
    QStyle* style = w ? w->style() : QApplication::style();
    return style->pixelMetric(QStyle::PM_IndicatorWidth, &option, w) + 2 * kValueMargin;
  }
  if (column == kColInr || column == kColPt) {
    InrCell cell = DescribeInrCell(column, index.data(InrValueRole).toDouble(), index.data(PtValueRole).toDouble());
    if (cell.range != InrRange::In) return up_.width() + 2;
    return QFontMetrics(option.font).horizontalAdvance(QString::fromStdString(cell.text)) + 2 * kValueMargin;
  }
  // The other cells are drawn by the style: its size hint holds the text and its margins,
  // and one pixel more for the grid line.
  return QStyledItemDelegate::sizeHint(option, index).width() + 1;
}

}  // namespace movra
