// The history's commands in the main window: the History button after Report, the File
// menu's new commands with their keys, opening the windows, and File > Backup... saying
// how it went.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>
#include <map>
#include <set>

#include "answer_chooser.h"
#include "app/language.h"
#include "clinic/clinic_history.h"
#include "clinic/clinic_schema.h"
#include "clinic/pg_history_store.h"
#include "history_fixture.h"
#include "pg_server.h"
#include "recording_presenter.h"
#include "ui/frm_history.h"
#include "ui/frm_main.h"
#include "ui/frm_patients.h"
#include "ui/save_file_chooser.h"
#include "ui_test_env.h"

namespace movra::test {
namespace {

using HistoryCommandsTest = StartedProgramTest;


TEST_F(HistoryCommandsTest, HistoryButtonFollowsReportAndTheMenuHasTheNewCommands) {
  QList<QAction*> bar = w().MainToolBar->actions();
  int report = -1, history = -1;
  for (int i = 0; i < bar.size(); ++i) {
    if (w().MainToolBar->widgetForAction(bar[i]) == w().btnReport) report = i;
    if (w().MainToolBar->widgetForAction(bar[i]) == w().btnHistory) history = i;
  }
  EXPECT_EQ(history, report + 1);
  EXPECT_FALSE(w().btnHistory->accessibleName().isEmpty());
  EXPECT_FALSE(w().btnHistory->icon().isNull());
  for (QAction* a : {w().mnuHistory, w().mnuPatients, w().mnuBackup}) {
    EXPECT_TRUE(w().mnuFile->actions().contains(a));
    EXPECT_FALSE(a->shortcut().isEmpty()) << a->text().toStdString();
  }
}

// Within the File menu each command has its own underlined letter, in every language, and
// no two commands share a shortcut.
TEST_F(HistoryCommandsTest, FileMenuAcceleratorsAndShortcutsDoNotClash) {
  std::set<QString> shortcuts;
  for (QAction* a : w().mnuFile->actions())
    if (!a->shortcut().isEmpty()) {
      EXPECT_TRUE(shortcuts.insert(a->shortcut().toString()).second) << a->shortcut().toString().toStdString();
    }
  for (int id : {1033, 2052, 1031}) {
    LanguageInfo lang;
    std::string why;
    ASSERT_TRUE(LoadTranslationFile(SourceDir() + "/install/lang/" + std::to_string(id) + "/MovraT.txt", lang, why)) << why;
    std::map<QChar, QString> taken;
    for (QAction* a : w().mnuFile->actions()) {
      if (a->isSeparator()) continue;
      auto t = lang.entries.find(a->text().toStdString());
      ASSERT_NE(t, lang.entries.end()) << id << ": " << a->text().toStdString();
      const QString caption = QString::fromStdString(t->second);
      const qsizetype amp = caption.indexOf('&');
      ASSERT_GE(amp, 0) << id << ": " << caption.toStdString();
      const QChar key = caption.at(amp + 1).toLower();
      EXPECT_FALSE(taken.count(key)) << id << ": " << caption.toStdString() << " and " << taken[key].toStdString();
      taken[key] = caption;
    }
  }
}

TEST_F(HistoryCommandsTest, TheMenuAndTheButtonOpenTheWindows) {
  std::vector<std::string> opened;
  w().ShowModal = [&](QDialog& d) { opened.push_back(d.objectName().toStdString()); };
  w().btnHistory->click();
  w().mnuHistory->trigger();
  w().mnuPatients->trigger();
  EXPECT_EQ(opened, (std::vector<std::string>{"FrmHistory", "FrmHistory", "FrmPatients"}));
}

// With a clinic database set, the History window reads the server's history and says so; a
// server that cannot be reached leaves this PC's, said above the table with the reason.
TEST_F(HistoryCommandsTest, TheHistoryWindowSaysWhoseHistoryItShows) {
  MOVRA_REQUIRE_POSTGRES();
  PgServer server;
  const ClinicTarget clinic = ClinicTargetOf(server.Url(server.superuser()), "");
  InitClinicDatabase(clinic);
  // A patient result that only the server holds.
  PgHistoryStore::Connect(clinic)->Keep({MeterResult("SN-CLINIC", "12", 1, 9, 2.5, "1")});
  const struct {
    const char* name;
    std::string url;
    std::string source;  // "" when the line is not shown
    std::string reason;  // part of the tooltip
  } cases[] = {
      {"no clinic database", "", "", ""},
      {"the server answers", clinic.url,
       "The clinic's history on 127.0.0.1:" + std::to_string(server.port()) + "/movra", ""},
      {"nothing listens", "postgresql://127.0.0.1:1/movra",
       "Only this PC's history: the clinic's database could not be reached.", "Connection refused"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    w().Clinic = ClinicTargetOf(c.url, "");
    std::string shown, tip;
    bool visible = false, serversPatient = false;
    w().ShowModal = [&](QDialog& d) {
      auto* history = dynamic_cast<TFrmHistory*>(&d);
      ASSERT_NE(history, nullptr);
      shown = history->lblSource->text().toStdString();
      tip = history->lblSource->toolTip().toStdString();
      visible = history->lblSource->isVisibleTo(history);
      for (const PatientSummary& p : history->Patients())
        serversPatient = serversPatient || p.patient.meters.front().serialNumber == "SN-CLINIC";
    };
    w().btnHistory->click();
    EXPECT_EQ(shown, c.source);
    EXPECT_EQ(visible, !c.source.empty());
    EXPECT_NE(tip.find(c.reason), std::string::npos) << tip;
    EXPECT_EQ(serversPatient, c.url == clinic.url);
  }
}

// The copy is the real one, of the open database; a target that cannot be written (a folder
// that is a plain file, which stops even the superuser) is said with its reason.
TEST_F(HistoryCommandsTest, BackupSaysWhereItWroteOrWhyItCouldNot) {
  AddResultRow(list(), "1", 2.5);
  const std::string copy = folder.dir().path() + "/copy.dat";
  auto chooser = std::make_shared<AnswerChooser>(copy);
  w().SaveDialog = chooser;
  boxes->expect("The backup was written:\n" + copy);
  w().mnuBackup->trigger();
  ASSERT_EQ(chooser->asked.size(), 1u);
  EXPECT_NE(chooser->asked[0].filter.find("*.dat"), std::string::npos);
  EXPECT_EQ(CountTableRows(copy), 1);

  folder.dir().write("blocked", "a file, not a folder");
  const std::string blocked = folder.dir().path() + "/blocked/copy.dat";
  w().SaveDialog = std::make_shared<AnswerChooser>(blocked);
  boxes->expect("The backup could not be written:\n" + blocked + "\n");
  w().mnuBackup->trigger();
  EXPECT_FALSE(std::filesystem::exists(blocked));

  // An older copy is never replaced.
  w().SaveDialog = std::make_shared<AnswerChooser>(copy);
  boxes->expect("The backup could not be written:\n" + copy + "\n");
  w().mnuBackup->trigger();

  w().SaveDialog = std::make_shared<AnswerChooser>(std::nullopt);
  w().mnuBackup->trigger();
  boxes->verifyAllShown();
}

}  // namespace
}  // namespace movra::test
