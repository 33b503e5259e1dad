// The history's commands of the window: the History and Patients windows and the backup.
#include <QDir>
#include <QFileInfo>
#include <filesystem>

#include "app/datetime.h"
#include "app/dialogs.h"
#include "app/folders.h"
#include "app/format_settings.h"
#include "app/language.h"
#include "data/history_store.h"
#include "report/report_settings.h"
#include "report_print/report_texts.h"
#include "ui/download_state.h"
#include "ui/frm_history.h"
#include "ui/frm_main.h"
#include "ui/frm_patients.h"
#include "ui/save_file_chooser.h"
#include "ui/screen_cursor.h"

namespace movra {

namespace {

// The history lives in the database: without one open there is none to show.
bool HistoryOpen(const std::shared_ptr<HistoryStore>& history) {
  if (history) return true;
  ShowError("The history cannot be read: the database is not open.");
  return false;
}

}  // namespace

void TFrmMain::btnHistoryClick() {
  if (!HistoryOpen(History)) return;
  ShownHistory shown = HistoryToShow();
  TFrmHistory window(*shown.store, ReadConfiguredTargetRange(), ConfigFileToWrite(), this);
  window.ShowSource(shown.source, shown.reason);
  window.ShowModal = ShowModal;
  ShowModal(window);
}

void TFrmMain::mnuPatientsClick() {
  if (!HistoryOpen(History)) return;
  ShownHistory shown = HistoryToShow();
  TFrmPatients window(*shown.store, this);
  ShowModal(window);
}

void TFrmMain::mnuBackupClick() {
  if (!WriteBackup) {
    ShowError("The history cannot be read: the database is not open.");
    return;
  }
  SaveDialogOptions o;
  o.title = Tr("Backup of the database").toStdString();
  o.filter = Tr("Movra database (*.dat)").toStdString();
  o.fileName = "movradata-backup-" + FormatDateTime("yyyy-mm-dd", Now()) + ".dat";
  std::optional<std::string> chosen = SaveDialog->Execute(o);
  if (!chosen) return;
  std::string why;
  {
    SetHourglassCursor();
    why = WriteBackup(*chosen);
    SetDefaultCursor();
  }
  // The file is named in full on its own line, so the user can find it again.
  const std::string where = QDir::toNativeSeparators(QFileInfo(QString::fromStdString(*chosen)).absoluteFilePath()).toStdString();
  if (why.empty())
    PlainMessageBox(TranslateText("The backup was written:") + "\n" + where, TranslateText("Message"),
                    MB_OK | MB_ICONINFORMATION);
  else
    PlainMessageBox(TranslateText("The backup could not be written:") + "\n" + where + "\n" + why,
                    TranslateText("Error"), MB_OK | MB_ICONERROR);
}

}  // namespace movra
