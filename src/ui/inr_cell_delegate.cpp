#include "ui/inr_cell_delegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

#include "ui/grid_rules.h"
#include "ui/pictures.h"

namespace movra {

namespace {
// The arrow pictures: drawn 5 pixels left of where the number starts.
constexpr int kArrowWidth = 38, kArrowHeight = 16, kArrowOffset = -5;
// Room either side of the check box.
constexpr int kCheckMargin = 2;

QStyle* StyleOf(const QStyleOptionViewItem& option) {
  return option.widget ? option.widget->style() : QApplication::style();
}
}  // namespace

InrCellDelegate::InrCellDelegate(QObject* parent)
    : QStyledItemDelegate(parent), up_(LoadPicture(pic::InrUp, QSize(kArrowWidth, kArrowHeight))),
      down_(LoadPicture(pic::InrDown, QSize(kArrowWidth, kArrowHeight))) {}

QSize InrCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  int column = index.column();
  if (column == kColCheck) {
    int iw = StyleOf(option)->pixelMetric(QStyle::PM_IndicatorWidth, &option, option.widget);
    size.setWidth(iw + 2 * kCheckMargin);
  } else if (column == kColInr || column == kColPt) {
    InrCell cell = DescribeInrCell(column, index.data(InrValueRole).toDouble(), index.data(PtValueRole).toDouble());
    if (cell.range == InrRange::In)
      size.setWidth(InrCellWidthFor(QFontMetrics(option.font).horizontalAdvance(QString::fromStdString(cell.text))));
    else
      size.setWidth(InrCellWidthFor(kArrowWidth, kArrowOffset));
  }
  return size;
}

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
    QStyle* style = StyleOf(option);
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
  int x = InrCellTextX(r.left(), r.width());
  if (cell.range == InrRange::In) {
    painter->setPen(selected ? option.palette.color(QPalette::HighlightedText) : option.palette.color(QPalette::Text));
    painter->setFont(option.font);
    painter->drawText(QRect(x, r.top(), r.right() - x + 1, r.height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      QString::fromStdString(cell.text));
  } else {
    painter->drawPixmap(x + kArrowOffset, r.top(), cell.range == InrRange::Above ? up_ : down_);
  }
  painter->restore();
}

}  // namespace movra
