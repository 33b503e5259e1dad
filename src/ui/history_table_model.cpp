#include "ui/history_table_model.h"

#include <QBrush>
#include <QFont>
#include <QPalette>
#include <QGuiApplication>

#include "report/report_rows.h"
#include "report_print/report_texts.h"
#include "ui/history_period.h"

namespace movra {

HistoryTableModel::HistoryTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void HistoryTableModel::setEntries(std::vector<HistoryEntry> entries, const QString& dateFormat) {
  beginResetModel();
  entries_ = std::move(entries);
  dateFormat_ = dateFormat;
  dates_.clear();
  dates_.reserve(entries_.size());
  for (const HistoryEntry& e : entries_) dates_.push_back(ToQDate(e.result.date).toString(dateFormat_));
  endResetModel();
}

int HistoryTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int HistoryTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString HistoryTableModel::text(const InrResult& r, int column) const {
  switch (column) {
    case ColTime: return QString::fromStdString(r.timeText);
    case ColInr: return QString::fromStdString(r.inrText);
    // An arrow has no PT of its own: the list shows the arrow there too, never the limit's PT.
    case ColPt:
      if (r.range != InrRange::In) return QString::fromStdString(r.inrText);
      return r.pt > 0 ? QString::number(r.pt, 'f', 1) : QString();
    case ColSample: return Tr(r.sampleType.c_str());
    case ColMeter: return QString::fromStdString(r.serialNumber);
    case ColPatient: return QString::fromStdString(r.patientId);
    default: return QString();
  }
}

QVariant HistoryTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const size_t row = static_cast<size_t>(index.row());
  const InrResult& r = entries_[row].result;
  const bool control = IsControlSample(r.sampleType);
  switch (role) {
    case Qt::DisplayRole:
      return index.column() == ColDate ? dates_[row] : text(r, index.column());
    case SortRole:
      if (index.column() == ColDate || index.column() == ColTime) return r.date;
      // An arrow sorts as the limit it stands for, beyond every number.
      if (index.column() == ColInr)
        return r.range == InrRange::Above ? 1e9 : r.range == InrRange::Below ? -1e9 : r.inr;
      if (index.column() == ColPt) return r.pt;
      return text(r, index.column());
    case Qt::FontRole:
      if (control) {
        QFont f;
        f.setItalic(true);
        return f;
      }
      return {};
    case Qt::ForegroundRole:
      if (control) return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
      return {};
    case Qt::ToolTipRole:
      if (control) return Tr("Control result: it checks the meter and strips and is left out of the report.");
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == ColInr || index.column() == ColPt) return int(Qt::AlignRight | Qt::AlignVCenter);
      return {};
    default: return {};
  }
}

QVariant HistoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case ColDate: return Tr("Date");
    case ColTime: return Tr("Time");
    case ColInr: return Tr("INR");
    case ColPt: return Tr("PT (s)");
    case ColSample: return Tr("Sample type");
    case ColMeter: return Tr("Meter serial number");
    case ColPatient: return Tr("Patient ID");
    default: return {};
  }
}

}  // namespace movra
