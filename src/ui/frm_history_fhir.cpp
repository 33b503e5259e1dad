// The History window's FHIR commands: the chosen patient's results over the chosen period
// written as a Bundle file, or sent to the clinic's FHIR server.
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "app/config.h"
#include "app/dialogs.h"
#include "app/language.h"
#include "fhir/fhir_history_bundle.h"
#include "report_print/report_texts.h"
#include "ui/build_info.h"
#include "ui/fhir_post_task.h"
#include "ui/frm_history.h"
#include "ui/save_file_chooser.h"
#include "ui/screen_cursor.h"

namespace movra {

namespace {

void ShowWarning(const std::string& text) {
  PlainMessageBox(text, TranslateText("Warning"), MB_OK | MB_ICONWARNING);
}

// "x" and "x.json" both name x.json.
std::string JsonTargetName(const std::string& typed) {
  return std::filesystem::path(typed).has_extension() ? typed : typed + ".json";
}

}  // namespace

std::optional<std::string> TFrmHistory::FhirBundle() const {
  const Patient* p = CurrentPatient();
  if (!p) return std::nullopt;
  if (FhirObservationCount(read_) == 0) {
    ShowInfo(TranslateText(kNoFhirResultsText));
    return std::nullopt;
  }
  return HistoryBundleJson(*p, read_, FhirSoftware{"Movra", ProgramVersion()});
}

void TFrmHistory::btnFhirClick() {
  std::optional<std::string> json = FhirBundle();
  if (!json) return;
  SaveDialogOptions options;
  options.title = TranslateText("Export FHIR File");
  options.filter = "FHIR files (*.json)";
  options.fileName = FhirFileName(CurrentPatient()->meters.front(), Now());
  std::optional<std::string> chosen = ChooseFileToWrite(SaveDialog.get(), options, JsonTargetName);
  if (!chosen) return;
  const std::string& target = *chosen;
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out << *json;
  out.close();
  if (!out) {
    ShowError(Tr("The FHIR file %1 cannot be written.").arg(QString::fromStdString(target)).toStdString());
    return;
  }
  ShowInfo(TranslateText("Export to FHIR finished!") + "\n" + target);
}

void TFrmHistory::btnSendClick() {
  if (sending_) return;
  std::optional<std::string> json = FhirBundle();
  if (!json) return;
  std::optional<std::string> url = AskServerUrl(GlobalOption.Fhir.Url);
  if (!url) return;
  FhirToken token = FindFhirToken(GlobalOption.Fhir.TokenFile);
  if (!token.error.empty()) {
    ShowWarning(token.error);
    return;
  }
  sending_ = true;
  btnSend->setEnabled(false);
  SetHourglassCursor();
  PostFhirBundleInBackground(this, FhirPostRequest{*url, std::move(*json), token.token},
                             [this](const FhirSendOutcome& outcome) {
                               SetDefaultCursor();
                               sending_ = false;
                               btnSend->setEnabled(!read_.empty());
                               if (outcome.ok())
                                 ShowInfo(outcome.message);
                               else
                                 ShowWarning(outcome.message);
                             });
}

std::optional<std::string> AskFhirServerUrl(QWidget* parent, const std::string& offered) {
  QInputDialog ask(parent);
  ask.setWindowTitle(Tr("Send to clinic"));
  ask.setLabelText(Tr("The clinic's FHIR server (base URL):"));
  ask.setTextValue(QString::fromStdString(offered));
  // Room for a whole address, such as https://fhir.clinic.example/r4, without scrolling.
  // The dialog's layout sets its size from its parts, so the line gets the width.
  if (auto* line = ask.findChild<QLineEdit*>())
    line->setMinimumWidth(line->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 50);
  if (ask.exec() != QDialog::Accepted) return std::nullopt;
  return ask.textValue().trimmed().toStdString();
}

}  // namespace movra
