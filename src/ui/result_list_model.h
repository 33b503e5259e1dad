// The result list as the grid sees it: one row per row of the row set, ten columns, the
// row colours, the check box, and the INR/PT values the delegate draws from. It watches
// the row set and tells the view what changed.
#pragma once
#include <QAbstractTableModel>
#include <QStringList>

#include "data/row_set.h"

namespace movra {

class ResultListModel : public QAbstractTableModel, public RowSetObserver {
  Q_OBJECT
 public:
  explicit ResultListModel(RowSet* rows, QObject* parent = nullptr);
  ~ResultListModel() override;

  RowSet* rows() const { return rows_; }
  // Column titles, as SetupDataGrid gives them (translated where they are translated).
  void setTitles(const QStringList& titles);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The field each column shows.
  static const char* ColumnField(int column);

  // RowSetObserver
  void dataSetChanged(RowSet& rs) override;
  void rowChanged(RowSet& rs, int row) override;
  void currentRowChanged(RowSet& rs) override;

 signals:
  // The row set's current row moved (the grid follows it).
  void currentRowMoved(int row);

 private:
  QVariant displayText(int row, int column) const;
  RowSet* rows_;
  QStringList titles_;
};

}  // namespace movra
