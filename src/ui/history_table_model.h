// The History window's table: one kept result a row, newest first until the user sorts
// by another column. Control results are listed but marked, as the report leaves them out.
#pragma once
#include <QAbstractTableModel>
#include <QString>
#include <vector>

#include "data/history_store.h"

namespace movra {

class HistoryTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { ColDate, ColTime, ColInr, ColPt, ColSample, ColMeter, ColPatient, ColumnCount };
  // What a column sorts by: the point in time, the INR as a number, else the text shown.
  static constexpr int SortRole = Qt::UserRole;

  explicit HistoryTableModel(QObject* parent = nullptr);
  // dateFormat: how the date column writes a day (Qt's format letters).
  void setEntries(std::vector<HistoryEntry> entries, const QString& dateFormat);
  const HistoryEntry& entry(int row) const { return entries_[static_cast<size_t>(row)]; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  QString text(const InrResult& r, int column) const;
  std::vector<HistoryEntry> entries_;
  std::vector<QString> dates_;  // each row's date as shown, made once per reading
  QString dateFormat_;
};

}  // namespace movra
