// The Download command in the window: the core's downloader reads every USB-to-UART port,
// first at 4800 and then at 9600 baud, on its own thread; the window shows what it hears
// in the status bar and its boxes, and serves its events until the command has ended.
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/config.h"
#include "app/dialogs.h"
#include "app/folders.h"
#include "app/trace.h"
#include "comm/usb_comm_list.h"
#include "download/downloader.h"
#include "ui/data_list_view.h"
#include "ui/download_view.h"
#include "ui/download_state.h"
#include "ui/frm_main.h"
#include "ui/result_data.h"
#include "ui/screen_cursor.h"
#include "ui/status_panels.h"

namespace movra {

namespace {

// Without a database the meter is still read, and nothing is kept.
class DiscardingKeeper : public DownloadKeeper {
 public:
  std::vector<Notice> Keep(TMeterRecordQuery& records, const std::string&, const std::string&, int32_t) override {
    TMeterRecord rec;
    while (records.Pop(rec)) {
    }
    return {};
  }
  int32_t TakeTransferCount() override { return 0; }
  int32_t UnsavedCount() override { return 0; }
  int32_t InvalidCount() const override { return 0; }
};

}  // namespace

void TFrmMain::CreateDownloader() {
  downloadView_ = std::make_unique<WindowDownloadView>(*this);
  if (store_)
    keeper_ = std::make_unique<RecordStoreKeeper>(*store_);
  else
    keeper_ = std::make_unique<DiscardingKeeper>();
  downloader_ = std::make_unique<Downloader>(*keeper_, *downloadView_);
  SetTransferCount(0);
}

bool TFrmMain::DownloadRunning() const { return downloader_ && downloader_->Running(); }

void TFrmMain::SetMenuState(bool value) {
  // A disabled button hands its focus to the next one still enabled (About, where Space
  // would open the box): a command started from a tool button goes on in the list.
  if (!value && MainToolBar->isAncestorOf(QApplication::focusWidget()))
    GridDataList->setFocus(Qt::OtherFocusReason);
  btnDownload->setEnabled(value);
  btnClearData->setEnabled(value);
  btnExpExcel->setEnabled(value);
  btnHis->setEnabled(value);
  btnExit->setEnabled(value);
  mniStartCom->setEnabled(value);
  mnuClearData->setEnabled(value);
  mnuExportExcel->setEnabled(value);
  mniExit->setEnabled(value);
  // Stop is there exactly while a download runs.
  stopAction_->setVisible(!value);
  mniStop->setEnabled(!value);
}

void TFrmMain::tmrWaitingTimer() {
  ++WaitTicks;
  SetPanel(4, " " + std::to_string(WaitTicks));
}

void TFrmMain::EndDownloadState() {
  Downloading = false;
  SetPanel(0, "");
  SetPanel(1, "");
  SetPanel(2, "");
  SetPanel(4, "");
  tmrWaiting->stop();
  SetDefaultCursor();
  SetMenuState(true);
  RereadPortsChangedInTransfer();
}

void TFrmMain::btnDownloadClick() {
  if (DownloadRunning()) return;
  // A file that takes no rows would let the meter see every record acknowledged while none
  // is kept: refuse before the meter is asked for anything.
  if (!DatabaseWritable()) return;
  if (ResultRowCount() > 0) {
    if (AskWarning("New data will overwrite the old records, continue ?") != IDYES) return;
    ClearData();
  }
  ShowNotice(PrepareFolders(ExeDir));
  DownloadPhase = 1;
  DownloadTotal = 0;
  lastDownload_.reset();
  SetInvalidRecordCount(0);
  WaitTicks = 0;
  Downloading = true;
  SortResultList("fSN");
  std::string configured = std::to_string(GlobalOption.CommOption.Port);
  SetPanel(0, "Downloading...");
  SetPanel(2, ">>COM " + configured);
  BugMessage(std::string(69, '-'));
  BugMessage("开始启动下载... COM" + configured);
  SetMenuState(false);
  SetHourglassCursor();
  tmrWaiting->start();
  SetTransferCount(0);

  ShowNotice(GetUSBCommList(UsbPorts));
  statbar->repaint();
  if (!UsbPorts.empty()) SetPanel(4, "");

  DownloadPlan plan;
  plan.ports = UsbPorts;
  QEventLoop loop;
  downloadLoop_ = &loop;
  downloader_->Start(plan);
  // The window serves its events meanwhile; the command's end quits this loop.
  loop.exec();
  downloadLoop_ = nullptr;
  if (DownloadRunning()) {
    // The loop was ended from outside (the application is quitting): the command stops
    // without a word, and what it read is stored.
    downloader_->Stop();
    EndDownloadState();
    return;
  }
  ShowDownloadEnd();
}

void TFrmMain::mniStopClick() {
  if (!DownloadRunning()) return;
  BugMessage("The user stops the download.");
  downloader_->Stop();
}

void TFrmMain::DownloadEnded(const DownloadResult& result) {
  lastDownload_ = std::make_unique<DownloadResult>(result);
  DownloadTotal = result.total;
  if (downloadLoop_) downloadLoop_->quit();
}

void TFrmMain::ShowDownloadEnd() {
  const DownloadResult result = lastDownload_ ? *lastDownload_ : DownloadResult{};
  DownloadPhase = 1;
  if (!result.failure.empty()) {
    ShowInfo(result.failure);
    EndDownloadState();
    // A pulled cable stops the command at the next port; records are left in the meter,
    // and the user must hear how many were read (and how many the database could not take).
    if (result.LeftRecordsBehind()) ShowInfo(result.SummaryText());
    SendToClinicDatabase();
    return;
  }
  EndDownloadState();
  // The end of the session stops the download without a word: the program is quitting.
  if (sessionEnding_) return;
  if (!result.portsFound) {
    // Told once the command has returned, as a notice of its own.
    QTimer::singleShot(0, this, [] { ShowInfo("Meter is not ready! Please check the power and cable!"); });
    return;
  }
  ShowInfo(result.SummaryText());
  SendToClinicDatabase();
}

void TFrmMain::FinishDownload() {
  if (!DownloadRunning()) return;
  downloader_->Stop();
  // The downloader may wait for this thread to store its record in hand, or to show one
  // of its boxes: serve events until it has ended.
  while (DownloadRunning()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
}

}  // namespace movra
