// The window's own commands (Clear Data, Exit, About, Help contents), the port panel of
// the status bar and the reaction to devices coming and going.
#include <QDir>
#include <QFileInfo>
#include <QPainter>

#include "app/config.h"
#include "app/dialogs.h"
#include "app/folders.h"
#include "app/help_guide.h"
#include "app/language.h"
#include "comm/usb_comm_list.h"
#include "comm/usb_device_change.h"
#include "meter/hb_meter.h"
#include "ui/download_state.h"
#include "ui/frm_about.h"
#include "ui/frm_main.h"
#include "ui/guide_opener.h"
#include "ui/grid_rules.h"
#include "ui/pictures.h"
#include "ui/result_data.h"
#include "ui/status_panels.h"

namespace movra {

void TFrmMain::btnClearDataClick() {
  if (Downloading) {
    ShowInfo("You can't clear the data while downloading process!");
    return;
  }
  if (AskWarning("Are you sure to clear the data?") == IDYES) ClearData();
}

void TFrmMain::btnExitClick() { close(); }

void TFrmMain::mniAboutClick() {
  if (FrmAbout) {
    ShowModal(*FrmAbout);
    return;
  }
  TFrmAbout about(this);
  ShowModal(about);
}

namespace {

// The designed message, with the guide's full path on a second line.
void ShowGuideNotOpened(const QString& path) {
  ShowInfo(std::string("Can not load pdf file. Please check if the pdf reader is installed!") + "\n" +
           QDir::toNativeSeparators(path).toStdString());
}

}  // namespace

void TFrmMain::mniContentClick() {
  const LanguageInfo* language = CurrentLanguage();
  std::string guide = HelpGuidePath(ExeDir, GlobalOption.LanguageID, language ? language->folder : std::string(),
                                    [](const std::string& p) { return QFileInfo(QString::fromStdString(p)).isFile(); });
  QString path = QDir::cleanPath(QFileInfo(QString::fromStdString(guide)).absoluteFilePath());
  // A missing guide is reported as the open action would have reported it.
  if (!QFileInfo(path).isFile() || OpenCommand.isEmpty()) {
    ShowGuideNotOpened(path);
    return;
  }
  OpenGuide(this, OpenCommand, path, [path] { ShowGuideNotOpened(path); });
}

void TFrmMain::DrawPortPanel(StatusPanels* bar, QPainter& p, int panel, const QRect& rect) {
  if (panel != 1) return;
  QColor face = bar->palette().color(QPalette::Button);
  p.setPen(face);
  p.setBrush(face);
  p.drawRect(rect.adjusted(0, 0, -1, -1));
  p.setPen(bar->palette().color(QPalette::ButtonText));
  for (const PortPanelItem& item : PortPanelLayout(UsbPorts, rect.left())) {
    p.drawPixmap(item.iconX, rect.top(), portIcon_);
    p.drawText(QRect(item.textX, rect.top(), 23, rect.height()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
               QString::fromStdString(item.text));
  }
}

void TFrmMain::WMDeviceChange(const Message& m) {
  DeviceChangeHooks hooks;
  hooks.usbPorts = &UsbPorts;
  hooks.isRunning = [this] { return DownloadRunning(); };
  hooks.setStatusText = [this](const std::string& text) { SetPanel(0, text); };
  hooks.redrawStatusBar = [this] { statbar->repaint(); };
  hooks.tell = [](const Notice& n) { ShowNotice(n); };
  // The list stays as it is while a transfer runs; a cable pulled meanwhile must not leave
  // its port in the port panel once the download is over.
  if (DownloadRunning()) portsChangedInTransfer_ = true;
  HandleDeviceChange(m.wParam, hooks);
}

void TFrmMain::RereadPortsChangedInTransfer() {
  if (!portsChangedInTransfer_) return;
  portsChangedInTransfer_ = false;
  ShowNotice(QueryUSBComm(UsbPorts, false));
  statbar->repaint();
}

}  // namespace movra
