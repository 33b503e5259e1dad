#include "ui/qt_presenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "ui/frm_main.h"

namespace movra {

int QtPresenter::showNow(const DialogRequest& r) {
  // Over the active window, else over the main window, so the desktop keeps the box
  // with the program.
  QWidget* owner = QApplication::activeWindow() ? QApplication::activeWindow() : FrmMain;
  QMessageBox box(owner);
  // A message box can be closed, not minimised or maximised.
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
  if (r.style & MB_TOPMOST) flags |= Qt::WindowStaysOnTopHint;
  box.setWindowFlags(flags);
  box.setWindowTitle(QString::fromUtf8(r.caption.c_str()));
  box.setText(QString::fromUtf8(r.text.c_str()));
  switch (r.style & 0xF0) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon);
  }
  switch (r.style & 0x0F) {
    case MB_YESNOCANCEL:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      box.setEscapeButton(QMessageBox::Cancel);  // closing the box counts as Cancel
      break;
    case MB_YESNO:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    default:
      box.setStandardButtons(QMessageBox::Ok);
  }
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  QMessageBox::StandardButton b = clicked ? box.standardButton(clicked) : QMessageBox::Cancel;
  switch (b) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Ok: return IDOK;
    default: return IDCANCEL;
  }
}

int QtPresenter::present(const DialogRequest& r) {
  if (!gui_ || QThread::currentThread() == gui_->thread()) return showNow(r);
  int result = IDCANCEL;
  QMetaObject::invokeMethod(gui_, [&result, r]() { result = showNow(r); }, Qt::BlockingQueuedConnection);
  return result;
}

}  // namespace movra
