// The Report command and its window: refused as the exports are, the figures of the
// ticked patient tests, following an edited target range at once, the choice of meter
// and patient, and the report saved as a PDF file.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QAction>
#include <QPrinter>
#include <QPushButton>
#include <QToolButton>
#include <deque>
#include <functional>

#include "app/datetime.h"
#include "data/row_set.h"
#include "recording_presenter.h"
#include "report/report_settings.h"
#include "report_print/report_texts.h"
#include "ui/frm_main.h"
#include "ui/frm_report.h"
#include "ui/inr_chart_view.h"
#include "ui/save_file_chooser.h"
#include "ui_test_env.h"

namespace movra::test {
namespace {

// One row as a download stores it, on a day after 2024-03-01 with a sample type.
void AddTest(RowSet& list, int day, double inr, const std::string& sampleType = "Downloaded Sample",
             const std::string& serial = "SN01", bool checked = true) {
  AddResultRow(list, std::to_string(day + 1), inr, checked, serial);
  list.last();
  list.edit();
  list.fieldByName("fDate").setAsDateTime(*EncodeDate(2024, 3, 1) + day + *EncodeTime(14, 5, 0, 0));
  list.fieldByName("fCalibrationType").setAsString(sampleType);
  list.post();
  list.updateBatch();
}

class OneAnswerChooser : public SaveFileChooser {
 public:
  explicit OneAnswerChooser(std::string answer) : answer_(std::move(answer)) {}
  std::optional<std::string> Execute(const SaveDialogOptions& o) override {
    asked.push_back(o);
    return answer_;
  }
  std::vector<SaveDialogOptions> asked;

 private:
  std::string answer_;
};

class ReportTest : public StartedProgramTest {
 protected:
  void SetUp() override {
    StartedProgramTest::SetUp();
    w().ShowModal = [this](QDialog& d) {
      auto* report = qobject_cast<TFrmReport*>(&d);
      ASSERT_NE(report, nullptr);
      report->show();
      ASSERT_TRUE(ProcessEventsUntil([&] { return report->isVisible(); }, 5000));
      ++shown;
      if (onShown) onShown(*report);
    };
  }
  int shown = 0;
  std::function<void(TFrmReport&)> onShown;
};

TEST_F(ReportTest, RefusedWithNoTickedRowOrOnlyControls) {
  AddTest(list(), 0, 2.5, "Downloaded Sample", "SN01", false);
  boxes->expect("No Records!");
  w().btnReport->click();
  AddTest(list(), 1, 2.5, "EC");
  boxes->expect("The ticked records hold no patient results, only control results!");
  w().mnuReport->trigger();
  EXPECT_EQ(shown, 0);
}

TEST_F(ReportTest, FiguresFollowAnEditedRange) {
  // 1.8 on day 0 and 2.8 on day 10: 9 of 11 interpolated days in 2.0-3.0; with 1.8-2.5,
  // 8 of 11 (18..25 in, 26, 27, 28 above). The control test stays out.
  AddTest(list(), 0, 1.8);
  AddTest(list(), 10, 2.8);
  AddTest(list(), 5, 2.6, "EC");
  onShown = [](TFrmReport& r) {
    EXPECT_FALSE(r.cboGroup->isVisible());
    EXPECT_EQ(r.Range(), (TargetRange{20, 30}));
    std::vector<QString> figures = r.FigureTexts();
    ASSERT_GE(figures.size(), 7u);
    EXPECT_EQ(figures[0], "2");
    EXPECT_TRUE(figures[1].startsWith("81.8 %")) << figures[1].toStdString();
    EXPECT_TRUE(figures[1].contains("(9 of 11 days)")) << figures[1].toStdString();
    EXPECT_EQ(figures[2], "18.2 %");

    r.edtTargetLow->setValue(1.8);
    r.edtTargetHigh->setValue(2.5);
    EXPECT_EQ(r.Range(), (TargetRange{18, 25}));
    figures = r.FigureTexts();
    EXPECT_TRUE(figures[1].startsWith("72.7 %")) << figures[1].toStdString();
    EXPECT_EQ(figures[2], "0.0 %");
    EXPECT_EQ(figures[3], "27.3 %");

    // A low bound pushed onto the high one moves the high one out of its way.
    r.edtTargetLow->setValue(2.5);
    EXPECT_EQ(r.Range(), (TargetRange{25, 26}));

    // The chart is laid out and drawn.
    EXPECT_GT(r.chart->width(), 300);
    QImage shot = r.chart->grab().toImage();
    int drawn = 0;
    for (int y = 0; y < shot.height(); y += 2)
      for (int x = 0; x < shot.width(); x += 2) drawn += shot.pixelColor(x, y) != QColor(Qt::white);
    EXPECT_GT(drawn, 100);
  };
  w().btnReport->click();
  EXPECT_EQ(shown, 1);
}

TEST_F(ReportTest, NoTtrWithoutAnInterpolatedDay) {
  // Two tests 60 days apart: no day between them is interpolated. TTR and the day shares
  // are "-" and the window says why; the tests' own figures stay.
  AddTest(list(), 0, 1.5);
  AddTest(list(), 60, 2.5);
  onShown = [](TFrmReport& r) {
    std::vector<QString> figures = r.FigureTexts();
    ASSERT_GE(figures.size(), 7u);
    EXPECT_EQ(figures[0], "2");
    EXPECT_EQ(figures[1], "-");
    EXPECT_EQ(figures[2], "-");
    EXPECT_EQ(figures[3], "-");
    EXPECT_EQ(figures[4], "50.0 %  (1 of 2 tests)");
    EXPECT_TRUE(r.lblNoTtr->isVisible());
    EXPECT_EQ(r.lblNoTtr->text(), "The TTR needs two tests at most 56 days apart.");
    // A range that makes no difference to that.
    r.edtTargetLow->setValue(1.5);
    EXPECT_EQ(r.FigureTexts()[1], "-");
  };
  w().btnReport->click();
  EXPECT_EQ(shown, 1);
}

TEST_F(ReportTest, ShowsTheVariabilityAndTheMarkersWithTheirResults) {
  // 1.4, 2.5, INR ↓ (0.7) and INR ↑ (7.0) a week apart. VGR: (1.1² + 1.8² + 6.3²) / 3 =
  // (1.21 + 3.24 + 39.69) / 3 = 14.71; 21 days over 3 gaps: 7.0. TTR: 14 -> 25 gives 4
  // days below and 3 in, 25 -> 7 gives 2 in and 5 below, 7 -> 70 gives 2 below, 1 in, 4
  // above, day 21 above: 6 of 22 days, below 65 %. 1.4 and the arrow below are two below
  // 1.5; the arrow above is above the measuring range, not above 8.
  AddTest(list(), 0, 1.4);
  AddTest(list(), 7, 2.5);
  AddTest(list(), 14, 0.5);
  AddTest(list(), 21, 7.5);
  onShown = [](TFrmReport& r) {
    std::vector<QString> figures = r.FigureTexts();
    ASSERT_EQ(figures.size(), 9u);
    EXPECT_EQ(figures[7], "14.71");
    EXPECT_EQ(figures[8], "7.0");
    const QString day0 = DateLabel(*EncodeDate(2024, 3, 1));
    const QString day14 = DateLabel(*EncodeDate(2024, 3, 15));
    const QString day21 = DateLabel(*EncodeDate(2024, 3, 22));
    EXPECT_TRUE(r.lblMarkersHeading->text().startsWith("Markers of poor control, ")) << r.lblMarkersHeading->text().toStdString();
    // Within a result the spaces do not break, so a long list wraps between results.
    const QStringList lines = r.lblMarkers->text().replace(QChar(0x00a0), ' ').split('\n');
    ASSERT_EQ(lines.size(), 3) << r.lblMarkers->text().toStdString();
    EXPECT_EQ(lines[0], "TTR below 65 %: " + day0 + " 14:05  1.4; " + day14 + QString::fromUtf8(" 14:05  INR \u2193; ") +
                            day21 + QString::fromUtf8(" 14:05  INR \u2191"));
    EXPECT_EQ(lines[1], "Two results below 1.5: " + day0 + " 14:05  1.4; " + day14 + QString::fromUtf8(" 14:05  INR \u2193"));
    EXPECT_EQ(lines[2], "A result above the measuring range: " + day21 + QString::fromUtf8(" 14:05  INR \u2191"));
    for (const QString& unbroken : {day0 + " ", QString::fromUtf8("INR \u2193")})
      EXPECT_FALSE(r.lblMarkers->text().contains(unbroken)) << r.lblMarkers->text().toStdString();
    EXPECT_TRUE(r.lblMarkers->isVisible());
    // The list knows no name or birth date: their lines are not shown.
    for (QLabel* l : r.findChildren<QLabel*>())
      if (l->isVisible()) {
        EXPECT_NE(l->text(), "Name:");
      }
  };
  w().btnReport->click();
  EXPECT_EQ(shown, 1);
}

TEST_F(ReportTest, ShowsThePatientsNameAndBirthDateWhenKnown) {
  // A report from the history knows the person; 2.5 and 2.6 a day apart raise nothing.
  ReportGroup g{"SN01", "345", {}, {}, {"Erika Mustermann", *EncodeDate(1950, 4, 2)}};
  g.tests.push_back({*EncodeDate(2024, 3, 1), "09:00", 25, Measured::In, "Downloaded Sample", "1"});
  g.tests.push_back({*EncodeDate(2024, 3, 2), "09:00", 26, Measured::In, "Downloaded Sample", "2"});
  TFrmReport r({g}, TargetRange{20, 30}, folder.exeDir() + "MovraT.INI");
  r.show();
  ASSERT_TRUE(ProcessEventsUntil([&] { return r.isVisible(); }, 5000));
  auto valueBeside = [&](const QString& label) -> QLabel* {
    for (QLabel* l : r.findChildren<QLabel*>())
      if (l->text() == label && l->isVisible()) {
        // The value stands to its right on the same line.
        for (QLabel* v : r.findChildren<QLabel*>())
          if (v != l && v->isVisible() && v->objectName() == "patientValue" &&
              v->mapTo(&r, QPoint(0, 0)).y() == l->mapTo(&r, QPoint(0, 0)).y())
            return v;
      }
    return nullptr;
  };
  QLabel* name = valueBeside("Name:");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->text(), "Erika Mustermann");
  QLabel* born = valueBeside("Born:");
  ASSERT_NE(born, nullptr);
  EXPECT_EQ(born->text(), DateLabel(*EncodeDate(1950, 4, 2)));
  // 0.1² / (1/7) = 0.07; one day between the tests.
  EXPECT_EQ(r.FigureTexts()[7], "0.07");
  EXPECT_EQ(r.FigureTexts()[8], "1.0");
  EXPECT_EQ(r.lblMarkers->text(), "None");
}

TEST_F(ReportTest, ChoosesAmongMetersAndPatients) {
  AddTest(list(), 0, 2.5, "Downloaded Sample", "SN01");
  AddTest(list(), 1, 2.6, "Downloaded Sample", "SN01");
  AddTest(list(), 2, 1.5, "Downloaded Sample", "SN02");
  onShown = [](TFrmReport& r) {
    ASSERT_TRUE(r.cboGroup->isVisible());
    ASSERT_EQ(r.cboGroup->count(), 2);
    EXPECT_EQ(r.cboGroup->itemText(0), "SN01/345");
    EXPECT_EQ(r.FigureTexts()[0], "2");
    r.cboGroup->setCurrentIndex(1);
    EXPECT_EQ(r.Group().serialNumber, "SN02");
    EXPECT_EQ(r.FigureTexts()[0], "1");
    EXPECT_EQ(r.FigureTexts()[1], "-");  // one test: no TTR
  };
  w().mnuReport->trigger();
  EXPECT_EQ(shown, 1);
}

TEST_F(ReportTest, SavesThePdfPrintsAndKeepsTheRange) {
  AddTest(list(), 0, 2.5);
  const std::string typed = folder.dir().file("inr-report");
  onShown = [&](TFrmReport& r) {
    auto chooser = std::make_shared<OneAnswerChooser>(typed);
    r.SaveDialog = chooser;
    boxes->expect("Export to PDF finished!\n" + typed + ".pdf");
    r.btnSavePdf->click();
    ASSERT_EQ(chooser->asked.size(), 1u);
    EXPECT_EQ(chooser->asked[0].filter, "PDF files (*.pdf)");
    EXPECT_EQ(ReadFileBytes(typed + ".pdf").substr(0, 5), "%PDF-");

    // Print goes to the printer the user chose: here one that prints to a file.
    const std::string printed = folder.dir().file("printed.pdf");
    r.ChoosePrinter = [&](QPrinter& printer) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(QString::fromStdString(printed));
      return true;
    };
    r.btnPrint->click();
    EXPECT_EQ(ReadFileBytes(printed).substr(0, 5), "%PDF-");

    r.edtTargetHigh->setValue(3.5);
    EXPECT_TRUE(r.lblStatus->text().isEmpty());
    r.btnSaveRange->click();
    // The window says so, until the range is edited again.
    EXPECT_EQ(r.lblStatus->text(), QString::fromUtf8("The target range 2.0 \u2013 3.5 is now the default for every report."));
    r.edtTargetHigh->setValue(3.4);
    EXPECT_TRUE(r.lblStatus->text().isEmpty());
    r.edtTargetHigh->setValue(3.5);
  };
  w().btnReport->click();
  EXPECT_EQ(ReadTargetRange(folder.exeDir() + "MovraT.INI"), (TargetRange{20, 35}));
  // The designed sections are as they were.
  EXPECT_NE(ReadFileBytes(folder.exeDir() + "MovraT.INI").find("[COMM]"), std::string::npos);
}

}  // namespace
}  // namespace movra::test
