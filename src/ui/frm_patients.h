// TFrmPatients: the patients the history knows, with a filter; a patient is named, given a
// birth date and an own target range, or a meter's patient is linked to a named patient
// (a replaced meter, a second meter at the clinic).
#pragma once
#include <QDialog>
#include <QStringList>
#include <functional>
#include <vector>

#include "data/history_store.h"

class QCheckBox;
class QDateEdit;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

namespace movra {

class TFrmPatients : public QDialog {
  Q_OBJECT
 public:
  enum Column { ColName, ColMeter, ColPatientId, ColRange, ColLast, ColResults, ColumnCount };

  explicit TFrmPatients(HistoryStore& store, QWidget* parent = nullptr);
  ~TFrmPatients() override;

  QLineEdit* edtFilter = nullptr;
  QTableView* grdPatients = nullptr;
  QLineEdit* edtName = nullptr;
  QCheckBox* chkBorn = nullptr;
  QDateEdit* edtBorn = nullptr;
  QCheckBox* chkRange = nullptr;
  QDoubleSpinBox* edtTargetLow = nullptr;
  QDoubleSpinBox* edtTargetHigh = nullptr;
  QPushButton* btnSave = nullptr;
  QPushButton* btnLink = nullptr;
  QPushButton* btnClose = nullptr;

  // Shows a row of the table (in its sorted and filtered order) in the fields below.
  void SelectRow(int row);
  // The patient of the chosen row; null when none is chosen.
  const Patient* CurrentPatient() const;
  void btnSaveClick();
  void btnLinkClick();

  // Asks which of the named patients to link to: the index in `names`, or -1 when the
  // user cancelled. Tests put their own in.
  std::function<int(const QStringList& names)> ChoosePatient;

 private:
  void ReadPatients();
  void ShowCurrent();
  void SelectPatientId(int64_t id);

  HistoryStore& store_;
  std::vector<PatientSummary> patients_;
  QStandardItemModel* model_ = nullptr;
  QSortFilterProxyModel* filtered_ = nullptr;
  QString dateFormat_;
};

}  // namespace movra
