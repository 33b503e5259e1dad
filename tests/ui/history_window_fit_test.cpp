// The History and Patients windows on a 1024×768 screen and on a 640×480 one, in each
// interface language: the window and its frame on the screen's free area, the buttons in
// the window, no label cut on the larger screen, and every control reached by Tab. The
// screens are the offscreen platform's, laid out before the application starts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <set>

#include "app/language.h"
#include "data/data_module.h"
#include "data/inr_result_conversion.h"
#include "data/record_store.h"
#include "data/sql_history_store.h"
#include "data_fixture.h"
#include "recording_presenter.h"
#include "temp_dir.h"
#include "two_screens.h"
#include "ui/frm_history.h"
#include "ui/frm_patients.h"
#include "ui/history_period.h"

namespace movra::test {
namespace {

QApplication& App() { return TwoScreenApp("history-window-fit-test"); }

struct FitCase {
  const char* name;
  int languageId;
  const char* screen;
};
void PrintTo(const FitCase& c, std::ostream* os) { *os << c.name; }

class HistoryWindowFit : public ::testing::TestWithParam<FitCase> {
 protected:
  void SetUp() override {
    App();
    const std::string lang = std::to_string(GetParam().languageId) + "/MovraT.txt";
    exe.write(lang, ReadFileBytes(SourceDir() + "/install/lang/" + lang));
    ScanLanguages(exe.path());
    ASSERT_TRUE(dm.OpenDatabase(folder.dataFile()));
    TMeterRecord rec{"1", "PT12345678A", "345", "2024-03-01", "09:30", "EUR", "", "Finger", "", 2.5};
    NullStoreUi quiet;
    TRecordStore(dm, quiet).StoreResults({*ResultOfMeterRecord(rec).result});
    history.SavePatient(Patient{0, "Annabelle Example-Longername", {}, TenthsRange{25, 35},
                                {MeterPatient{"PT12345678A", "345"}}});
  }
  void TearDown() override { ResetLanguages(); }

  // Shows the window on the case's screen and checks that it and its buttons are whole
  // there, and (on the larger screen) that no label is cut.
  void CheckFits(QDialog& w, std::initializer_list<QPushButton*> buttons) {
    QScreen* screen = ScreenNamed(GetParam().screen);
    ASSERT_NE(screen, nullptr) << "the offscreen platform did not take the screen layout";
    w.setScreen(screen);
    w.move(screen->geometry().topLeft());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
    EXPECT_TRUE(screen->availableGeometry().contains(w.frameGeometry()));
    for (QPushButton* b : buttons) {
      EXPECT_TRUE(w.rect().contains(RectIn(b, &w))) << b->objectName().toStdString();
      EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(QString(b->text()).remove('&')))
          << b->text().toStdString();
    }
    if (screen->geometry().width() < 1024) return;
    for (QLabel* l : w.findChildren<QLabel*>()) {
      if (!l->isVisible() || l->text().isEmpty()) continue;
      EXPECT_TRUE(w.rect().contains(RectIn(l, &w))) << l->text().toStdString();
      EXPECT_GE(l->contentsRect().width(), l->fontMetrics().horizontalAdvance(QString(l->text()).remove('&')))
          << l->text().toStdString();
    }
  }

  // The controls Tab reaches, going round the window from its first control.
  static std::set<QWidget*> TabStops(QDialog& w, QWidget* first) {
    QApplication::setActiveWindow(&w);
    first->setFocus();
    std::set<QWidget*> seen;
    for (int i = 0; i < 40; ++i) {
      seen.insert(QApplication::focusWidget());
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return seen;
  }

  TempDir exe;
  ScopedPresenter boxes;
  DataFolder folder;
  TDM dm;
  SqlHistoryStore history{dm};
};

TEST_P(HistoryWindowFit, HistoryWindowIsWholeAndReachedByTab) {
  TFrmHistory w(history, TargetRange{20, 30}, exe.file("MovraT.INI"));
  w.cboPeriod->setCurrentIndex(static_cast<int>(HistoryPeriod::FromTo));
  w.edtFrom->setDate(QDate(2024, 1, 1));
  CheckFits(w, {w.btnReport, w.btnFhir, w.btnSend, w.btnDelete, w.btnClose});
  EXPECT_EQ(w.grdResults->model()->rowCount(), 1);
  std::set<QWidget*> stops = TabStops(w, w.cboPatient);
  for (QWidget* c : std::initializer_list<QWidget*>{w.cboPatient, w.cboPeriod, w.edtFrom, w.edtTo, w.grdResults,
                                                     w.btnReport, w.btnDelete, w.btnClose})
    EXPECT_TRUE(stops.count(c) || stops.count(c->focusProxy())) << c->objectName().toStdString();
}

TEST_P(HistoryWindowFit, PatientsWindowIsWholeAndReachedByTab) {
  TFrmPatients w(history);
  CheckFits(w, {w.btnSave, w.btnLink, w.btnClose});
  // The birth date is edited once it is known.
  w.chkBorn->setChecked(true);
  std::set<QWidget*> stops = TabStops(w, w.edtFilter);
  for (QWidget* c : std::initializer_list<QWidget*>{w.edtFilter, w.grdPatients, w.edtName, w.chkBorn, w.edtBorn,
                                                     w.chkRange, w.edtTargetLow, w.edtTargetHigh, w.btnSave, w.btnLink,
                                                     w.btnClose})
    EXPECT_TRUE(stops.count(c) || stops.count(c->focusProxy())) << c->objectName().toStdString();
}

const FitCase kFitCases[] = {
    {"English1024x768", 1033, "desk"}, {"Chinese1024x768", 2052, "desk"}, {"German1024x768", 1031, "desk"},
    {"English640x480", 1033, "small"}, {"Chinese640x480", 2052, "small"}, {"German640x480", 1031, "small"},
};

INSTANTIATE_TEST_SUITE_P(Screens, HistoryWindowFit, ::testing::ValuesIn(kFitCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace movra::test
