// The History and Patients windows over a kept history: the patient and period choices,
// the table newest first, deleting after a question, the report of a patient and period,
// its FHIR file and its send to the FHIR server of tests/fhir/node, and naming, ranging and
// linking patients.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QItemSelectionModel>
#include <QAbstractItemModel>
#include <QRegularExpression>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <map>
#include <nlohmann/json.hpp>

#include "answer_chooser.h"
#include "app/config.h"
#include "app/dialogs.h"
#include "app/language.h"
#include "data/data_module.h"
#include "data/history_store.h"
#include "data/inr_result_conversion.h"
#include "data/record_conversion.h"
#include "data/record_store.h"
#include "fhir_server.h"
#include "meter/meter_record.h"
#include "recording_presenter.h"
#include "ui/frm_history.h"
#include "ui/frm_main.h"
#include "ui/frm_patients.h"
#include "ui/frm_report.h"
#include "ui/history_period.h"
#include "ui/history_table_model.h"
#include "ui/screen_cursor.h"
#include "ui_test_env.h"

namespace movra::test {
namespace {

const MeterPatient kAnna{"PT12345678A", "345"};
const MeterPatient kBert{"PT12345678A", "346"};
const MeterPatient kOld{"PT00000001B", "7"};

TDateTime DaysAgo(int days) { return FromQDate(QDate::currentDate().addDays(-days)) + 9.5 / 24; }

// The window program over its real encrypted database: results go in as a download
// stores them, and the history keeps them.
class HistoryWindowTest : public StartedProgramTest {
 protected:
  void SetUp() override {
    StartedProgramTest::SetUp();
    store = w().History.get();
    ASSERT_NE(store, nullptr);
    annaId = store->SavePatient(Patient{0, "Anna Example", {}, TenthsRange{25, 35}, {kAnna}});
  }
  // One result of the pair as a meter gives it, at 09:30 that many days ago.
  void add(const MeterPatient& pair, int daysAgo, double inr, const std::string& sample = "Finger") {
    TMeterRecord rec;
    rec.SerialNumber = pair.serialNumber;
    rec.MeterType = pair.patientId;
    rec.RecordNumber = std::to_string(++records_);
    rec.Date = QDate::currentDate().addDays(-daysAgo).toString("yyyy-MM-dd").toStdString();
    rec.Time = "09:30";
    rec.CalibrationType = sample;
    rec.CalibrationLevel = sample == "EC" || sample == "CS" ? "Level 1" : "";
    rec.InrValue = inr;
    NullStoreUi quiet;
    TRecordStore records(program->dm(), quiet);
    records.StoreResults({*ResultOfMeterRecord(rec).result});
  }
  size_t kept() { return store->Read({}).size(); }
  std::unique_ptr<TFrmHistory> open() {
    auto w = std::make_unique<TFrmHistory>(*store, TargetRange{20, 30}, folder.dir().path() + "/MovraT.INI");
    w->show();
    return w;
  }
  // The Patients window with the one row the filter leaves chosen.
  std::unique_ptr<TFrmPatients> openPatients(const QString& filter) {
    auto w = std::make_unique<TFrmPatients>(*store);
    w->show();
    w->edtFilter->setText(filter);
    EXPECT_EQ(w->grdPatients->model()->rowCount(), 1);
    w->SelectRow(0);
    return w;
  }
  // The table's column as shown, top to bottom.
  static QStringList Column(TFrmHistory& w, int column) {
    QStringList out;
    QAbstractItemModel* m = w.grdResults->model();
    for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, column).data().toString();
    return out;
  }
  HistoryStore* store = nullptr;
  int64_t annaId = 0;

 private:
  int records_ = 0;
};

TEST(HistoryDateFormat, AlwaysWritesTheYearInFourDigits) {
  const struct {
    const char* desktop;
    const char* shown;
  } cases[] = {
      {"M/d/yy", "M/d/yyyy"},       {"dd.MM.yy", "dd.MM.yyyy"}, {"yyyy/M/d", "yyyy/M/d"},
      {"d/M/yyyy", "d/M/yyyy"},     {"yy-MM-dd", "yyyy-MM-dd"}, {"dd MMM", "dd MMM yyyy"},
  };
  for (const auto& c : cases) EXPECT_EQ(FourDigitYearFormat(c.desktop), c.shown) << c.desktop;
}

TEST_F(HistoryWindowTest, PatientsAreSortedByNameThenMeterAndIdUnnamedAsTheirPair) {
  store->SavePatient(Patient{0, "Zoe Example", {}, {}, {kOld}});
  add(kOld, 1, 2.1);
  add(kBert, 1, 2.1);
  add(MeterPatient{"PT00000001B", "9"}, 1, 2.1);
  add(kAnna, 1, 2.1);
  auto w = open();
  QStringList shown;
  for (int i = 0; i < w->cboPatient->count(); ++i) shown << w->cboPatient->itemText(i);
  EXPECT_EQ(shown, QStringList({"Anna Example", "Zoe Example", "PT00000001B / 9", "PT12345678A / 346"}));
}

TEST_F(HistoryWindowTest, ListsThePeriodNewestFirstWithFourDigitYears) {
  // Either side of each period's first day, and one result of another patient that never shows.
  const QDate today = QDate::currentDate();
  const int threeMonths = static_cast<int>(today.addMonths(-3).daysTo(today));
  const int days[] = {0, 40, threeMonths - 1, threeMonths, 200, 364, 366, 800};
  for (int d : days) add(kAnna, d, 2.0 + d / 1000.0);
  add(kBert, 5, 4.4);
  auto w = open();
  const struct {
    HistoryPeriod period;
    int shown;
  } cases[] = {
      {HistoryPeriod::Last3Months, 3},  // the day three months back is the first day outside
      {HistoryPeriod::Last6Months, 4},
      {HistoryPeriod::Last12Months, 6},
      {HistoryPeriod::All, 8},
  };
  for (const auto& c : cases) {
    w->cboPeriod->setCurrentIndex(static_cast<int>(c.period));
    std::vector<HistoryEntry> shown = w->ShownEntries();
    ASSERT_EQ(static_cast<int>(shown.size()), c.shown) << static_cast<int>(c.period);
    for (size_t i = 1; i < shown.size(); ++i) EXPECT_GT(shown[i - 1].result.date, shown[i].result.date);
    for (const HistoryEntry& e : shown) EXPECT_EQ(e.result.patientId, kAnna.patientId);
    EXPECT_FALSE(w->edtFrom->isEnabled());
  }
  const QStringList dates = Column(*w, HistoryTableModel::ColDate);
  EXPECT_EQ(dates.front(), today.toString(w->DateFormat()));
  EXPECT_TRUE(dates.back().contains(QString::number(today.addDays(-800).year()))) << dates.back().toStdString();

  // From-to takes both days whole, typed either way round.
  w->cboPeriod->setCurrentIndex(static_cast<int>(HistoryPeriod::FromTo));
  EXPECT_TRUE(w->edtFrom->isEnabled());
  w->edtFrom->setDate(today.addDays(-364));
  w->edtTo->setDate(today.addDays(-40));
  EXPECT_EQ(w->ShownEntries().size(), 5u);
  w->edtFrom->setDate(today.addDays(-40));
  w->edtTo->setDate(today.addDays(-364));
  EXPECT_EQ(w->ShownEntries().size(), 5u);
}

// The list starts empty after a restart; the history still holds every result, once.
TEST_F(HistoryWindowTest, ShowsTheResultsAfterARestart) {
  add(kAnna, 3, 2.4);
  add(kAnna, 1, 2.9);
  add(kAnna, 1, 2.9);  // the same result downloaded again
  program->restart();
  store = w().History.get();
  ASSERT_NE(store, nullptr);
  auto w = open();
  EXPECT_EQ(w->cboPatient->currentText(), "Anna Example");
  EXPECT_EQ(Column(*w, HistoryTableModel::ColInr), QStringList({"2.9", "2.4"}));
}

TEST_F(HistoryWindowTest, ControlsAreListedButMarked) {
  add(kAnna, 2, 2.4);
  add(kAnna, 1, 1.0, "EC");
  auto w = open();
  QAbstractItemModel* m = w->grdResults->model();
  ASSERT_EQ(m->rowCount(), 2);
  EXPECT_TRUE(m->index(0, HistoryTableModel::ColInr).data(Qt::FontRole).value<QFont>().italic());
  EXPECT_FALSE(m->index(0, 0).data(Qt::ToolTipRole).toString().isEmpty());
  EXPECT_FALSE(m->index(1, 0).data(Qt::FontRole).isValid());
}

TEST_F(HistoryWindowTest, ColumnsSortAndArrowsSortAsTheirLimits) {
  add(kAnna, 3, 2.4);
  add(kAnna, 2, 8.0);  // above the measuring range: the meter shows an arrow
  add(kAnna, 1, 6.5);
  auto w = open();
  w->grdResults->sortByColumn(HistoryTableModel::ColInr, Qt::AscendingOrder);
  EXPECT_EQ(Column(*w, HistoryTableModel::ColInr),
            QStringList({"2.4", "6.5", QString::fromStdString(InrDisplayText(8.0))}));
  // An arrow's PT is no number: the limit's PT would read as a measured value.
  EXPECT_EQ(Column(*w, HistoryTableModel::ColPt).back(), QString::fromStdString(InrDisplayText(8.0)));
}

TEST_F(HistoryWindowTest, DeleteAsksWithCountAndNameAndRemovesOnlyTheChosenRows) {
  for (int d : {1, 2, 3, 4}) add(kAnna, d, 2.0 + d / 10.0);
  add(kBert, 2, 3.3);
  auto w = open();
  auto chooseRows = [&](std::initializer_list<int> rows) {
    w->grdResults->clearSelection();
    for (int r : rows)
      w->grdResults->selectionModel()->select(w->grdResults->model()->index(r, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
  };
  // Rows 0 and 2 are the newest and the third newest: a day ago and three days ago.
  chooseRows({0, 2});
  boxes->expect("Delete 2 results of Anna Example from the history?", IDNO);
  w->btnDelete->click();
  EXPECT_EQ(kept(), 5u);
  EXPECT_EQ(w->ShownEntries().size(), 4u);

  chooseRows({0, 2});
  boxes->expect("Delete 2 results of Anna Example from the history?", IDYES);
  w->btnDelete->click();
  ASSERT_EQ(w->ShownEntries().size(), 2u);
  EXPECT_NEAR(w->ShownEntries()[0].result.date, DaysAgo(2), 1e-6);
  EXPECT_NEAR(w->ShownEntries()[1].result.date, DaysAgo(4), 1e-6);
  EXPECT_EQ(kept(), 3u);  // the other patient's result stays

  w->grdResults->clearSelection();
  boxes->expect("Choose the results to delete");
  w->btnDelete->click();
  EXPECT_EQ(kept(), 3u);
  boxes->verifyAllShown();
}

TEST_F(HistoryWindowTest, ReportCoversThePeriodWithThePatientsOwnRangeElseTheDefault) {
  for (int d : {10, 50, 120, 400}) add(kAnna, d, 2.5);
  add(kAnna, 20, 1.0, "CS");
  add(kBert, 10, 3.0);
  auto w = open();
  std::vector<std::pair<size_t, TargetRange>> reports;
  size_t controls = 0;
  w->ShowModal = [&](QDialog& d) {
    auto* report = qobject_cast<TFrmReport*>(&d);
    ASSERT_NE(report, nullptr);
    reports.emplace_back(report->Group().tests.size(), report->Range());
    controls = report->Group().controls.size();
    for (const ReportResult& r : report->Group().tests) EXPECT_GE(r.when, DaysAgo(182) - 1);
  };
  w->cboPeriod->setCurrentIndex(static_cast<int>(HistoryPeriod::Last6Months));
  w->btnReport->click();
  w->cboPatient->setCurrentIndex(1);  // the unnamed patient: the default range
  w->btnReport->click();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].first, 3u);
  EXPECT_EQ(controls, 0u);
  EXPECT_EQ(reports[0].second, (TargetRange{25, 35}));
  EXPECT_EQ(reports[1].first, 1u);
  EXPECT_EQ(reports[1].second, (TargetRange{20, 30}));
}

TEST_F(HistoryWindowTest, PatientsWindowSavesNameBirthDateRangeAndRefusesAReversedRange) {
  add(kBert, 3, 2.2);
  add(kBert, 1, 2.6);
  auto patients = openPatients("346");
  TFrmPatients& w = *patients;
  EXPECT_EQ(w.grdPatients->model()->index(0, TFrmPatients::ColResults).data().toString(), "2");
  w.edtName->setText("  Bert Example ");
  w.chkBorn->setChecked(true);
  w.edtBorn->setDate(QDate(1948, 2, 29));
  w.chkRange->setChecked(true);
  w.edtTargetLow->setValue(3.0);
  w.edtTargetHigh->setValue(2.5);
  boxes->expect("low bound must be below its high bound");
  w.btnSave->click();
  EXPECT_EQ(store->PatientOf(kBert).id, 0);

  w.edtTargetHigh->setValue(4.0);
  w.btnSave->click();
  Patient bert = store->PatientOf(kBert);
  EXPECT_EQ(bert.name, "Bert Example");
  ASSERT_TRUE(bert.born);
  EXPECT_EQ(ToQDate(*bert.born), QDate(1948, 2, 29));
  EXPECT_EQ(bert.range, (TenthsRange{30, 40}));
  EXPECT_EQ(w.CurrentPatient()->id, bert.id);
  EXPECT_EQ(w.edtName->text(), "Bert Example");

  // Taking the range and the birth date away again.
  w.chkRange->setChecked(false);
  w.chkBorn->setChecked(false);
  w.btnSave->click();
  EXPECT_FALSE(store->PatientOf(kBert).range);
  EXPECT_FALSE(store->PatientOf(kBert).born);
  boxes->verifyAllShown();
}

TEST_F(HistoryWindowTest, PatientsWindowLinksAMetersPatientToANamedPatient) {
  add(kAnna, 9, 2.2);
  add(kOld, 900, 2.9);
  auto patients = openPatients("PT00000001B");
  TFrmPatients& w = *patients;
  QStringList offered;
  w.ChoosePatient = [&](const QStringList& names) {
    offered = names;
    return 0;
  };
  w.btnLink->click();
  EXPECT_EQ(offered, QStringList({"Anna Example"}));
  EXPECT_EQ(store->PatientOf(kOld).id, annaId);
  std::vector<MeterPatient> linked = store->PatientOf(kOld).meters;
  ASSERT_EQ(linked.size(), 2u);
  EXPECT_TRUE(linked[0] == kAnna ? linked[1] == kOld : linked[0] == kOld && linked[1] == kAnna);
  w.edtFilter->clear();
  ASSERT_EQ(w.grdPatients->model()->rowCount(), 1);
  EXPECT_EQ(w.grdPatients->model()->index(0, TFrmPatients::ColResults).data().toString(), "2");

  // With no other named patient there is nobody to link to.
  w.SelectRow(0);
  w.ChoosePatient = [&](const QStringList&) -> int { ADD_FAILURE() << "nothing to choose from"; return -1; };
  boxes->expect("Name a patient first");
  w.btnLink->click();
  boxes->verifyAllShown();
}

// The Observations' days of a Bundle file.
std::vector<std::string> ObservationDays(const std::string& json) {
  std::vector<std::string> days;
  const auto bundle = nlohmann::json::parse(json);
  for (const auto& e : bundle["entry"])
    if (e["resource"]["resourceType"] == "Observation")
      days.push_back(e["resource"]["effectiveDateTime"].get<std::string>().substr(0, 10));
  return days;
}

std::string DayText(int daysAgo) { return QDate::currentDate().addDays(-daysAgo).toString("yyyy-MM-dd").toStdString(); }

TEST_F(HistoryWindowTest, ExportFhirWritesTheShownPeriodAndNothingWithoutAPatientResult) {
  for (int d : {10, 40, 200}) add(kAnna, d, 2.5);
  add(kAnna, 20, 1.0, "CS");
  add(kBert, 30, 1.0, "EC");  // Bert's only result in the last 3 months is a control
  add(kBert, 300, 2.0);
  TempDir out;
  auto w = open();
  w->cboPeriod->setCurrentIndex(static_cast<int>(HistoryPeriod::Last3Months));
  auto chooser = std::make_shared<AnswerChooser>(out.file("anna"));
  w->SaveDialog = chooser;
  boxes->expect("Export to FHIR finished!\n" + out.file("anna.json"));
  w->btnFhir->click();
  ASSERT_EQ(chooser->asked.size(), 1u);
  EXPECT_EQ(chooser->asked[0].fileName, "movra-fhir-PT12345678A-345-" + DayText(0) + ".json");
  // The last 3 months, the control left out; the table's order does not matter.
  std::vector<std::string> days = ObservationDays(out.read("anna.json"));
  std::sort(days.begin(), days.end());
  EXPECT_EQ(days, (std::vector<std::string>{DayText(40), DayText(10)}));

  w->cboPatient->setCurrentIndex(1);
  ASSERT_EQ(w->ShownEntries().size(), 1u);
  boxes->expect("The patient has no results in this period; nothing was written or sent.");
  w->btnFhir->click();
  boxes->expect("The patient has no results in this period; nothing was written or sent.");
  w->AskServerUrl = [](const std::string&) -> std::optional<std::string> {
    ADD_FAILURE() << "asked for a server with nothing to send";
    return std::nullopt;
  };
  w->btnSend->click();
  EXPECT_EQ(chooser->asked.size(), 1u);
  boxes->verifyAllShown();
}

// Send to clinic against the FHIR server of tests/fhir/node, which wants a token: refused
// without one (a warning with the server's text), then the created count. The window
// stays usable while the post runs.
TEST_F(HistoryWindowTest, SendToClinicShowsTheServersAnswerWithoutBlockingTheWindow) {
  for (int d : {10, 40}) add(kAnna, d, 2.5);
  add(kAnna, 20, 1.0, "CS");
  FhirServer server;
  ASSERT_TRUE(server.start({"--token", "s3cret"})) << server.error();
  const std::string kept = GlobalOption.Fhir.Url;
  GlobalOption.Fhir.Url = server.baseUrl();
  auto w = open();
  std::vector<std::string> offered;
  w->AskServerUrl = [&](const std::string& url) -> std::optional<std::string> {
    offered.push_back(url);
    return url;
  };
  auto sendAndWait = [&] {
    w->btnSend->click();
    EXPECT_TRUE(w->Sending());
    EXPECT_FALSE(w->btnSend->isEnabled());
    EXPECT_TRUE(HourglassCursorShown());
    // The window answers meanwhile: the period can be changed back and forth.
    w->cboPeriod->setCurrentIndex(static_cast<int>(HistoryPeriod::Last6Months));
    w->cboPeriod->setCurrentIndex(static_cast<int>(HistoryPeriod::Last3Months));
    QElapsedTimer waited;
    waited.start();
    while (w->Sending() && waited.elapsed() < 120000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(w->Sending());
    EXPECT_FALSE(HourglassCursorShown());
    EXPECT_TRUE(w->btnSend->isEnabled());
  };
  unsetenv("MOVRA_FHIR_TOKEN");
  boxes->expect("(HTTP 401)");
  sendAndWait();
  setenv("MOVRA_FHIR_TOKEN", "s3cret", 1);
  boxes->expect("Results created on the server: 2; already there: 0.");
  sendAndWait();
  unsetenv("MOVRA_FHIR_TOKEN");
  GlobalOption.Fhir.Url = kept;
  boxes->verifyAllShown();
  EXPECT_EQ(offered, std::vector<std::string>(2, server.baseUrl()));
  std::vector<DialogRequest> shown = boxes->shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NE(shown[0].text.find("a valid bearer token is required"), std::string::npos) << shown[0].text;
  EXPECT_EQ(shown[0].style & 0xF0, MB_ICONWARNING);
  EXPECT_EQ(shown[1].style & 0xF0, MB_ICONINFORMATION);
}

// The window's own underlined letters differ from each other in every language.
TEST_F(HistoryWindowTest, TheWindowsAcceleratorsDoNotClash) {
  const std::vector<std::string> captions = {"&Patient:", "Pe&riod:", "&From:", "&To:", "R&eport...",
                                             "E&xport FHIR...", "Send to &clinic...", "&Delete from history..."};
  for (int id : {1033, 2052, 1031}) {
    LanguageInfo lang;
    std::string why;
    ASSERT_TRUE(LoadTranslationFile(SourceDir() + "/install/lang/" + std::to_string(id) + "/MovraT.txt", lang, why)) << why;
    std::map<QChar, std::string> taken;
    for (const std::string& source : captions) {
      auto t = lang.entries.find(source);
      ASSERT_NE(t, lang.entries.end()) << id << ": " << source;
      const QString caption = QString::fromStdString(t->second);
      const qsizetype amp = caption.indexOf('&');
      ASSERT_GE(amp, 0) << id << ": " << t->second;
      const QChar key = caption.at(amp + 1).toLower();
      EXPECT_FALSE(taken.count(key)) << id << ": " << t->second << " and " << taken[key];
      taken[key] = t->second;
    }
  }
  // The captions above are the window's own.
  auto w = open();
  EXPECT_EQ(w->btnFhir->text().toStdString(), "E&xport FHIR...");
  EXPECT_EQ(w->btnSend->text().toStdString(), "Send to &clinic...");
  EXPECT_EQ(w->btnReport->text().toStdString(), "R&eport...");
}

}  // namespace
}  // namespace movra::test
