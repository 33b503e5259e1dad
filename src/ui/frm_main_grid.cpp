// The data list's handlers: layout from the screen size, the check column and its title,
// and the grid following the row set's current row.
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

#include "app/language.h"
#include "data/result_ticked.h"
#include "ui/data_list_view.h"
#include "ui/frm_main.h"
#include "ui/grid_rules.h"
#include "ui/result_list_model.h"
#include "ui/status_panels.h"

namespace movra {

namespace {
QString Tr(const char* text) { return QString::fromStdString(TranslateText(text)); }
}  // namespace

void TFrmMain::BindDataList(RowSet* rows) {
  auto* old = model_;
  model_ = new ResultListModel(rows, this);
  GridDataList->setModel(model_);
  delete old;
  // The grid and the list share one current row: a click or a key moves the list, and
  // the list's moves (storing, exports) move the grid's selection.
  connect(GridDataList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            RowSet* rs = model_->rows();
            if (followingRows_ || !rs || !rs->active() || !current.isValid()) return;
            if (current.row() != rs->recNo() && current.row() < rs->recordCount()) rs->moveTo(current.row());
          });
  // Rows stored by a download arrive ticked: once the list has changed, the title shows
  // what the rows hold (one count after a batch, not one per row).
  auto* titleRefresh = new QTimer(model_);
  titleRefresh->setSingleShot(true);
  titleRefresh->setInterval(0);
  connect(titleRefresh, &QTimer::timeout, this, [this] {
    if (model_->rowCount() > 0) RefreshCheckHeader();
  });
  connect(model_, &QAbstractItemModel::modelReset, titleRefresh, qOverload<>(&QTimer::start));
  connect(model_, &QAbstractItemModel::rowsInserted, titleRefresh, qOverload<>(&QTimer::start));
  connect(model_, &ResultListModel::currentRowMoved, this, [this](int row) {
    if (row < 0 || row >= model_->rowCount()) return;
    followingRows_ = true;
    GridDataList->selectionModel()->setCurrentIndex(model_->index(row, 0),
                                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    followingRows_ = false;
  });
}

void TFrmMain::SetupDataGrid() {
  if (model_) {
    model_->setTitles({QString(), Tr("Test Record Number"), Tr("Patient ID"), Tr("Date Format"), Tr("Date"), Tr("Time"),
                       "INR", "PT", Tr("Sample Type"), Tr("Serial Number")});
  }
  // The title shows what the rows hold; an empty list keeps the greyed tick it starts with.
  if (model_ && model_->rowCount() > 0)
    RefreshCheckHeader();
  else
    GridDataList->titleHeader()->setTitlePicture(1);

  QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  QSize screenSize = s ? s->geometry().size() : QSize(1024, 768);
  // The designed size is limited to the screen before the window is first shown; after
  // that the desktop decides the size (a maximised window fills the screen, and changing
  // its size would take it out of the maximised state).
  if (!shown_ && !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
    int menuHeight = menuBar()->isVisible() ? menuBar()->height() : menuBar()->sizeHint().height();
    Size2 client{width(), height() - menuHeight};
    Size2 limited = ClampClientSize(client, Size2{screenSize.width(), screenSize.height()});
    if (limited.width != client.width || limited.height != client.height)
      resize(limited.width, limited.height + menuHeight);
  }

  auto design = GridDesignWidths(screenSize.width(), width());
  GridDataList->setDesignWidths(std::vector<int>(design.begin(), design.end()));
}

void TFrmMain::FormResize() {
  auto widths = StatusPanelWidths(frameGeometry().width(), statbar->panelWidth(4));
  for (int i = 0; i < 4; ++i) statbar->setPanelWidth(i, widths[i]);
  SetupDataGrid();
}

void TFrmMain::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  if (statbar && GridDataList) FormResize();
}

int TFrmMain::TitlePicture() const { return GridDataList->titleHeader()->titlePicture(); }

void TFrmMain::RefreshCheckHeader() {
  RowSet* rs = model_ ? model_->rows() : nullptr;
  int ticked = 0, total = 0;
  if (rs && rs->active()) {
    total = rs->recordCount();
    ticked = CountTickedRows(*rs);
  }
  CheckAllState = CheckStateForCount(ticked, total);
  GridDataList->titleHeader()->setTitlePicture(CheckAllState);
}

void TFrmMain::GridDataListCellClick(int row, int column) {
  RowSet* rs = model_ ? model_->rows() : nullptr;
  if (!rs || !rs->active() || row < 0 || row >= rs->recordCount()) return;
  if (rs->recNo() != row) rs->moveTo(row);
  if (std::string(ResultListModel::ColumnField(column)) != "fVisCheck") return;
  if (rs->state() != RowSetState::Edit) rs->edit();
  SetRowTicked(*rs, !RowTicked(*rs, row));
  rs->post();
  // The title shows the real state after a row click: none, some or all ticked.
  RefreshCheckHeader();
}

void TFrmMain::GridDataListTitleBtnClick(int column) {
  if (std::string(ResultListModel::ColumnField(column)) != "fVisCheck") return;
  CheckAllState = NextTitleClickState(CheckAllState);
  GridDataList->titleHeader()->setTitlePicture(CheckAllState);
  RowSet* rs = model_ ? model_->rows() : nullptr;
  if (rs && rs->active()) {
    rs->disableControls();
    try {
      RowSet::Bookmark mark = rs->bookmark();
      for (rs->first(); !rs->eof(); rs->next()) {
        rs->edit();
        SetRowTicked(*rs, CheckAllState != 0);
        rs->post();
      }
      if (mark && rs->bookmarkValid(mark)) rs->gotoBookmark(mark);
    } catch (...) {
      rs->enableControls();
      throw;
    }
    rs->enableControls();
  }
  RefreshCheckHeader();
}

}  // namespace movra
