#include "ui/qt_presenter.h"

#include <QApplication>
#include <QGridLayout>
#include <QStyle>
#include <QMessageBox>
#include <QThread>

#include "ui/frm_main.h"

namespace movra {

namespace {

// The width a box's title bar needs for the whole caption: the caption in a bold title
// font, the window icon and three title buttons each about as wide as the bar is high,
// and the bar's margins.
int TitleBarWidth(const QWidget& box) {
  QFont font = QApplication::font("QMdiSubWindowTitleBar");
  font.setBold(true);
  int bar = box.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &box);
  return QFontMetrics(font).horizontalAdvance(box.windowTitle()) + 6 * bar;
}

}  // namespace

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
      if (r.style & MB_DEFBUTTON2) box.setDefaultButton(QMessageBox::No);
      break;
    default:
      box.setStandardButtons(QMessageBox::Ok);
  }
  // A short text would leave the box too narrow for its caption (set once the buttons
  // are, which lay the box out anew).
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(TitleBarWidth(box), 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
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
