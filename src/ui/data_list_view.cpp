#include "ui/data_list_view.h"

#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyleOptionHeaderV2>
#include <algorithm>

#include "ui/grid_rules.h"
#include "ui/inr_cell_delegate.h"
#include "ui/pictures.h"

namespace movra {

namespace {
constexpr int kTitlePictureSize = 16;
}

CheckTitleHeader::CheckTitleHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  pictures_[0] = LoadPicture(pic::CheckNone, QSize(kTitlePictureSize, kTitlePictureSize));
  pictures_[1] = LoadPicture(pic::CheckSome, QSize(kTitlePictureSize, kTitlePictureSize));
  pictures_[2] = LoadPicture(pic::CheckAll, QSize(kTitlePictureSize, kTitlePictureSize));
  setSectionsClickable(true);
  setHighlightSections(false);
  setSortIndicatorShown(false);
  // The fitting decides the widths; the style's own minimum follows the font and would
  // push the columns past the grid's width.
  setMinimumSectionSize(kMinColumnWidth);
}

void CheckTitleHeader::setTitlePicture(int index) {
  if (index < 0 || index > 2) index = 1;
  picture_ = index;
  viewport()->update();
  if (mirror_) mirror_->setTitlePicture(index);
}

int CheckTitleHeader::titleWidth(int logicalIndex) const {
  int w = sectionSizeFromContents(logicalIndex).width();
  if (logicalIndex == kColCheck) {
    int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    w = std::max(w, kTitlePictureSize + 2 * margin + 2);
  }
  return w;
}

void CheckTitleHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  // The style may leave its own clipping behind; the picture is drawn with ours.
  painter->save();
  // A title wider than its column ends in "…" rather than being cut at both sides.
  QStyleOptionHeaderV2 opt;
  initStyleOption(&opt);
  initStyleOptionForIndex(&opt, logicalIndex);
  opt.rect = rect;
  int room = style()->subElementRect(QStyle::SE_HeaderLabel, &opt, this).width();
  opt.text = opt.fontMetrics.elidedText(opt.text, Qt::ElideRight, room);
  opt.textElideMode = Qt::ElideNone;
  style()->drawControl(QStyle::CE_Header, &opt, painter, this);
  painter->restore();
  if (logicalIndex != kColCheck) return;
  const QPixmap& pm = pictures_[picture_];
  QPoint at(rect.left() + (rect.width() - pm.width()) / 2, rect.top() + (rect.height() - pm.height()) / 2);
  painter->drawPixmap(at, pm);
}

DataListView::DataListView(QWidget* parent)
    : QTableView(parent), header_(new CheckTitleHeader(this)), frozen_(new QTableView(this)),
      frozenHeader_(new CheckTitleHeader(frozen_)) {
  setHorizontalHeader(header_);
  styleLikeTheGrid(this);
  // A column widened past the grid's width brings a scroll bar rather than squeezing the
  // others out of sight.
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  // The row indicator column: narrow, without numbers.
  verticalHeader()->setFixedWidth(12);

  // The frozen columns: a second view over the left of this one, sharing its rows, its
  // selection and its vertical scrolling.
  frozen_->setHorizontalHeader(frozenHeader_);
  header_->setMirror(frozenHeader_);
  styleLikeTheGrid(frozen_);
  frozen_->setFocusPolicy(Qt::NoFocus);
  frozen_->verticalHeader()->hide();
  frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  frozen_->hide();
  connect(frozenHeader_, &QHeaderView::sectionClicked, header_, &QHeaderView::sectionClicked);
  connect(frozen_, &QAbstractItemView::clicked, this, &QAbstractItemView::clicked);
  connect(frozen_->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(), &QAbstractSlider::setValue);
  connect(verticalScrollBar(), &QAbstractSlider::valueChanged, frozen_->verticalScrollBar(), &QAbstractSlider::setValue);
  connect(header_, &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
    // Not even the user's dragging makes a column narrower than its widest value.
    if (logical < static_cast<int>(valueWidths_.size()) && size < valueWidths_[logical]) {
      header_->resizeSection(logical, valueWidths_[logical]);
      return;
    }
    if (logical < frozenCount_) frozen_->setColumnWidth(logical, size);
    updateFrozenView();
  });
  // A frozen column widened by the user in the frozen title row.
  connect(frozenHeader_, &QHeaderView::sectionResized, this,
          [this](int logical, int, int size) { header_->resizeSection(logical, size); });
}

void DataListView::styleLikeTheGrid(QTableView* view) {
  view->setItemDelegate(new InrCellDelegate(view));
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setSortingEnabled(false);
  view->setShowGrid(true);
  view->setFrameShape(QFrame::NoFrame);  // flat look
  view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  view->horizontalHeader()->setStretchLastSection(false);
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  QFont f("Arial");
  f.setPixelSize(14);
  view->setFont(f);
  view->horizontalHeader()->setFont(f);
  view->verticalHeader()->setDefaultSectionSize(QFontMetrics(f).height() + 6);
  QPalette pal = view->palette();
  pal.setColor(QPalette::Base, QColor(kTickedRed, kTickedGreen, kTickedBlue));
  view->setPalette(pal);
  view->setStyleSheet(
      QString("QTableView { gridline-color: rgb(%1,%2,%3); }").arg(kTickedRed).arg(kTickedGreen).arg(kTickedBlue));
}

void DataListView::setModel(QAbstractItemModel* model) {
  QTableView::setModel(model);
  frozen_->setModel(model);
  frozen_->setSelectionModel(selectionModel());
  setFrozenColumns(frozenCount_);
  if (!model) return;
  // Rows come and go in batches (a download, Clear Data): one check after each.
  connect(model, &QAbstractItemModel::modelReset, this, [this] { checkValueWidths(); });
  connect(model, &QAbstractItemModel::rowsInserted, this, [this] { checkValueWidths(); });
  connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { checkValueWidths(); });
}

void DataListView::checkValueWidths() {
  if (valueCheckPending_) return;
  valueCheckPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        valueCheckPending_ = false;
        valueWidths_ = valueWidths();
        for (size_t c = 0; c < valueWidths_.size(); ++c) {
          if (columnWidth(static_cast<int>(c)) < valueWidths_[c]) {
            fitColumns();
            return;
          }
        }
      },
      Qt::QueuedConnection);
}

void DataListView::setFrozenColumns(int count) {
  frozenCount_ = std::max(0, count);
  if (QAbstractItemModel* m = model()) {
    for (int c = 0; c < m->columnCount(); ++c) {
      frozen_->setColumnHidden(c, c >= frozenCount_);
      if (c < frozenCount_) frozen_->setColumnWidth(c, columnWidth(c));
    }
  }
  updateFrozenView();
}

bool DataListView::frozenShown() const { return frozen_->isVisible(); }

void DataListView::updateFrozenView() {
  int frozenWidth = 0;
  for (int c = 0; c < frozenCount_ && model() && c < model()->columnCount(); ++c) frozenWidth += columnWidth(c);
  int visible = viewport()->width();
  // Only a list scrolled sideways needs them held; frozen columns as wide as the grid
  // would leave nothing to scroll into view.
  bool hold = frozenCount_ > 0 && model() && header_->length() > visible && frozenWidth < visible;
  if (!hold) {
    frozen_->hide();
    return;
  }
  frozenHeader_->setFixedHeight(header_->height());
  frozen_->setGeometry(verticalHeader()->width() + frameWidth(), frameWidth(), frozenWidth,
                       viewport()->height() + header_->height());
  frozen_->verticalScrollBar()->setValue(verticalScrollBar()->value());
  frozen_->show();
  frozen_->raise();
}

void DataListView::updateGeometries() {
  QTableView::updateGeometries();
  updateFrozenView();
}

void DataListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  // A frozen cell is always in view: only the rows scroll to it.
  int sideways = horizontalScrollBar()->value();
  QTableView::scrollTo(index, hint);
  if (frozenShown() && index.column() < frozenCount_) horizontalScrollBar()->setValue(sideways);
}

void DataListView::setDesignWidths(const std::vector<int>& widths) {
  design_ = widths;
  fitColumns();
}

std::vector<int> DataListView::titleWidths() const {
  std::vector<int> out;
  if (!model()) return out;
  for (int c = 0; c < model()->columnCount(); ++c) out.push_back(header_->titleWidth(c));
  return out;
}

std::vector<int> DataListView::valueWidths() const {
  std::vector<int> out;
  QAbstractItemModel* m = model();
  if (!m) return out;
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  // A cell is its column less the grid line.
  const int grid = showGrid() ? 1 : 0;
  QAbstractItemDelegate* delegate = itemDelegate();
  for (int c = 0; c < m->columnCount(); ++c) {
    int widest = 0;
    for (int r = 0; r < m->rowCount(); ++r)
      widest = std::max(widest, delegate->sizeHint(option, m->index(r, c)).width() + grid);
    out.push_back(widest);
  }
  return out;
}

void DataListView::fitColumns() {
  if (!model() || design_.empty()) return;
  int n = model()->columnCount();
  std::vector<int> design(design_.begin(), design_.begin() + std::min<size_t>(design_.size(), n));
  int available = viewport()->width();
  if (available <= 0) return;
  fittedWidth_ = available;
  valueWidths_ = valueWidths();
  std::vector<int> fitted = FitColumnWidths(design, available, titleWidths(), valueWidths_);
  for (size_t i = 0; i < fitted.size(); ++i) header_->resizeSection(static_cast<int>(i), fitted[i]);
  updateFrozenView();
}

void DataListView::resizeEvent(QResizeEvent* e) {
  // Called for the viewport's size: a vertical scroll bar coming or going changes the
  // width the columns share; a horizontal one only the height, and the user's widths stay.
  QTableView::resizeEvent(e);
  if (viewport()->width() != fittedWidth_) fitColumns();
}

void DataListView::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Space && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    QModelIndex current = currentIndex();
    if (current.isValid()) emit toggleRowRequested(current.row());
    e->accept();
    return;
  }
  if (e->matches(QKeySequence::SelectAll)) {
    emit toggleAllRequested();
    e->accept();
    return;
  }
  QTableView::keyPressEvent(e);
}

void DataListView::focusInEvent(QFocusEvent* e) {
  // Reached from the keyboard, the list shows a current row for the arrows and Space.
  if (!currentIndex().isValid() && model() && model()->rowCount() > 0)
    setCurrentIndex(model()->index(0, 1));
  QTableView::focusInEvent(e);
  viewport()->update();
}

void DataListView::focusOutEvent(QFocusEvent* e) {
  QTableView::focusOutEvent(e);
  viewport()->update();
}

void DataListView::paintEvent(QPaintEvent* e) {
  QTableView::paintEvent(e);
  if (!hasFocus()) return;
  // A frame round the rows shows that the keys act on the list, whatever the style draws.
  QPainter p(viewport());
  p.setPen(QPen(palette().color(QPalette::Highlight), 2));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(viewport()->rect()).adjusted(1, 1, -1, -1));
}

}  // namespace movra
