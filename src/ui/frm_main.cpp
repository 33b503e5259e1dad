// The window's life: creation, showing, closing, and the messages posted to it.
#include "ui/frm_main.h"
#include "ui/session_end.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include "app/config.h"
#include "app/dialogs.h"
#include "app/language.h"
#include "app/trace.h"
#include "comm/device_watcher.h"
#include "comm/usb_comm_list.h"
#include "meter/hb_meter.h"
#include "data/record_store.h"
#include "ui/command_guard.h"
#include "ui/data_list_view.h"
#include "ui/download_state.h"
#include "ui/frm_about.h"
#include "ui/grid_rules.h"
#include "ui/pictures.h"
#include "ui/result_data.h"
#include "ui/save_file_chooser.h"
#include "ui/status_panels.h"

namespace movra {

TFrmMain* FrmMain = nullptr;

namespace {
constexpr const char* kVersionPanelText = "Ver:  1.0.0-20170912    ";
}

TFrmMain::TFrmMain(QWidget* parent) : QMainWindow(parent) {
  SaveDialog = MakeQtSaveFileChooser(this);
  ShowModal = [](QDialog& d) { d.exec(); };
  window_ = std::make_unique<MessageTarget>([this](Message& m) { WndProc(m); });
  BuildLayout();
  FormCreate();
}

TFrmMain::~TFrmMain() {
  if (!closed_) {
    // Destroyed without being closed (start-up failed, or a test): release the meter the
    // same careful way, but leave the table as it is.
    deviceWatcher_.reset();
    if (Meter) {
      Meter->StopComm();
      WaitWhileTransferRuns(true);
      Meter.reset();
    }
  }
  if (FrmMain == this) FrmMain = nullptr;
}

void TFrmMain::FormCreate() {
  WatchSessionEnd(this, [this] { EndSession(); }, [this] { return sessionDone_; });
  Downloading = false;
  DownloadPhase = 1;
  CheckAllState = 1;
  ExpectedCount = 0;
  CreateRecordStore();
  CreateMeter();
  DoLoadResource();
  DownloadTotal = 0;
  connect(GridDataList, &QAbstractItemView::clicked, this,
          [this](const QModelIndex& index) { RunCommand([&] { GridDataListCellClick(index.row(), index.column()); }); });
  connect(GridDataList->titleHeader(), &QHeaderView::sectionClicked, this,
          [this](int section) { RunCommand([&] { GridDataListTitleBtnClick(section); }); });
  BindDataList(ResultList());
  SetupDataGrid();
  portIcon_ = LoadPicture(pic::Port, QSize(16, 16));
  statbar->setOwnerDrawn(1, true);
  statbar->OnDrawPanel = [this](StatusPanels* bar, QPainter& p, int panel, const QRect& rect) {
    DrawPortPanel(bar, p, panel, rect);
  };
  connect(GridDataList, &DataListView::toggleRowRequested, this,
          [this](int row) { RunCommand([&] { GridDataListCellClick(row, kColCheck); }); });
  connect(GridDataList, &DataListView::toggleAllRequested, this,
          [this] { RunCommand([&] { GridDataListTitleBtnClick(kColCheck); }); });
  // The first nine columns stay in place when a widened column scrolls the list sideways.
  GridDataList->setFrozenColumns(9);
  UsbPorts.clear();
  ShowNotice(QueryUSBComm(UsbPorts, Meter && Meter->IsRunning()));
  // Device arrival and removal reach this window as WM_DEVICECHANGE.
  deviceWatcher_ = std::make_unique<DeviceWatcher>(Handle());
  BugMessage("Program started.");
}

void TFrmMain::DoLoadResource() {
  statbar->setPanelText(2, QString());
  statbar->setPanelText(3, kVersionPanelText);
}

void TFrmMain::FormShow() {
  setWindowTitle(QString::fromStdString(GlobalOption.Title));
  QIcon icon = LoadConfiguredIcon();
  if (!icon.isNull()) {
    QGuiApplication::setWindowIcon(icon);
    setWindowIcon(icon);
  }
  // The data list is shown without any tab.
  MainPage->tabBar()->hide();
  for (int i = 0; i < MainPage->count(); ++i) MainPage->setTabVisible(i, true);
  PgDataList->tabBar()->hide();
  PgDataList->setCurrentIndex(0);
}

void TFrmMain::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (e->spontaneous()) return;
  if (!shown_) {
    shown_ = true;
    if (QScreen* s = screen()) {
      QRect avail = s->availableGeometry();
      move(avail.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    // The keys act on the list from the start: arrows, Space and Ctrl+A.
    GridDataList->setFocus(Qt::OtherFocusReason);
  }
  FormShow();
}

bool TFrmMain::FormCloseQuery() {
  if (Downloading) {
    ShowInfo("You can't exit the software while downloading process!");
    return false;
  }
  if (AskWarning("Are you sure to exit the program?") != IDYES) return false;
  tmrWaiting->stop();
  return true;
}

void TFrmMain::FormClose() {
  if (!Downloading) ClearData();
  deviceWatcher_.reset();
  if (Meter) {
    Meter->StopComm();
    // The transfer thread may still be finishing (or waiting for one of its boxes, which
    // this thread shows): keep serving events until it has ended, then free the meter.
    WaitWhileTransferRuns(true);
    Meter.reset();
  }
  UsbPorts.clear();
  closed_ = true;
}

void TFrmMain::EndSession() {
  if (sessionEnding_) return;
  sessionEnding_ = true;
  BugMessage("The session ends: the transfer stops, what was read is stored, and the program quits.");
  // The transfer thread still acknowledges and announces the record in hand before it ends.
  if (Meter && Meter->IsRunning()) Meter->StopTransfer();
  FinishSessionEnd();
}

void TFrmMain::FinishSessionEnd() {
  // A download unwinds first: its transfer ends and its records are stored.
  if (Downloading) {
    QTimer::singleShot(20, this, [this] { FinishSessionEnd(); });
    return;
  }
  sessionDone_ = true;
  QCoreApplication::exit(0);
}

void TFrmMain::closeEvent(QCloseEvent* e) {
  // Quitting at the session's end asks nothing and leaves the table as it is.
  if (closed_ || sessionDone_) {
    e->accept();
    return;
  }
  bool allowed = false;
  RunCommand([&] {
    if (!FormCloseQuery()) return;
    FormClose();
    allowed = true;
  });
  if (allowed)
    e->accept();
  else
    e->ignore();
}

void TFrmMain::WaitWhileTransferRuns(bool untilEnded) {
  abandonWait_ = false;
  while (Meter && Meter->IsRunning()) {
    QEventLoop loop;
    QTimer poll;
    bool ended = false;
    // The transfer thread posts WM_TRANSFER_END just before it finishes; a short poll
    // notices the end itself, and every posted message wakes the loop meanwhile.
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
      if (!Meter || !Meter->IsRunning()) {
        ended = true;
        loop.quit();
      }
    });
    poll.start(20);
    loop.exec();
    if (!ended && !untilEnded && Meter && Meter->IsRunning()) {
      // The loop was ended from outside (the application is quitting): the download
      // gives up; closing the window still waits for the thread.
      abandonWait_ = true;
      return;
    }
    if (!ended) {
      // Nested loops return at once while the application quits; serve the events by
      // hand (a box the transfer thread waits for among them) until the thread is done.
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      QThread::msleep(10);
    }
  }
  // Whatever the transfer posted before it ended is handled before the command goes on.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

bool TFrmMain::eventFilter(QObject* watched, QEvent* e) {
  if (watched == btnHis && e->type() == QEvent::EnabledChange) {
    mnuExportTxt->setEnabled(btnHis->isEnabled());
    btnReport->setEnabled(btnHis->isEnabled());
    mnuReport->setEnabled(btnHis->isEnabled());
  }
  return QMainWindow::eventFilter(watched, e);
}

bool TFrmMain::event(QEvent* e) {
  if (e->type() == QEvent::StatusTip) {
    DisplayHint(static_cast<QStatusTipEvent*>(e)->tip());
    return true;
  }
  return QMainWindow::event(e);
}

void TFrmMain::DisplayHint(const QString& hint) { statbar->setPanelText(0, hint); }

void TFrmMain::SetPanel(int panel, const std::string& text) {
  statbar->setPanelText(panel, QString::fromStdString(TranslateText(text)));
}

std::string TFrmMain::PanelText(int panel) const { return statbar->panelText(panel).toStdString(); }

MessageTarget::Handle TFrmMain::Handle() const { return window_->handle(); }

void TFrmMain::WndProc(Message& m) {
  RunCommand([&] {
    switch (m.id) {
      case WM_METER_STATE: WMMeterState(m); break;
      case WM_METER_RECORDS: WMMeterRecords(m); break;
      case WM_TRANSFER_END: WMTransferEnd(m); break;
      case WM_DEVICECHANGE: WMDeviceChange(m); break;
      default: break;
    }
  });
}

}  // namespace movra
