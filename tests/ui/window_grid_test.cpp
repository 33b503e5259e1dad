// The data list: check column, title clicks, row colours, the values the cells show.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <algorithm>

#include "app/datetime.h"
#include "app/language.h"
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
  // A row as a download stores it, with a test date and a sample type.
  void addDatedRow(const std::string& number, double inr, const std::string& sampleType) {
    AddResultRow(list(), number, inr);
    list().last();
    list().edit();
    list().fieldByName("fDate").setAsDateTime(*EncodeDate(2024, 11, 28) + *EncodeTime(23, 58, 0, 0));
    list().fieldByName("fCalibrationType").setAsString(sampleType);
    list().post();
    list().updateBatch();
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

TEST_F(GridTest, TitleFollowsTheTicksAfterStoringAndAfterAResize) {
  // Rows stored as a download stores them (ticked) show the full tick, not the greyed one
  // the window starts with; a resize counts the ticks again.
  struct Case {
    std::vector<bool> ticks;
    int picture;
  };
  const Case cases[] = {{{true, true, true}, 2}, {{true, false}, 1}, {{false, false}, 0}, {{}, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ticks.size());
    w().ClearData();
    for (size_t i = 0; i < c.ticks.size(); ++i) AddResultRow(list(), std::to_string(i + 1), 2.5, c.ticks[i]);
    if (!c.ticks.empty()) {
      EXPECT_TRUE(ProcessEventsUntil([&] { return w().TitlePicture() == c.picture; }, 3000));
      EXPECT_EQ(w().CheckAllState, c.picture);
    }
    w().resize(w().width() - 20, w().height() - 10);
    QCoreApplication::processEvents();
    EXPECT_EQ(w().TitlePicture(), c.picture);
  }
}

TEST_F(GridTest, SpaceTogglesTheTickOfTheCurrentRow) {
  AddResultRow(list(), "1", 2.5, true);
  AddResultRow(list(), "2", 2.5, true);
  clickCell(1, 4);
  w().GridDataList->setFocus();
  QTest::keyClick(w().GridDataList, Qt::Key_Space);
  EXPECT_EQ(ticks(), std::vector<bool>({true, false}));
  EXPECT_EQ(w().TitlePicture(), 1);
  QTest::keyClick(w().GridDataList, Qt::Key_Space);
  EXPECT_EQ(ticks(), std::vector<bool>({true, true}));
  EXPECT_EQ(list().recNo(), 1);
}

TEST_F(GridTest, UntickedBoxIsLighterThanATickedOne) {
  // On the blue of a ticked row and on the button colour alike, an empty box is mostly
  // light and a ticked box holds a dark tick.
  AddResultRow(list(), "1", 2.5, true);
  AddResultRow(list(), "2", 2.5, false);
  w().GridDataList->clearSelection();
  w().GridDataList->setCurrentIndex(QModelIndex());
  QImage shot = w().GridDataList->viewport()->grab().toImage();
  auto darkPixels = [&](int row) {
    QRect r = w().GridDataList->visualRect(w().GridDataList->model()->index(row, 0)).adjusted(2, 2, -2, -2);
    int dark = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x)
        if (LogicalPixel(shot, x, y).lightness() < 100) ++dark;
    return dark;
  };
  int ticked = darkPixels(0);
  EXPECT_GT(ticked, 0);
  // The box of the unticked row is white inside: only its frame is drawn, no fill and no tick.
  QRect box = w().GridDataList->visualRect(w().GridDataList->model()->index(1, 0));
  EXPECT_EQ(LogicalPixel(shot, box.center().x(), box.center().y()), QColor(Qt::white));
  EXPECT_LT(darkPixels(1), ticked);
}

// The widths the fitting gives under a font and a window width hold whatever fonts the
// machine has: the columns fill the grid exactly, and while all titles fit each column
// is at least as wide as its title.
struct FontCase {
  const char* family;
  int pixelSize;
};

class GridWidthsTest : public GridTest, public ::testing::WithParamInterface<FontCase> {
 protected:
  // The grid in the case's font, for its cells and its titles.
  DataListView* gridInFont() {
    QFont f(GetParam().family);
    f.setPixelSize(GetParam().pixelSize);
    DataListView* grid = w().GridDataList;
    grid->setFont(f);
    grid->horizontalHeader()->setFont(f);
    return grid;
  }
  void resizeWindow(int width) {
    w().resize(width, 480);
    ASSERT_TRUE(ProcessEventsUntil([&] { return w().width() == width; }, 3000));
    QCoreApplication::processEvents();
  }
};

TEST_P(GridWidthsTest, ColumnsFillTheGridAndShowTheirTitles) {
  DataListView* grid = gridInFont();
  for (int width : {360, 700, 1044, 1600}) {
    SCOPED_TRACE(width);
    resizeWindow(width);
    std::vector<int> titles = grid->titleWidths();
    ASSERT_EQ(titles.size(), 10u);
    int sum = 0, titleSum = 0;
    for (int c = 0; c < 10; ++c) {
      sum += grid->columnWidth(c);
      titleSum += titles[c];
    }
    int viewport = grid->viewport()->width();
    EXPECT_EQ(sum, viewport);
    EXPECT_EQ(grid->horizontalScrollBar()->maximum(), 0);
    EXPECT_FALSE(grid->frozenShown());
    if (titleSum > viewport) continue;  // narrower than the titles together: they elide
    for (int c = 0; c < 10; ++c) EXPECT_GE(grid->columnWidth(c), titles[c]) << "column " << c;
    // Columns 2 to 9 share alike whatever is not held for a title (within the pixel of
    // rounding).
    std::vector<int> shared;
    for (int c = 2; c < 10; ++c)
      if (grid->columnWidth(c) > titles[c] + 1) shared.push_back(grid->columnWidth(c));
    if (!shared.empty()) {
      EXPECT_LE(*std::max_element(shared.begin(), shared.end()) - *std::min_element(shared.begin(), shared.end()), 1);
    }
  }
}

// Where each cell puts its value and how wide the value is, from the font the grid uses:
// true when the whole value lies inside the cell.
bool ValueIsWhole(DataListView* grid, const QModelIndex& index) {
  QRect r = grid->visualRect(index);
  int column = index.column();
  if (column == kColCheck) {
    int box = grid->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, grid);
    return r.width() >= box;
  }
  if (column == kColInr || column == kColPt) {
    InrCell cell = DescribeInrCell(column, index.data(InrValueRole).toDouble(), index.data(PtValueRole).toDouble());
    int x = InrCellTextX(r.left(), r.width());
    if (cell.range != InrRange::In) return x - 5 >= r.left() && x - 5 + 38 <= r.right() + 1;  // the arrow picture
    int advance = grid->fontMetrics().horizontalAdvance(QString::fromStdString(cell.text));
    return x >= r.left() && x + advance <= r.right() + 1;
  }
  // Text cells keep the style's margin either side of the text.
  int margin = grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1;
  return grid->fontMetrics().horizontalAdvance(index.data().toString()) + 2 * margin <= r.width();
}

TEST_P(GridWidthsTest, ValuesStayWholeAndTheRestScrollsIntoView) {
  DataListView* grid = gridInFont();
  // The values the list once cut, an arrow picture and the longest sample type.
  addDatedRow("255", 1.9, "Downloaded Sample");
  addDatedRow("7", 1.3, "EC");
  addDatedRow("12", 6.1, "Downloaded CS");
  addDatedRow("13", 12.5, "CS");
  QAbstractItemModel* m = grid->model();
  for (int width : {360, 500, 700, 1044, 1600}) {
    SCOPED_TRACE(width);
    resizeWindow(width);
    int sum = 0;
    for (int c = 0; c < 10; ++c) sum += grid->columnWidth(c);
    QScrollBar* bar = grid->horizontalScrollBar();
    int viewport = grid->viewport()->width();
    for (int offset : {0, bar->maximum()}) {
      bar->setValue(offset);
      QCoreApplication::processEvents();
      for (int r = 0; r < m->rowCount(); ++r)
        for (int c = 0; c < 10; ++c) EXPECT_TRUE(ValueIsWhole(grid, m->index(r, c))) << "row " << r << " column " << c;
    }
    if (sum <= viewport) {
      EXPECT_EQ(sum, viewport);
      EXPECT_EQ(bar->maximum(), 0);
      continue;
    }
    // Too narrow for the values: the scroll bar reaches the last column's right edge.
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_TRUE(bar->isVisible());
    bar->setValue(bar->maximum());
    QCoreApplication::processEvents();
    QRect last = grid->visualRect(m->index(0, 9));
    EXPECT_LT(last.right(), viewport);
    EXPECT_GE(last.right(), viewport - 2);
  }
  // Nor does dragging a column's edge cut its value.
  for (int c : {4, kColInr, kColPt, 8}) {
    grid->horizontalHeader()->resizeSection(c, 3);
    QCoreApplication::processEvents();
    for (int r = 0; r < m->rowCount(); ++r) EXPECT_TRUE(ValueIsWhole(grid, m->index(r, c))) << "column " << c;
  }
}

INSTANTIATE_TEST_SUITE_P(Fonts, GridWidthsTest,
                         ::testing::Values(FontCase{"Arial", 14}, FontCase{"Serif", 24}, FontCase{"Monospace", 11}),
                         [](const auto& info) { return std::to_string(info.index); });

TEST_F(GridTest, WideningAColumnScrollsAndKeepsTheFirstNineInPlace) {
  DataListView* grid = w().GridDataList;
  EXPECT_EQ(grid->frozenColumns(), 9);
  AddResultRow(list(), "1", 2.5);
  QCoreApplication::processEvents();
  int viewport = grid->viewport()->width();
  struct Case {
    int column;
    double extra;      // added to the column's width, in viewport widths
    bool heldInPlace;  // the frozen columns stay while the rest scrolls
  };
  // Widening the last column, or a frozen one a little, keeps the first nine in place; a
  // widening that would make them wider than the grid lets every column scroll instead,
  // so none is out of reach.
  const Case cases[] = {{9, 1.0, true}, {3, 0.02, true}, {3, 1.0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    w().SetupDataGrid();
    QCoreApplication::processEvents();
    int extra = static_cast<int>(c.extra * viewport);
    if (c.column < 9 && c.heldInPlace) {
      ASSERT_LT(extra, grid->columnWidth(9));
    }
    grid->horizontalHeader()->resizeSection(c.column, grid->columnWidth(c.column) + extra);
    QCoreApplication::processEvents();
    QScrollBar* bar = grid->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(grid->frozenShown(), c.heldInPlace);
    bar->setValue(bar->maximum());
    QCoreApplication::processEvents();
    // The last column's right edge is in view.
    QRect last = grid->visualRect(grid->model()->index(0, 9));
    EXPECT_LT(last.right(), grid->viewport()->width());
    EXPECT_GE(last.right(), grid->viewport()->width() - 2);
    if (c.heldInPlace) {
      int frozenWidth = 0;
      for (int col = 0; col < 9; ++col) frozenWidth += grid->columnWidth(col);
      EXPECT_LT(last.left(), frozenWidth);  // the last column slides under the frozen ones
    }
  }
}

TEST_F(GridTest, OutOfRangeInrDrawsThePictureInBothCells) {
  // A row whose INR is above the range paints the same pixels in the INR and PT cells;
  // one in range paints different numbers there.
  AddResultRow(list(), "1", 12.5, false);
  AddResultRow(list(), "2", 2.5, false);
  w().GridDataList->clearSelection();
  // The fitting may give one of the two a pixel more, which moves the centred drawing.
  w().GridDataList->setColumnWidth(7, w().GridDataList->columnWidth(6));
  QImage shot = w().GridDataList->viewport()->grab().toImage();
  auto cell = [&](int row, int column) {
    QRect r = w().GridDataList->visualRect(w().GridDataList->model()->index(row, column));
    return LogicalCopy(shot, r.adjusted(0, 0, -1, -1));
  };
  QImage inr0 = cell(0, 6), pt0 = cell(0, 7), inr1 = cell(1, 6), pt1 = cell(1, 7);
  ASSERT_EQ(inr0.size(), pt0.size());
  EXPECT_EQ(inr0, pt0);
  EXPECT_NE(inr1, pt1);
}

TEST_F(GridTest, NumbersSitAtTheHeightOfTheOtherValues) {
  // "2.5" in the INR cell and "14:05" in the time cell: digits of one font, centred alike.
  AddResultRow(list(), "1", 2.5, false);
  QCoreApplication::processEvents();  // the columns take the new row's widths
  DataListView* grid = w().GridDataList;
  grid->clearSelection();
  grid->setCurrentIndex(QModelIndex());
  QImage shot = grid->viewport()->grab().toImage();
  auto inkRows = [&](int column) {
    QRect r = grid->visualRect(grid->model()->index(0, column)).adjusted(1, 1, -1, -1);
    int top = -1, bottom = -1;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x)
        if (LogicalPixel(shot, x, y).lightness() < 100) {
          if (top < 0) top = y;
          bottom = y;
          break;
        }
    return std::make_pair(top, bottom);
  };
  auto [timeTop, timeBottom] = inkRows(5);
  auto [inrTop, inrBottom] = inkRows(kColInr);
  auto [ptTop, ptBottom] = inkRows(kColPt);
  ASSERT_GE(timeTop, 0);
  EXPECT_NEAR(inrTop, timeTop, 1);
  EXPECT_NEAR(inrBottom, timeBottom, 1);
  EXPECT_NEAR(ptTop, timeTop, 1);
  EXPECT_NEAR(ptBottom, timeBottom, 1);
}

TEST_F(GridTest, SampleTypesShowInTheInterfaceLanguage) {
  folder.dir().write("prog/1031/MovraT.txt", ReadFileBytes(SourceDir() + "/install/lang/1031/MovraT.txt"));
  ScanLanguages(folder.exeDir(), "MovraT.txt", 1031);
  const std::pair<const char*, const char*> cases[] = {
      {"Downloaded Sample", "Probe (heruntergeladen)"},
      {"EC", "Externe Kontrolle (EC)"},
      {"CS", "Kontrollstreifen (CS)"},
      {"Downloaded EC", "Externe Kontrolle (EC, heruntergeladen)"},
      {"Downloaded CS", "Kontrollstreifen (CS, heruntergeladen)"},
      {"Unknown", "Unknown"},
      {" ", ""},
  };
  for (const auto& [stored, shown] : cases) addDatedRow("1", 2.5, stored);
  QAbstractItemModel* m = w().GridDataList->model();
  ASSERT_EQ(m->rowCount(), 7);
  for (int r = 0; r < m->rowCount(); ++r) {
    SCOPED_TRACE(cases[r].first);
    EXPECT_EQ(m->index(r, 8).data().toString(), QString::fromUtf8(cases[r].second));
    // What is stored stays as the meter gave it.
    EXPECT_EQ(list().fieldAt(r, "fCalibrationType").asString(), cases[r].first);
  }
  ResetLanguages();
}

}  // namespace
}  // namespace movra::test
