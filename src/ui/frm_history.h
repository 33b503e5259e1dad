// TFrmHistory: the kept results of one patient over a period, newest first; the report of
// that patient and period, its results as a FHIR file or sent to the clinic, and deleting
// chosen results from the history.
#pragma once
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/history_store.h"
#include "report/ttr.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace movra {

class HistoryTableModel;
class SaveFileChooser;

class TFrmHistory : public QDialog {
  Q_OBJECT
 public:
  // defaultRange: the report's range for a patient without one of their own; settingsPath:
  // where the report saves a new default.
  TFrmHistory(HistoryStore& store, TargetRange defaultRange, std::string settingsPath, QWidget* parent = nullptr);
  ~TFrmHistory() override;

  QComboBox* cboPatient = nullptr;
  QComboBox* cboPeriod = nullptr;  // in the order of HistoryPeriod
  QDateEdit* edtFrom = nullptr;
  QDateEdit* edtTo = nullptr;
  QTableView* grdResults = nullptr;
  QLabel* lblCount = nullptr;
  QLabel* lblSource = nullptr;  // whose history this is, when a clinic database is set
  QPushButton* btnReport = nullptr;
  QPushButton* btnFhir = nullptr;
  QPushButton* btnSend = nullptr;
  QPushButton* btnDelete = nullptr;
  QPushButton* btnClose = nullptr;

  // The patients in the choice, in its order.
  const std::vector<PatientSummary>& Patients() const { return patients_; }
  // The results shown, in the table's order.
  std::vector<HistoryEntry> ShownEntries() const;
  // The date format of the table's date column.
  QString DateFormat() const { return dateFormat_; }

  void btnReportClick();
  void btnFhirClick();
  // The post runs in the background; the outcome's box comes when it ends (Sending() false).
  void btnSendClick();
  bool Sending() const { return sending_; }
  void btnDeleteClick();
  // Reads the chosen patient's results for the chosen period again.
  void Reload();
  // Says whose history the window shows (the clinic's, or this PC's alone), with the reason
  // the clinic's is not shown; nothing when text is empty.
  void ShowSource(const std::string& text, const std::string& reason);

  // Shows the report window; tests put their own in so nothing blocks.
  std::function<void(QDialog&)> ShowModal;
  // The save dialog of Export FHIR, and the question for the server's base URL (offered:
  // the settings' URL; nullopt when cancelled); tests answer them.
  std::shared_ptr<SaveFileChooser> SaveDialog;
  std::function<std::optional<std::string>(const std::string& offered)> AskServerUrl;

 private:
  void ReadPatients();
  const Patient* CurrentPatient() const;
  std::vector<HistoryEntry> SelectedEntries() const;
  // The Bundle of the shown results; nullopt, told, when they hold no patient result.
  std::optional<std::string> FhirBundle() const;

  HistoryStore& store_;
  TargetRange defaultRange_;
  std::string settingsPath_;
  std::vector<PatientSummary> patients_;
  HistoryTableModel* model_ = nullptr;
  QSortFilterProxyModel* sorted_ = nullptr;
  QString dateFormat_;
  std::vector<HistoryEntry> read_;  // the period's results, oldest first
  bool sending_ = false;
};

// How the History window names a patient: the name, else the first pair.
QString PatientDisplayName(const Patient& p);

// Asks for the clinic's FHIR server, offering this base URL, with OK and Cancel.
std::optional<std::string> AskFhirServerUrl(QWidget* parent, const std::string& offered);

}  // namespace movra
