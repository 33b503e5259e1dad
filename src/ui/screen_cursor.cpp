#include "ui/screen_cursor.h"

#include <QApplication>
#include <QCursor>

namespace movra {

void SetHourglassCursor() {
  if (QApplication::overrideCursor())
    QApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
  else
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void SetDefaultCursor() {
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

bool HourglassCursorShown() {
  const QCursor* c = QApplication::overrideCursor();
  return c && c->shape() == Qt::WaitCursor;
}

}  // namespace movra
