#include "ui/data_list_view.h"

#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>

#include "ui/grid_rules.h"
#include "ui/inr_cell_delegate.h"
#include "ui/pictures.h"

namespace movra {

CheckTitleHeader::CheckTitleHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  pictures_[0] = LoadPicture(pic::CheckNone, QSize(16, 16));
  pictures_[1] = LoadPicture(pic::CheckSome, QSize(16, 16));
  pictures_[2] = LoadPicture(pic::CheckAll, QSize(16, 16));
  setSectionsClickable(true);
  setHighlightSections(false);
  setSortIndicatorShown(false);
}

void CheckTitleHeader::setTitlePicture(int index) {
  if (index < 0 || index > 2) index = 1;
  picture_ = index;
  viewport()->update();
}

void CheckTitleHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  // The style may leave its own clipping behind; the picture is drawn with ours.
  painter->save();
  QHeaderView::paintSection(painter, rect, logicalIndex);
  painter->restore();
  if (logicalIndex != kColCheck) return;
  const QPixmap& pm = pictures_[picture_];
  QPoint at(rect.left() + (rect.width() - pm.width()) / 2, rect.top() + (rect.height() - pm.height()) / 2);
  painter->drawPixmap(at, pm);
}

DataListView::DataListView(QWidget* parent) : QTableView(parent), header_(new CheckTitleHeader(this)) {
  setHorizontalHeader(header_);
  setItemDelegate(new InrCellDelegate(this));
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSortingEnabled(false);
  setShowGrid(true);
  setFrameShape(QFrame::NoFrame);  // flat look
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // the columns always fill the width
  header_->setSectionResizeMode(QHeaderView::Interactive);
  header_->setStretchLastSection(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  // The row indicator column: narrow, without numbers.
  verticalHeader()->setFixedWidth(12);
  QFont f("Arial");
  f.setPixelSize(14);
  setFont(f);
  header_->setFont(f);
  verticalHeader()->setDefaultSectionSize(QFontMetrics(f).height() + 6);
  QPalette pal = palette();
  pal.setColor(QPalette::Base, QColor(kTickedRed, kTickedGreen, kTickedBlue));
  setPalette(pal);
  setStyleSheet(QString("QTableView { gridline-color: rgb(%1,%2,%3); }").arg(kTickedRed).arg(kTickedGreen).arg(kTickedBlue));
}

void DataListView::setDesignWidths(const std::vector<int>& widths) {
  design_ = widths;
  fitColumns();
}

void DataListView::fitColumns() {
  if (!model() || design_.empty()) return;
  int n = model()->columnCount();
  std::vector<int> design(design_.begin(), design_.begin() + std::min<size_t>(design_.size(), n));
  int available = viewport()->width();
  if (available <= 0) return;
  std::vector<int> fitted = FitColumnWidths(design, available);
  for (size_t i = 0; i < fitted.size(); ++i) header_->resizeSection(static_cast<int>(i), fitted[i]);
}

void DataListView::resizeEvent(QResizeEvent* e) {
  QTableView::resizeEvent(e);
  fitColumns();
}

}  // namespace movra
