// The window without a mouse: the Tab order and a focus that shows, the list's keys, the
// File menu's shortcuts, and what a screen reader reads from the accessibility tree.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QDoubleSpinBox>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <functional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "data/row_set.h"
#include "ui/data_list_view.h"
#include "ui/frm_about.h"
#include "ui/frm_main.h"
#include "ui/frm_report.h"
#include "ui/inr_chart_view.h"
#include "ui/qt_presenter.h"
#include "ui/save_file_chooser.h"
#include "ui/status_panels.h"
#include "ui_test_env.h"

namespace movra::test {
namespace {

// Answers every save dialog with Cancel and remembers its title.
class CancellingChooser : public SaveFileChooser {
 public:
  std::optional<std::string> Execute(const SaveDialogOptions& o) override {
    titles.push_back(o.title);
    return std::nullopt;
  }
  std::vector<std::string> titles;
};

struct Key {
  int key;
  Qt::KeyboardModifiers mods = Qt::NoModifier;
};

std::string Describe(const std::vector<Key>& keys) {
  std::string out;
  for (const Key& k : keys)
    out += QKeySequence(k.key | k.mods).toString().toStdString() + " ";
  return out;
}

// The window shown and active with three listed rows, the first two ticked; every box,
// save dialog and modal window is recorded as the command it shows.
class KeyboardTest : public StartedProgramTest {
 protected:
  void SetUp() override {
    StartedProgramTest::SetUp();
    AddResultRow(list(), "1", 2.5, true);
    AddResultRow(list(), "2", 3.1, true);
    AddResultRow(list(), "3", 1.8, false);
    list().first();
    boxes->allowAny(IDNO);
    boxesBefore = boxes->shown().size();
    chooser = std::make_shared<CancellingChooser>();
    w().SaveDialog = chooser;
    w().ShowModal = [this](QDialog& d) {
      if (qobject_cast<TFrmAbout*>(&d)) effects.push_back("about");
      if (qobject_cast<TFrmReport*>(&d)) effects.push_back("report");
    };
    w().show();
    FitTheToolBar();
    w().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
  }

  // On a screen narrower than the tool bar (a large desktop scale) the bar moves its last
  // buttons into its overflow menu, where Tab does not go: the window is widened until
  // every button shows, so the table below holds at any scale.
  void FitTheToolBar() {
    QToolBar* bar = w().MainToolBar;
    const int wanted = w().width() - bar->width() + bar->sizeHint().width();
    if (w().width() < wanted) w().resize(wanted, w().height());
    QCoreApplication::processEvents();
    for (QToolButton* b : {w().btnDownload, w().btnClearData, w().btnExpExcel, w().btnHis, w().btnReport,
                           w().btnExit, w().btnAbout}) {
      ASSERT_TRUE(b->isVisible()) << b->objectName().toStdString() << " is in the tool bar's overflow";
    }
  }

  // Presses the keys on whatever has the focus, as the keyboard does.
  void press(const std::vector<Key>& keys) {
    for (const Key& k : keys) {
      QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &w();
      QTest::keyClick(target, static_cast<Qt::Key>(k.key), k.mods);
      QCoreApplication::processEvents();
    }
  }

  std::string ticks() {
    std::string out;
    for (int r = 0; r < list().recordCount(); ++r)
      out += list().fieldAt(r, "fChecked").asBoolean() ? '1' : '0';
    return out;
  }

  // What the keys made the program show: boxes by their text, save dialogs by their title.
  std::vector<std::string> shownEffects() {
    std::vector<std::string> out = effects;
    std::vector<DialogRequest> shown = boxes->shown();
    for (size_t i = boxesBefore; i < shown.size(); ++i) out.push_back("box: " + shown[i].text);
    for (const auto& t : chooser->titles) out.push_back("save: " + t);
    return out;
  }

  std::shared_ptr<CancellingChooser> chooser;
  std::vector<std::string> effects;
  size_t boxesBefore = 0;
};

TEST_F(KeyboardTest, KeysMoveTheFocusAndRunTheCommands) {
  struct Case {
    std::vector<Key> keys;
    const char* focus;  // object name of the focused control afterwards
    int currentRow;     // the list's current row afterwards
    const char* ticks;
    std::vector<std::string> shown;
  };
  const Key tab{Qt::Key_Tab}, backtab{Qt::Key_Backtab, Qt::ShiftModifier}, space{Qt::Key_Space};
  const Key down{Qt::Key_Down}, up{Qt::Key_Up};
  const std::vector<Case> cases = {
      // The list has the focus from the start, on its first row.
      {{}, "GridDataList", 0, "110", {}},
      // Tab order: tool bar, list, status bar, and round again.
      {{tab}, "statbar", 0, "110", {}},
      {{tab, tab}, "btnDownload", 0, "110", {}},
      {{tab, tab, tab}, "btnClearData", 0, "110", {}},
      {{backtab}, "btnAbout", 0, "110", {}},
      {{backtab, backtab}, "btnExit", 0, "110", {}},
      {{backtab, tab}, "GridDataList", 0, "110", {}},
      // The arrows move the current row; Space ticks or clears it.
      {{down}, "GridDataList", 1, "110", {}},
      {{down, down, space}, "GridDataList", 2, "111", {}},
      {{down, down, down, space}, "GridDataList", 2, "111", {}},
      {{space}, "GridDataList", 0, "010", {}},
      {{down, space, up}, "GridDataList", 0, "100", {}},
      // Ctrl+A is the click on the check column's title: from mixed it clears all, then
      // it ticks all.
      {{{Qt::Key_A, Qt::ControlModifier}}, "GridDataList", 0, "000", {}},
      {{{Qt::Key_A, Qt::ControlModifier}, {Qt::Key_A, Qt::ControlModifier}}, "GridDataList", 0, "111", {}},
      // Space on a focused tool button runs its command.
      {{backtab, space}, "btnAbout", 0, "110", {"about"}},
      {{backtab, backtab, space}, "btnExit", 0, "110", {"box: Are you sure to exit the program?"}},
      // The File menu's shortcuts, wherever the focus is.
      {{{Qt::Key_D, Qt::ControlModifier}}, "GridDataList", 0, "110",
       {"box: New data will overwrite the old records, continue ?"}},
      {{{Qt::Key_E, Qt::ControlModifier}}, "GridDataList", 0, "110", {"save: Export to Excel File"}},
      {{tab, {Qt::Key_T, Qt::ControlModifier}}, "statbar", 0, "110", {"save: Export to TXT File"}},
      {{{Qt::Key_R, Qt::ControlModifier}}, "GridDataList", 0, "110", {"report"}},
      {{{Qt::Key_Q, Qt::ControlModifier}}, "GridDataList", 0, "110", {"box: Are you sure to exit the program?"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Describe(c.keys));
    TearDown();
    SetUp();
    effects.clear();
    press(c.keys);
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(focus->objectName().toStdString(), c.focus);
    EXPECT_EQ(w().GridDataList->currentIndex().row(), c.currentRow);
    EXPECT_EQ(ticks(), c.ticks);
    EXPECT_EQ(shownEffects(), c.shown);
  }
}

// Disabling the focused Download button would hand the focus to the next button still
// enabled (About), where the next Space opens the about box.
TEST_F(KeyboardTest, DownloadFromItsButtonLeavesTheFocusInTheList) {
  boxes->allowAny(IDYES);
  press({{Qt::Key_Tab}, {Qt::Key_Tab}});
  ASSERT_EQ(QApplication::focusWidget(), w().btnDownload);
  press({{Qt::Key_Space}});
  // The overwrite question, then the word that no meter was found.
  ASSERT_TRUE(ProcessEventsUntil([&] { return boxes->shown().size() >= boxesBefore + 2; }, 10000));
  EXPECT_EQ(QApplication::focusWidget(), w().GridDataList);
}

TEST_F(KeyboardTest, TheMenuShowsTheShortcuts) {
  struct Case {
    QAction* action;
    const char* keys;
  };
  for (const Case& c : std::vector<Case>{{w().mniStartCom, "Ctrl+D"},
                                         {w().mnuExportExcel, "Ctrl+E"},
                                         {w().mnuExportTxt, "Ctrl+T"},
                                         {w().mnuReport, "Ctrl+R"},
                                         {w().mniExit, "Ctrl+Q"}}) {
    SCOPED_TRACE(c.action->objectName().toStdString());
    EXPECT_EQ(c.action->shortcut().toString().toStdString(), c.keys);
  }
}

// The focused control looks different from the same control without the focus.
TEST_F(KeyboardTest, TheFocusShowsOnEveryStop) {
  std::vector<QWidget*> stops = {w().btnDownload, w().btnClearData, w().btnExpExcel, w().btnHis,
                                 w().btnReport,   w().btnExit,      w().btnAbout,    w().GridDataList,
                                 w().statbar};
  for (QWidget* stop : stops) {
    SCOPED_TRACE(stop->objectName().toStdString());
    stop->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    ASSERT_TRUE(stop->hasFocus());
    QImage focused = stop->grab().toImage();
    stop->clearFocus();
    QCoreApplication::processEvents();
    QImage unfocused = stop->grab().toImage();
    EXPECT_NE(focused, unfocused);
  }
}

QAccessibleInterface* Accessible(QObject* o) { return QAccessible::queryAccessibleInterface(o); }

std::string Name(QAccessibleInterface* a) { return a ? a->text(QAccessible::Name).toStdString() : "<none>"; }
std::string Description(QAccessibleInterface* a) {
  return a ? a->text(QAccessible::Description).toStdString() : "<none>";
}

TEST_F(KeyboardTest, ToolButtonsAndListAreNamedInTheAccessibilityTree) {
  struct Case {
    QWidget* control;
    const char* name;
    const char* description;
  };
  const std::vector<Case> cases = {
      {w().btnDownload, "Download", "Download data"},
      {w().btnClearData, "Clear Data", "Clear the data"},
      {w().btnExpExcel, "Export Excel", "Export data to excel"},
      {w().btnHis, "Export Txt", "Export data to txt"},
      {w().btnReport, "Report", "INR report of the ticked results"},
      {w().btnExit, "Exit", "Exit the software"},
      {w().btnAbout, "About", "About the software"},
      {w().GridDataList, "Data List", "Space ticks the current row, Ctrl+A ticks or clears all rows."},
      {w().statbar, "Status bar", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control->objectName().toStdString());
    QAccessibleInterface* a = Accessible(c.control);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Name(a), c.name);
    EXPECT_EQ(Description(a), c.description);
  }
}

TEST_F(KeyboardTest, ListColumnsAndCellsReadAsTheyShow) {
  AddResultRow(list(), "4", 7.5, false);
  list().first();
  QAccessibleInterface* a = Accessible(w().GridDataList);
  ASSERT_NE(a, nullptr);
  QAccessibleTableInterface* table = a->tableInterface();
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->columnCount(), 10);
  ASSERT_EQ(table->rowCount(), 4);
  std::vector<std::string> titles;
  for (int c = 0; c < 10; ++c) {
    QAccessibleInterface* cell = table->cellAt(0, c);
    ASSERT_NE(cell, nullptr);
    QList<QAccessibleInterface*> headers = cell->tableCellInterface()->columnHeaderCells();
    titles.push_back(headers.isEmpty() ? "<none>" : Name(headers.first()));
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"Ticked", "Test Record Number", "Patient ID", "Date Format", "Date",
                                              "Time", "INR", "PT", "Sample Type", "Serial Number"}));
  // The check column reads as a tick, the INR column as its number.
  EXPECT_EQ(Name(table->cellAt(0, 0)), "Ticked");
  EXPECT_EQ(Name(table->cellAt(2, 0)), "Not ticked");
  EXPECT_EQ(Name(table->cellAt(0, 6)), "2.5");
  EXPECT_EQ(Description(table->cellAt(0, 6)), "");
  // Where the list shows the arrow picture, the reader is told why.
  EXPECT_EQ(Description(table->cellAt(3, 6)), "Beyond the measuring range");
  EXPECT_EQ(Description(table->cellAt(3, 7)), "Beyond the measuring range");
  // The current row is the one a screen reader is told about.
  w().GridDataList->setFocus(Qt::TabFocusReason);
  QTest::keyClick(w().GridDataList, Qt::Key_Down);
  QAccessibleInterface* focus = a->focusChild();
  ASSERT_NE(focus, nullptr);
  ASSERT_NE(focus->tableCellInterface(), nullptr);
  EXPECT_EQ(focus->tableCellInterface()->rowIndex(), 1);
}

TEST_F(KeyboardTest, StatusPanelsAreNamedWithTheirTexts) {
  w().UsbPorts = {"COM3", "COM7"};
  w().SetPanel(0, "USB device connected");
  QAccessibleInterface* bar = Accessible(w().statbar);
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->childCount(), 5);
  std::vector<std::pair<std::string, std::string>> panels;
  for (int i = 0; i < 5; ++i) {
    QAccessibleInterface* p = bar->child(i);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->parent(), bar);
    EXPECT_EQ(bar->indexOfChild(p), i);
    EXPECT_TRUE(w().statbar->rect().contains(w().statbar->mapFromGlobal(p->rect().center())));
    panels.emplace_back(Name(p), p->text(QAccessible::Value).toStdString());
  }
  EXPECT_EQ(panels, (std::vector<std::pair<std::string, std::string>>{
                        {"Messages", "USB device connected"},
                        {"USB serial ports", "COM3, COM7"},
                        {"Port and line speed", ""},
                        {"Version", "Ver:  " MOVRA_EXPECTED_VERSION "-" MOVRA_EXPECTED_BUILD_DATE "    "},
                        {"Elapsed seconds", ""},
                    }));
}

TEST_F(KeyboardTest, ReportFiguresAreNamedByTheirLabels) {
  TFrmReport* shown = nullptr;
  w().ShowModal = [&](QDialog& d) {
    shown = qobject_cast<TFrmReport*>(&d);
    ASSERT_NE(shown, nullptr);
    shown->show();
    QCoreApplication::processEvents();
    // The chart and every figure's value can be reached and read.
    EXPECT_EQ(Name(Accessible(shown->chart)), "INR chart");
    EXPECT_NE(Description(Accessible(shown->chart)), "");
    EXPECT_EQ(Name(Accessible(shown->edtTargetLow)), "Target range, low bound");
    EXPECT_EQ(Name(Accessible(shown->edtTargetHigh)), "Target range, high bound");
    std::vector<std::string> names;
    for (QLabel* value : shown->findChildren<QLabel*>("figureValue")) {
      QAccessibleInterface* a = Accessible(value);
      names.push_back(Name(a));
      EXPECT_NE(value->focusPolicy() & Qt::TabFocus, 0) << Name(a);
    }
    ASSERT_GE(names.size(), 4u);
    // A focused value is marked in the highlight colour (a text cursor alone is hard to see).
    QLabel* first = shown->findChildren<QLabel*>("figureValue").first();
    first->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(LogicalPixel(first->grab().toImage(), first->width() - 2, first->height() / 2),
              first->palette().color(QPalette::Highlight));
    EXPECT_EQ(names[0], "Meter serial number: SN01");
    EXPECT_EQ(names[1], "Patient ID: 345");
  };
  w().btnReportClick();
  ASSERT_NE(shown, nullptr);
}

// A box's caption is never cut: the box is at least as wide as the caption in a bold title
// font with the window icon and three title buttons beside it, each as wide as the bar is
// high.
TEST(MessageBoxTest, CaptionFitsTheBox) {
  for (const char* text : {"No Records!", "OK"}) {
    SCOPED_TRACE(text);
    int titleNeeds = 0, boxWidth = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        QFont font = QApplication::font("QMdiSubWindowTitleBar");
        font.setBold(true);
        int bar = box->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, box);
        titleNeeds = QFontMetrics(font).horizontalAdvance(box->windowTitle()) + 4 * bar;
        boxWidth = box->width();
        box->button(QMessageBox::Ok)->click();
      }
    });
    poll.start(10);
    QtPresenter::showNow(DialogRequest{text, "Message", MB_OK | MB_ICONINFORMATION});
    poll.stop();
    ASSERT_GT(titleNeeds, 0);
    EXPECT_GE(boxWidth, titleNeeds);
  }
}

}  // namespace
}  // namespace movra::test
