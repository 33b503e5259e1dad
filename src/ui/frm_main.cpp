// The window's life: creation, showing, closing, and the messages posted to it.
#include "ui/frm_main.h"
#include "ui/session_end.h"

#include <QAction>
#include <QApplication>
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
#include "download/downloader.h"
#include "data/record_store.h"
#include "ui/build_info.h"
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
constexpr const char* kPortPanelToolTip =
    "USB serial cables plugged into this computer, by port number. A cable shows here while it is plugged in, "
    "whether or not a meter is on its other end.";
}  // namespace

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
    FinishDownload();
  }
  downloader_.reset();
  if (FrmMain == this) FrmMain = nullptr;
}

void TFrmMain::FormCreate() {
  WatchSessionEnd(this, [this] { EndSession(); }, [this] { return sessionDone_; });
  Downloading = false;
  DownloadPhase = 1;
  CheckAllState = 1;
  CreateRecordStore();
  CreateDownloader();
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
  // Users read the port numbers as a count of meters: say what the panel shows.
  statbar->setPanelToolTip(1, QString::fromStdString(TranslateText(kPortPanelToolTip)));
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
  ShowNotice(QueryUSBComm(UsbPorts, DownloadRunning()));
  // Device arrival and removal reach this window as MessageId::DeviceChange.
  deviceWatcher_ = std::make_unique<DeviceWatcher>(Handle());
  BugMessage("Program started.");
}

void TFrmMain::DoLoadResource() {
  statbar->setPanelText(2, QString());
  statbar->setPanelText(3, QStringLiteral("Ver:  %1-%2    ").arg(ProgramVersion(), BuildDate()));
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
  // The downloader may still be finishing (or waiting for one of its boxes, which this
  // thread shows): keep serving events until it has ended.
  FinishDownload();
  UsbPorts.clear();
  closed_ = true;
}

void TFrmMain::EndSession() {
  if (sessionEnding_) return;
  sessionEnding_ = true;
  BugMessage("The session ends: the transfer stops, what was read is stored, and the program quits.");
  // The transfer still stores and acknowledges the record in hand before it ends.
  if (DownloadRunning()) downloader_->Stop();
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

void TFrmMain::BringToFront(const QByteArray& activationToken) {
  BugMessage("Brought to the front by a second start.");
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  // A Wayland desktop gives the focus only to the holder of the start's token.
  if (!activationToken.isEmpty()) qputenv("XDG_ACTIVATION_TOKEN", activationToken);
  activateWindow();
  if (QWidget* box = QApplication::activeModalWidget(); box && box != this) {
    box->raise();
    box->activateWindow();
  }
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

bool TFrmMain::eventFilter(QObject* watched, QEvent* e) {
  if (watched == btnHis && e->type() == QEvent::EnabledChange) {
    mnuExportTxt->setEnabled(btnHis->isEnabled());
    btnReport->setEnabled(btnHis->isEnabled());
    mnuReport->setEnabled(btnHis->isEnabled());
    // The history is not changed under a download that is storing into it.
    btnHistory->setEnabled(btnHis->isEnabled());
    mnuHistory->setEnabled(btnHis->isEnabled());
    mnuPatients->setEnabled(btnHis->isEnabled());
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
      case MessageId::DeviceChange: WMDeviceChange(m); break;
      default: break;
    }
  });
}

}  // namespace movra
