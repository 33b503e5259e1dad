// The report window on a 1024×768 screen and on a smaller one, in each interface
// language: the window and its frame are on the screen's free area, nothing is cut, and
// on the small screen the body scrolls while the buttons stay in the window. The screens
// are the offscreen platform's, laid out by this test before the application starts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include "app/datetime.h"
#include "app/language.h"
#include "temp_dir.h"
#include "two_screens.h"
#include "ui/frm_report.h"
#include "ui/inr_chart_view.h"

namespace movra::test {
namespace {

QApplication& App() { return TwoScreenApp("report-window-fit-test"); }

// Three meters with a month of tests each, so the choice of group is shown too.
std::vector<ReportGroup> Groups() {
  std::vector<ReportGroup> groups;
  for (const char* serial : {"SN0000001", "SN0000002", "SN0000003"}) {
    ReportGroup g{serial, "1234567890", {}, {}, {}};
    for (int day = 0; day < 30; day += 3)
      g.tests.push_back({*EncodeDate(2024, 1, 3) + day, "09:00", 18 + day % 15, Measured::In, "Downloaded Sample", "1"});
    groups.push_back(g);
  }
  return groups;
}

struct FitCase {
  const char* name;
  int languageId;
  const char* screen;
  bool scrolls;  // whether the body may need to scroll there
};

void PrintTo(const FitCase& c, std::ostream* os) { *os << c.name; }

class ReportWindowFit : public ::testing::TestWithParam<FitCase> {};

TEST_P(ReportWindowFit, IsOnTheScreenWithNothingCut) {
  const FitCase& c = GetParam();
  App();
  TempDir exe;
  const std::string lang = std::to_string(c.languageId) + "/MovraT.txt";
  exe.write(lang, ReadFileBytes(SourceDir() + "/install/lang/" + lang));
  ScanLanguages(exe.path());

  QScreen* screen = ScreenNamed(c.screen);
  ASSERT_NE(screen, nullptr) << "the offscreen platform did not take the screen layout";
  TFrmReport w(Groups(), TargetRange{20, 30}, exe.file("MovraT.INI"));
  w.setScreen(screen);
  w.move(screen->geometry().topLeft());
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QCoreApplication::processEvents();

  const QRect avail = screen->availableGeometry();
  EXPECT_TRUE(avail.contains(w.frameGeometry()))
      << w.frameGeometry().x() << "," << w.frameGeometry().y() << " " << w.frameGeometry().width() << "x"
      << w.frameGeometry().height();
  // The buttons below the body are always in the window.
  for (QPushButton* b : {w.btnSavePdf, w.btnPrint, w.btnClose}) {
    EXPECT_TRUE(b->isVisible());
    EXPECT_TRUE(w.rect().contains(RectIn(b, &w))) << b->objectName().toStdString();
  }
  QScrollArea* body = w.scrBody;
  const bool scrolled = body->horizontalScrollBar()->maximum() > 0 || body->verticalScrollBar()->maximum() > 0;
  // A scaled desktop (QT_SCALE_FACTOR) makes the same screen smaller in the window's own
  // pixels: below 1024 x 768 of them the body may scroll.
  const bool mayScroll = c.scrolls || screen->geometry().width() < 1024 || screen->geometry().height() < 768;
  if (!mayScroll) {
    EXPECT_FALSE(scrolled);
    // Every text of the body is whole and in view: as wide as the font needs it.
    QWidget* viewport = body->viewport();
    for (QWidget* shown : std::vector<QWidget*>{w.btnSaveRange, w.cboGroup, static_cast<QWidget*>(w.chart)})
      EXPECT_TRUE(viewport->rect().contains(RectIn(shown, viewport))) << shown->objectName().toStdString();
    for (QLabel* l : body->widget()->findChildren<QLabel*>()) {
      if (!l->isVisible() || l->wordWrap()) continue;
      EXPECT_TRUE(viewport->rect().contains(RectIn(l, viewport))) << l->text().toStdString();
      EXPECT_GE(l->contentsRect().width(), l->fontMetrics().horizontalAdvance(l->text())) << l->text().toStdString();
    }
    EXPECT_GE(w.btnSaveRange->width(), w.btnSaveRange->sizeHint().width());
  } else {
    // Too small for the body: it scrolls instead of being cut, down to the chart.
    EXPECT_TRUE(scrolled);
    EXPECT_GE(w.chart->width(), w.chart->minimumWidth());
    EXPECT_GE(w.chart->height(), w.chart->minimumHeight());
  }
  ResetLanguages();
}

const FitCase kFitCases[] = {
    {"English1024x768", 1033, "desk", false}, {"Chinese1024x768", 2052, "desk", false},
    {"German1024x768", 1031, "desk", false},  {"English640x480", 1033, "small", true},
    {"Chinese640x480", 2052, "small", true},  {"German640x480", 1031, "small", true},
};

INSTANTIATE_TEST_SUITE_P(Screens, ReportWindowFit, ::testing::ValuesIn(kFitCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace movra::test
