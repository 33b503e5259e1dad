#include "ui/list_table.h"

#include <QHeaderView>
#include <QString>
#include <QTableView>

namespace movra {

void SetUpListTable(QTableView& table, QAbstractItemView::SelectionMode selection, const QString& accessibleName) {
  table.setSortingEnabled(true);
  table.setSelectionBehavior(QAbstractItemView::SelectRows);
  table.setSelectionMode(selection);
  table.setEditTriggers(QAbstractItemView::NoEditTriggers);
  table.setTabKeyNavigation(false);
  table.verticalHeader()->hide();
  table.verticalHeader()->setDefaultSectionSize(table.fontMetrics().height() + 8);
  table.setWordWrap(false);
  // The widths follow the first rows: years of results need not all be measured.
  table.horizontalHeader()->setResizeContentsPrecision(100);
  table.horizontalHeader()->setStretchLastSection(true);
  table.setAccessibleName(accessibleName);
}

}  // namespace movra
