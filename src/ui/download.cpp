// The Download command: every USB-to-UART port is read first at 4800 and then at 9600
// baud (a port whose meter answered at 4800 only once), one transfer at a time, while the
// window keeps serving its events.
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QAction>
#include <set>
#include <stdexcept>

#include "app/config.h"
#include "app/dialogs.h"
#include "app/folders.h"
#include "app/trace.h"
#include "comm/usb_comm_list.h"
#include "meter/download_summary_text.h"
#include "meter/hb_meter.h"
#include "ui/data_list_view.h"
#include "ui/download_state.h"
#include "ui/frm_main.h"
#include "ui/port_failure_text.h"
#include "ui/result_data.h"
#include "ui/screen_cursor.h"
#include "ui/status_panels.h"

namespace movra {

namespace {

// The application is quitting while a transfer runs: the command stops without a word.
struct DownloadAbandoned {};

// The integer conversion's own message for a port entry that is no number.
std::string NotAnIntegerMessage(const std::string& text) { return "'" + text + "' is not a valid integer value"; }

// How the transfers of the current command ended, for the summary's second line.
DownloadOutcome gDownloadOutcome;

}  // namespace

std::string TFrmMain::SummaryText(int32_t notSaved) {
  return DownloadSummaryText(DownloadTotal, gDownloadOutcome, notSaved, InvalidRecordCount());
}

void TFrmMain::CreateMeter() {
  Meter = std::make_unique<CHBMeter>();
  // No parity, 8 data bits, 1 stop bit: the ordinals 0, 3 and 0.
  Meter->SetPort(GlobalOption.CommOption.Port, GlobalOption.CommOption.BaudRate, 0, 3, 0);
  SetTransferCount(0);
}

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
  // A file that takes no rows would let the meter see every record acknowledged while none
  // is kept: refuse before the meter is asked for anything.
  if (!DatabaseWritable()) return;
  if (ResultRowCount() > 0) {
    if (AskWarning("New data will overwrite the old records, continue ?") != IDYES) return;
    ClearData();
  }
  PrepareFolders(ExeDir);
  DownloadPhase = 1;
  DownloadTotal = 0;
  gDownloadOutcome = DownloadOutcome{};
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

  struct PhaseReset {
    int32_t& phase;
    ~PhaseReset() { phase = 1; }
  } phaseReset{DownloadPhase};

  GetUSBCommList(UsbPorts);
  statbar->repaint();

  try {
    if (UsbPorts.empty()) {
      // Reported by the transfer-end handler once this command has returned.
      window_->post(WM_TRANSFER_END, 1, 0);
    } else {
      SetPanel(4, "");
      BugMessage(">>>> 尝试波特率4800，下载pt1");
      // A meter speaks one speed: a port where one answered at 4800 is not read at 9600.
      std::set<std::string> portsWithMeter;
      size_t count = UsbPorts.size();
      for (size_t i = 0; i < count; ++i) {
        std::string entry = i < UsbPorts.size() ? UsbPorts[i] : std::string();
        if (RunPortStep(i, 4800, ",4800")) portsWithMeter.insert(entry);
      }

      Downloading = true;
      SetMenuState(false);
      SetHourglassCursor();
      BugMessage(">>>> 尝试波特率9600，下载pt2");
      SetPanel(4, "");
      count = UsbPorts.size();
      for (size_t i = 0; i < count; ++i)
        if (i >= UsbPorts.size() || !portsWithMeter.count(UsbPorts[i])) RunPortStep(i, 9600, ",9600");
      DownloadPhase = 2;
    }
    SetMenuState(true);
    SetDefaultCursor();
    tmrWaiting->stop();
    Downloading = false;
    SetPanel(0, "");
    SetPanel(1, "");
    SetPanel(2, "");
    SetPanel(4, "");
    // The summary speaks of the ports this command read; the list then shows what is there now.
    bool portsRead = !UsbPorts.empty();
    RereadPortsChangedInTransfer();
    if (portsRead) ShowInfo(SummaryText(UnsavedRecordCount()));
  } catch (const DownloadAbandoned&) {
    EndDownloadState();
  } catch (const std::exception& e) {
    ShowInfo(e.what());
    BugMessage(e.what());
    EndDownloadState();
    // A pulled cable stops the command at the next port; records are left in the meter,
    // and the user must hear how many were read (and how many the database could not take).
    int32_t unsaved = UnsavedRecordCount();
    if (gDownloadOutcome.incomplete || unsaved > 0 || InvalidRecordCount() > 0)
      ShowInfo(SummaryText(unsaved));
  }
}

bool TFrmMain::RunPortStep(size_t index, int rate, const char* suffix) {
  if (sessionEnding_) throw DownloadAbandoned{};
  // The list may have been rebuilt by a device change between two transfers.
  if (index >= UsbPorts.size()) throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  const std::string& entry = UsbPorts[index];
  std::string rest = entry.size() > 3 ? entry.substr(3) : std::string();
  std::optional<int> parsed = ParsePortNumber(rest);
  if (!parsed) throw std::runtime_error(NotAnIntegerMessage(rest));
  int port = *parsed;
  std::string portText = std::to_string(port);

  SetPanel(0, "Reading COM" + portText);
  SetPanel(2, ">>COM " + portText + suffix);
  Meter->SetPort(port, rate, 0, 3, 0);
  if (Meter->IsRunning()) {
    BugMessage("上次线程运行中，请稍等再试试！");
    SetPanel(0, "Reading thread is running, please wait.");
    return false;
  }
  Meter->NotifyWindow = Handle();
  if (!Meter->StartComm()) {
    BugMessage("Com " + portText + " open error! Please check it!");
    const TComm& comm = Meter->Comm();
    if (comm.LastFailure() != PortFailure::None || !comm.LastFailureText().empty())
      BugMessage("Com " + portText + ": " + comm.PortOpenError() + " " + comm.LastFailureText());
    throw std::runtime_error(PortOpenFailureMessage(port, comm.LastFailure()));
  }
  WaitWhileTransferRuns();
  if (abandonWait_ || sessionEnding_) throw DownloadAbandoned{};
  return Meter->MeterAnswered();
}

void TFrmMain::WMMeterState(const Message& m) { ExpectedCount = static_cast<int32_t>(m.lParam); }

void TFrmMain::WMMeterRecords(const Message&) {
  StoreMeterRecords();
}

void TFrmMain::WMTransferEnd(const Message& m) {
  BugMessage("Main Received Transfer End Message");
  DownloadTotal += TransferCount();
  SetTransferCount(0);
  // The command's own notice that there is no port ended no transfer.
  bool ownNotice = m.wParam == 1 && m.lParam == 0;
  if (!ownNotice && Meter) gDownloadOutcome.Add(Meter->LastTransferOutcome());
  if (DownloadPhase == 2) {
    BugMessage("========第二阶段，弹出对话框！");
    ShowInfo(SummaryText(UnsavedRecordCount()));
  }
  if (ownNotice) ShowInfo("Meter is not ready! Please check the power and cable!");
}

}  // namespace movra
