// The data list: check column, title clicks, row colours, the values the cells show.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QTest>

#include "data/row_set.h"
#include "recording_presenter.h"
#include "ui/data_list_view.h"
#include "ui/frm_main.h"
#include "ui/grid_rules.h"
#include "ui/inr_cell_delegate.h"
#include "ui/result_list_model.h"
#include "ui_test_env.h"

namespace movra::test {
namespace {

class GridTest : public StartedProgramTest {
 protected:
  void SetUp() override {
    StartedProgramTest::SetUp();
    program->window().show();
  }
  std::vector<bool> ticks() {
    std::vector<bool> t;
    for (int r = 0; r < list().recordCount(); ++r) t.push_back(list().fieldAt(r, "fChecked").asBoolean());
    return t;
  }
  void clickTitle(int column) {
    QHeaderView* h = w().GridDataList->horizontalHeader();
    int x = h->sectionViewportPosition(column) + h->sectionSize(column) / 2;
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(x, h->height() / 2));
  }
  QImage titleImage() {
    QHeaderView* h = w().GridDataList->horizontalHeader();
    QRect r(h->sectionViewportPosition(0), 0, h->sectionSize(0), h->height());
    return h->viewport()->grab(r).toImage();
  }
  void clickCell(int row, int column) {
    QRect r = w().GridDataList->visualRect(w().GridDataList->model()->index(row, column));
    QTest::mouseClick(w().GridDataList->viewport(), Qt::LeftButton, {}, r.center());
  }

};

TEST_F(GridTest, ColumnsAndTitles) {
  QAbstractItemModel* m = w().GridDataList->model();
  ASSERT_EQ(m->columnCount(), 10);
  const char* titles[] = {"", "Test Record Number", "Patient ID", "Date Format", "Date", "Time",
                          "INR", "PT", "Sample Type", "Serial Number"};
  for (int c = 0; c < 10; ++c) EXPECT_EQ(m->headerData(c, Qt::Horizontal).toString().toStdString(), titles[c]) << c;
  EXPECT_EQ(w().TitlePicture(), 1);
}

TEST_F(GridTest, RowsShowTheirValuesAndTicks) {
  AddResultRow(list(), "12", 2.5);
  AddResultRow(list(), "13", static_cast<float>(7.05), false);
  QAbstractItemModel* m = w().GridDataList->model();
  ASSERT_EQ(m->rowCount(), 2);
  EXPECT_EQ(m->index(0, 1).data().toString(), "12");
  EXPECT_EQ(m->index(0, 2).data().toString(), "345");
  EXPECT_EQ(m->index(0, 3).data().toString(), "YY-MM-DD");
  EXPECT_EQ(m->index(0, 5).data().toString(), "14:05");
  EXPECT_EQ(m->index(0, 9).data().toString(), "SN01");
  EXPECT_DOUBLE_EQ(m->index(0, 6).data(InrValueRole).toDouble(), 2.5);
  EXPECT_DOUBLE_EQ(m->index(0, 7).data(PtValueRole).toDouble(), 26);
  EXPECT_TRUE(m->index(0, 0).data(CheckedRole).toBool());
  EXPECT_FALSE(m->index(1, 0).data(CheckedRole).toBool());
  // Ticked rows light blue, the others in the button colour.
  EXPECT_EQ(m->index(0, 4).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(120, 200, 231));
  EXPECT_EQ(m->index(1, 4).data(Qt::BackgroundRole).value<QBrush>().color(),
            QApplication::palette().color(QPalette::Button));
  // The grid is read-only: no cell is editable or checkable by the view itself.
  EXPECT_FALSE(m->flags(m->index(0, 0)) & Qt::ItemIsEditable);
  EXPECT_FALSE(m->flags(m->index(0, 0)) & Qt::ItemIsUserCheckable);
}

TEST_F(GridTest, TitleClickTicksAllThenNone) {
  for (int i = 0; i < 3; ++i) AddResultRow(list(), std::to_string(i + 1), 2.5, true);
  w().RefreshCheckHeader();
  ASSERT_EQ(w().CheckAllState, 2);
  clickTitle(0);
  EXPECT_EQ(w().CheckAllState, 0);
  EXPECT_EQ(w().TitlePicture(), 0);
  EXPECT_EQ(ticks(), std::vector<bool>({false, false, false}));
  QImage noneShown = titleImage();
  clickTitle(0);
  EXPECT_EQ(w().CheckAllState, 2);
  EXPECT_EQ(w().TitlePicture(), 2);
  EXPECT_EQ(ticks(), std::vector<bool>({true, true, true}));
  EXPECT_NE(titleImage(), noneShown);  // the title shows another picture
  // Another column's title does nothing.
  clickTitle(4);
  EXPECT_EQ(w().CheckAllState, 2);
  EXPECT_EQ(ticks(), std::vector<bool>({true, true, true}));
}

TEST_F(GridTest, TitleClickFromMixedClearsAll) {
  AddResultRow(list(), "1", 2.5, true);
  AddResultRow(list(), "2", 2.5, false);
  w().RefreshCheckHeader();
  ASSERT_EQ(w().CheckAllState, 1);
  clickTitle(0);
  EXPECT_EQ(ticks(), std::vector<bool>({false, false}));
  EXPECT_EQ(w().TitlePicture(), 0);
}

TEST_F(GridTest, TitleClickOnAnEmptyListEndsWithNone) {
  w().CheckAllState = 0;
  clickTitle(0);
  EXPECT_EQ(w().CheckAllState, 0);
  EXPECT_EQ(w().TitlePicture(), 0);
}

TEST_F(GridTest, RowClickTogglesOnlyInTheCheckColumn) {
  AddResultRow(list(), "1", 2.5, true);
  AddResultRow(list(), "2", 2.5, true);
  clickCell(1, 0);
  EXPECT_EQ(ticks(), std::vector<bool>({true, false}));
  EXPECT_EQ(w().CheckAllState, 1);
  EXPECT_EQ(list().recNo(), 1);
  clickCell(0, 5);  // elsewhere: only the current row moves
  EXPECT_EQ(ticks(), std::vector<bool>({true, false}));
  EXPECT_EQ(list().recNo(), 0);
  clickCell(1, 0);
  EXPECT_EQ(ticks(), std::vector<bool>({true, true}));
  EXPECT_EQ(w().TitlePicture(), 2);
  // The check box follows through fVisCheck.
  EXPECT_TRUE(w().GridDataList->model()->index(1, 0).data(CheckedRole).toBool());
}

TEST_F(GridTest, ResizeShowsTheGreyedTitleWhateverTheTicks) {
  AddResultRow(list(), "1", 2.5, true);
  w().RefreshCheckHeader();
  ASSERT_EQ(w().TitlePicture(), 2);
  w().resize(w().width() - 40, w().height() - 20);
  ASSERT_TRUE(ProcessEventsUntil([&] { return w().TitlePicture() == 1; }, 3000));
  EXPECT_EQ(w().CheckAllState, 2);
}

TEST_F(GridTest, OutOfRangeInrDrawsThePictureInBothCells) {
  // A row whose INR is above the range paints the same pixels in the INR and PT cells;
  // one in range paints different numbers there.
  AddResultRow(list(), "1", 12.5, false);
  AddResultRow(list(), "2", 2.5, false);
  w().GridDataList->clearSelection();
  QImage shot = w().GridDataList->viewport()->grab().toImage();
  auto cell = [&](int row, int column) {
    QRect r = w().GridDataList->visualRect(w().GridDataList->model()->index(row, column));
    return shot.copy(r.adjusted(0, 0, -1, -1));
  };
  QImage inr0 = cell(0, 6), pt0 = cell(0, 7), inr1 = cell(1, 6), pt1 = cell(1, 7);
  ASSERT_EQ(inr0.size(), pt0.size());
  EXPECT_EQ(inr0, pt0);
  EXPECT_NE(inr1, pt1);
}

}  // namespace
}  // namespace movra::test
