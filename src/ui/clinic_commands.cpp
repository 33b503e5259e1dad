// The clinic's shared database in the main window: results wait for it from the start, go
// to it at the start and after each download, and its history is what the History and
// Patients windows show while it answers.
#include <QTimer>

#include "app/dialogs.h"
#include "app/trace.h"
#include "clinic/clinic_history.h"
#include "clinic/clinic_texts.h"
#include "data/data_module.h"
#include "ui/frm_main.h"
#include "ui/result_data.h"
#include "ui/screen_cursor.h"

namespace movra {

void TFrmMain::PrepareClinic() {
  // The data module's start has set the queue by the same settings and MOVRA_DATABASE.
  Clinic = ClinicTargetOfRun();
  // What an earlier run left waiting goes once the window is up.
  if (!Clinic.url.empty() && DataModule()) QTimer::singleShot(0, this, [this] { SendToClinicDatabase(); });
}

void TFrmMain::SendToClinicDatabase() {
  TDM* dm = DataModule();
  if (!dm || Clinic.url.empty()) return;
  SetHourglassCursor();
  ClinicSend send = SendToClinic(dm->adoConn.database(), Clinic);
  SetDefaultCursor();
  TellClinicSend(send);
}

void TFrmMain::TellClinicSend(const ClinicSend& send) {
  if (send.failure.empty()) {
    if (send.sent.sent > 0) BugMessage("Sent to the clinic's database: " + std::to_string(send.sent.sent));
    clinicAwayTold_ = false;
    return;
  }
  BugMessage("The clinic's database: " + send.failure);
  // One box while the server stays away; the next download still tries.
  if (clinicAwayTold_) return;
  clinicAwayTold_ = true;
  ShowNotice(TranslatedErrorNotice(ClinicAwayMessage(send)));
}

TFrmMain::ShownHistory TFrmMain::HistoryToShow() {
  TDM* dm = DataModule();
  if (Clinic.url.empty() || !dm) return {History, {}, {}};
  SetHourglassCursor();
  ClinicHistory history = OpenHistory(dm->adoConn.database(), Clinic);
  SetDefaultCursor();
  if (history.onServer) {
    TellClinicSend(history.send);
    return {history.store, HistorySourceText(history, Clinic), {}};
  }
  return {History, HistorySourceText(history, Clinic), PlainReason(history.send.failure)};
}

}  // namespace movra
