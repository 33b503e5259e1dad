#include "ui/result_list_model.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QPalette>

#include "app/format_settings.h"
#include "app/sample_type_text.h"
#include "data/result_ticked.h"
#include "report_print/report_texts.h"
#include "ui/grid_rules.h"
#include "ui/inr_cell_delegate.h"

namespace movra {

namespace {

const char* const kColumnFields[kGridColumnCount] = {
    "fVisCheck", "FRecordNumber", "FMeterType", "fDateFmt_Cal", "FDate",
    "FTime_String", "FInr_V", "FPT_Cal", "FSampleType_Cal", "FSN",
};
}  // namespace

ResultListModel::ResultListModel(RowSet* rows, QObject* parent) : QAbstractTableModel(parent), rows_(rows) {
  if (rows_) rows_->addObserver(this);
  for (int i = 0; i < kGridColumnCount; ++i) titles_ << QString();
}

ResultListModel::~ResultListModel() {
  if (rows_) rows_->removeObserver(this);
}

const char* ResultListModel::ColumnField(int column) {
  return column >= 0 && column < kGridColumnCount ? kColumnFields[column] : "";
}

void ResultListModel::setTitles(const QStringList& titles) {
  titles_ = titles;
  while (titles_.size() < kGridColumnCount) titles_ << QString();
  emit headerDataChanged(Qt::Horizontal, 0, kGridColumnCount - 1);
}

int ResultListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !rows_ || !rows_->active()) return 0;
  return rows_->recordCount();
}

int ResultListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kGridColumnCount; }

Qt::ItemFlags ResultListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // Read-only: the check box changes only through the grid's click handler.
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QVariant ResultListModel::displayText(int row, int column) const {
  FieldRef f = rows_->fieldAt(row, kColumnFields[column]);
  if (f.isNull()) return QString();
  switch (column) {
    case 4: return QString::fromStdString(FormatDateTime("yy-mm-dd", f.asDateTime()));
    case 6: return QString::fromStdString(FormatFloat("%.1f", f.asFloat()));
    case 8: return QString::fromStdString(SampleTypeText(f.asString()));
    default: return QString::fromStdString(f.asString());
  }
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !rows_ || index.row() >= rowCount()) return QVariant();
  int row = index.row(), column = index.column();
  try {
    switch (role) {
      case Qt::DisplayRole:
        if (column == kColCheck) return QVariant();
        return displayText(row, column);
      case Qt::AccessibleTextRole:
        // The check box is a picture: a screen reader reads it as words.
        if (column == kColCheck)
          return rows_->fieldAt(row, "fVisCheck").asBoolean() ? Tr("Ticked") : Tr("Not ticked");
        return QVariant();
      case Qt::AccessibleDescriptionRole:
        // An INR or PT cell showing the arrow picture instead of the number.
        if ((column == kColInr || column == kColPt) &&
            ClassifyInr(DisplayInr(rows_->fieldAt(row, "FInr_V").asFloat())) != InrRange::In)
          return Tr("Beyond the measuring range");
        return QVariant();
      case CheckedRole:
        return rows_->fieldAt(row, "fVisCheck").asBoolean();
      case InrValueRole:
        return rows_->fieldAt(row, "FInr_V").asFloat();
      case PtValueRole:
        return rows_->fieldAt(row, "FPT_Cal").asFloat();
      case Qt::BackgroundRole: {
        bool ticked = RowTicked(*rows_, row);
        return QBrush(ticked ? QColor(kTickedRed, kTickedGreen, kTickedBlue)
                             : QApplication::palette().color(QPalette::Button));
      }
      case Qt::TextAlignmentRole:
        return QVariant::fromValue(column == 1 ? Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter) : Qt::Alignment(Qt::AlignCenter));
      default:
        return QVariant();
    }
  } catch (const std::exception&) {
    // A value that does not convert shows as an empty cell.
    return QVariant();
  }
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Vertical) return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
  if (role == Qt::DisplayRole && section >= 0 && section < titles_.size()) return titles_[section];
  // The check column's title is a picture.
  if (role == Qt::AccessibleTextRole && section == kColCheck) return Tr("Ticked");
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
  return QVariant();
}

void ResultListModel::dataSetChanged(RowSet&) {
  beginResetModel();
  endResetModel();
  if (rows_ && rows_->recNo() >= 0) emit currentRowMoved(rows_->recNo());
}

void ResultListModel::rowChanged(RowSet&, int row) {
  if (row < 0 || row >= rowCount()) return;
  emit dataChanged(index(row, 0), index(row, kGridColumnCount - 1));
}

void ResultListModel::currentRowChanged(RowSet& rs) { emit currentRowMoved(rs.recNo()); }

}  // namespace movra
