// The read-only tables of the History and Patients windows: whole rows chosen, one line of
// text a row as in the main window's list, and Tab leaving the table instead of moving
// between its cells.
#pragma once
#include <QAbstractItemView>

class QString;
class QTableView;

namespace movra {

void SetUpListTable(QTableView& table, QAbstractItemView::SelectionMode selection, const QString& accessibleName);

}  // namespace movra
