#include "fault_support.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <variant>

#include "data/row_set.h"
#include "data/schema.h"
#include "data/sql_database.h"
#include "sim_process.h"
#include "ui/download_state.h"
#include "ui/frm_main.h"
#include "ui/screen_cursor.h"
#include "ui_test_env.h"

namespace movra::test {

namespace {
std::pair<int, int> MonthAndDay(int k, const DateOverrides& dates) {
  auto it = dates.find(k);
  return it != dates.end() ? it->second : std::pair<int, int>{1 + k % 12, 1 + k % 28};
}
}  // namespace

std::string MeterRecordsText(int count, const DateOverrides& dates) {
  std::string text = "# recno year month day region hour minute h12 pm inr caltype callevel patient\n";
  // Newest first, counting down, as a meter sends them: the first number is the count.
  for (int k = count; k >= 1; --k) {
    auto [month, day] = MonthAndDay(k, dates);
    // The INR written without the locale's decimal separator: 1 + k/4.
    int hundredths = 100 + 25 * k;
    char line[128];
    std::snprintf(line, sizeof line, "%d 2024 %d %d 0 %d %d 0 0 %d.%02d 4 1 %d\n", k, month, day, k % 24, (k * 7) % 60,
                  hundredths / 100, hundredths % 100, 100 + k);
    text += line;
  }
  return text;
}

std::string MeterDateText(int number, const DateOverrides& dates) {
  auto [month, day] = MonthAndDay(number, dates);
  char text[32];
  std::snprintf(text, sizeof text, "2024-%02d-%02d", month, day);
  return text;
}

float RecordInr(int number) { return 1.0f + 0.25f * float(number); }

namespace {
std::string TextOf(const FieldValue& v) {
  if (auto s = std::get_if<std::string>(&v)) return *s;
  if (auto i = std::get_if<int64_t>(&v)) return std::to_string(*i);
  return std::string();
}
}  // namespace

std::vector<StoredRow> ReadStoredRows(const std::string& databasePath) {
  SqlDatabase db;
  db.open(databasePath, kDatabasePassword);
  SqlStatement st(db, "SELECT fRecordNumber, fINR_v, fSN FROM Result_Log ORDER BY fID");
  std::vector<StoredRow> rows;
  while (st.step()) {
    StoredRow r;
    r.recordNumber = TextOf(st.column(0));
    FieldValue inr = st.column(1);
    if (auto d = std::get_if<double>(&inr)) r.inr = *d;
    if (auto i = std::get_if<int64_t>(&inr)) r.inr = double(*i);
    r.serial = TextOf(st.column(2));
    rows.push_back(r);
  }
  return rows;
}

std::vector<int> RecordNumbersOf(const std::vector<StoredRow>& rows) {
  std::vector<int> numbers;
  for (const auto& r : rows) numbers.push_back(std::atoi(r.recordNumber.c_str()));
  return numbers;
}

std::vector<int> AckedRecords(const SimProcess& sim) {
  std::vector<int> numbers;
  for (const auto& line : sim.journalLines())
    if (line.rfind("ack ", 0) == 0) numbers.push_back(std::atoi(line.c_str() + 4));
  return numbers;
}

bool RunDownload(TFrmMain& w, int limitMs) {
  bool returned = false;
  bool abandoned = false;
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    if (returned) return;
    abandoned = true;
    // Every nested loop ends; the command gives up its wait.
    QCoreApplication::exit(1);
  });
  watchdog.start(limitMs);
  QElapsedTimer t;
  t.start();
  w.btnDownload->click();
  returned = true;
  watchdog.stop();
  EXPECT_FALSE(abandoned) << "the Download command did not return within " << limitMs << " ms";
  // A late message (a transfer end, a device change) and its box come with the next turns.
  ProcessEventsUntil([] { return false; }, 500);
  return !abandoned;
}

void ExpectIdle(TFrmMain& w) {
  EXPECT_FALSE(Downloading);
  EXPECT_EQ(w.DownloadPhase, 1);
  for (QToolButton* b : {w.btnDownload, w.btnClearData, w.btnExpExcel, w.btnHis, w.btnExit})
    EXPECT_TRUE(b->isEnabled()) << b->text().toStdString();
  for (QAction* a : {w.mniStartCom, w.mnuClearData, w.mnuExportExcel, w.mniExit})
    EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
  EXPECT_FALSE(w.tmrWaiting->isActive());
  EXPECT_FALSE(HourglassCursorShown());
}

void WindowWithMeter::SetUp() {
  boxes->allowAny();
  program = std::make_unique<StartedProgram>(folder);
  program->window().show();
}

std::string WindowWithMeter::recordsFile(int count, const DateOverrides& dates) {
  scratch.write("records.txt", MeterRecordsText(count, dates));
  return scratch.file("records.txt");
}

void WindowWithMeter::expectStored(const std::vector<int>& numbers, const std::string& serial) {
  auto rows = ReadStoredRows(folder.databasePath());
  ASSERT_EQ(RecordNumbersOf(rows), numbers);
  for (const auto& r : rows) {
    int n = std::atoi(r.recordNumber.c_str());
    EXPECT_DOUBLE_EQ(r.inr, double(RecordInr(n))) << "record " << n;
    EXPECT_EQ(r.serial, serial) << "record " << n;
  }
  EXPECT_EQ(program->list().recordCount(), int(numbers.size()));
}

std::vector<std::string> DialogLines(const std::vector<DialogRequest>& shown) {
  std::vector<std::string> lines;
  for (const auto& d : shown) lines.push_back("[" + d.caption + "] " + d.text);
  return lines;
}

}  // namespace movra::test
