// TFrmHistory: the kept results of one patient over a period, newest first; the report of
// that patient and period, and deleting chosen results from the history.
#pragma once
#include <QDialog>
#include <functional>
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
  QPushButton* btnReport = nullptr;
  QPushButton* btnDelete = nullptr;
  QPushButton* btnClose = nullptr;

  // The patients in the choice, in its order.
  const std::vector<PatientSummary>& Patients() const { return patients_; }
  // The results shown, in the table's order.
  std::vector<HistoryEntry> ShownEntries() const;
  // The date format of the table's date column.
  QString DateFormat() const { return dateFormat_; }

  void btnReportClick();
  void btnDeleteClick();
  // Reads the chosen patient's results for the chosen period again.
  void Reload();

  // Shows the report window; tests put their own in so nothing blocks.
  std::function<void(QDialog&)> ShowModal;

 private:
  void ReadPatients();
  const Patient* CurrentPatient() const;
  std::vector<HistoryEntry> SelectedEntries() const;

  HistoryStore& store_;
  TargetRange defaultRange_;
  std::string settingsPath_;
  std::vector<PatientSummary> patients_;
  HistoryTableModel* model_ = nullptr;
  QSortFilterProxyModel* sorted_ = nullptr;
  QString dateFormat_;
  std::vector<HistoryEntry> read_;  // the period's results, oldest first
};

// How the History window names a patient: the name, else the first pair.
QString PatientDisplayName(const Patient& p);

}  // namespace movra
