// The data list's grid: a read-only table whose whole row is selected, whose columns are
// scaled together to fill its width (each at least as wide as its title while the titles
// fit, and never narrower than its widest value: past that the grid scrolls sideways),
// whose first columns can be frozen, and whose check column shows a picture in its title.
#pragma once
#include <QHeaderView>
#include <QPixmap>
#include <QTableView>
#include <array>
#include <vector>

namespace movra {

// The title row: the check column's title shows one of three pictures (none, some, all
// ticked); only clicks on a title are reported, sorting is not offered.
class CheckTitleHeader : public QHeaderView {
  Q_OBJECT
 public:
  explicit CheckTitleHeader(QWidget* parent = nullptr);
  void setTitlePicture(int index);
  int titlePicture() const { return picture_; }
  // The width a column needs to show its whole title (or the title picture) in this
  // header's font and style.
  int titleWidth(int logicalIndex) const;
  // Another header that shows the same picture (the frozen columns' own title row).
  void setMirror(CheckTitleHeader* mirror) { mirror_ = mirror; }

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

 private:
  std::array<QPixmap, 3> pictures_;
  int picture_ = 1;
  CheckTitleHeader* mirror_ = nullptr;
};

class DataListView : public QTableView {
  Q_OBJECT
 public:
  explicit DataListView(QWidget* parent = nullptr);

  void setModel(QAbstractItemModel* model) override;
  CheckTitleHeader* titleHeader() const { return header_; }
  // The widths before fitting; the columns are then scaled to fill the grid.
  void setDesignWidths(const std::vector<int>& widths);
  const std::vector<int>& designWidths() const { return design_; }
  void fitColumns();
  // The widths each column's title needs.
  std::vector<int> titleWidths() const;
  // The widths each column needs to show its widest value whole (over all rows).
  std::vector<int> valueWidths() const;

  // The first `count` columns stay in place when the list scrolls sideways. While they
  // would cover the whole grid, every column scrolls, so none is ever out of reach.
  void setFrozenColumns(int count);
  int frozenColumns() const { return frozenCount_; }
  // True while the frozen columns are held in place (the list is scrolled sideways).
  bool frozenShown() const;

 signals:
  // The user asked to tick or untick a row from the keyboard (Space).
  void toggleRowRequested(int row);
  // The user asked to tick or clear all rows from the keyboard (Ctrl+A), as a click on
  // the check column's title does.
  void toggleAllRequested();

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  void updateGeometries() override;

 private:
  void updateFrozenView();
  void styleLikeTheGrid(QTableView* view);
  // After the rows changed: columns now narrower than their values are fitted again.
  void checkValueWidths();

  CheckTitleHeader* header_;
  QTableView* frozen_;
  CheckTitleHeader* frozenHeader_;
  int frozenCount_ = 0;
  int fittedWidth_ = -1;
  bool valueCheckPending_ = false;
  std::vector<int> design_;
  std::vector<int> valueWidths_;  // as last measured
};

}  // namespace movra
