// The data list's grid: a read-only table whose whole row is selected, whose columns are
// scaled together to fill its width, and whose check column shows a picture in its title.
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

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

 private:
  std::array<QPixmap, 3> pictures_;
  int picture_ = 1;
};

class DataListView : public QTableView {
  Q_OBJECT
 public:
  explicit DataListView(QWidget* parent = nullptr);

  CheckTitleHeader* titleHeader() const { return header_; }
  // The widths before fitting; the columns are then scaled to fill the grid.
  void setDesignWidths(const std::vector<int>& widths);
  const std::vector<int>& designWidths() const { return design_; }
  void fitColumns();

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  CheckTitleHeader* header_;
  std::vector<int> design_;
};

}  // namespace movra
