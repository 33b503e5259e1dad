// The window's controls: tool bar, menu, the page controls holding the data list, the
// status bar and the timer.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QIcon>
#include <QPixmap>
#include <QStyle>
#include <QVBoxLayout>

#include "report_print/report_texts.h"
#include "ui/command_guard.h"
#include "ui/data_list_view.h"
#include "ui/frm_main.h"
#include "ui/pictures.h"
#include "ui/status_panels.h"

namespace movra {

namespace {

QToolButton* makeToolButton(QToolBar* bar, const char* name, const char* caption, const char* hint,
                            const char* picture) {
  auto* b = new QToolButton(bar);
  b->setObjectName(name);
  b->setText(caption);
  b->setToolTip(hint);
  // The hint reaches status-bar panel 0 as the button's status tip.
  b->setStatusTip(hint);
  b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  b->setIconSize(QSize(48, 48));
  b->setFixedSize(68, 68);
  b->setAutoRaise(true);  // a flat tool bar
  // The captions fit under the picture inside the 68-pixel button.
  QFont f = b->font();
  f.setPixelSize(10);
  b->setFont(f);
  // A flat button draws no focus of its own: the frame shows where Tab and Space act.
  b->setStyleSheet(
      "QToolButton { padding: 0px; border: 2px solid transparent; border-radius: 3px; }"
      "QToolButton:hover { border-color: palette(mid); }"
      "QToolButton:focus { border-color: palette(highlight); }");
  b->setFocusPolicy(Qt::TabFocus);
  b->setIcon(QIcon(LoadPicture(picture, QSize(48, 48))));
  bar->addWidget(b);
  return b;
}

}  // namespace

void TFrmMain::BuildLayout() {
  setObjectName("FrmMain");
  QFont f("MS Sans Serif");
  f.setPointSize(8);
  setFont(f);

  MainToolBar = new QToolBar("MainToolBar", this);
  MainToolBar->setObjectName("MainToolBar");
  MainToolBar->setMovable(false);
  MainToolBar->setFloatable(false);
  MainToolBar->setIconSize(QSize(48, 48));
  MainToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
  addToolBar(Qt::TopToolBarArea, MainToolBar);
  btnDownload = makeToolButton(MainToolBar, "btnDownload", "Download", "Download data", pic::Download);
  // Beside Download and only while a download runs, so the idle tool bar stays as it is.
  btnStop = makeToolButton(MainToolBar, "btnStop", "Stop", "Stop the download; the records read so far are kept",
                           pic::Download);
  // The style's stop sign, drawn as large as the other buttons' pictures.
  QPixmap stopSign = style()->standardIcon(QStyle::SP_BrowserStop).pixmap(48, 48);
  btnStop->setIcon(QIcon(stopSign.scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  stopAction_ = MainToolBar->actions().last();
  stopAction_->setVisible(false);
  MainToolBar->addSeparator();
  btnClearData = makeToolButton(MainToolBar, "btnClearData", "Clear Data", "Clear the data", pic::ClearData);
  btnExpExcel = makeToolButton(MainToolBar, "btnExpExcel", "Export Excel", "Export data to excel", pic::ExportExcel);
  btnHis = makeToolButton(MainToolBar, "btnHis", "Export Txt", "Export data to txt", pic::ExportTxt);
  btnReport = makeToolButton(MainToolBar, "btnReport", "Report", "INR report of the ticked results", pic::Report);
  btnHistory = makeToolButton(MainToolBar, "btnHistory", "History", "Kept results of a patient over a period",
                              pic::History);
  btnHistory->setAccessibleName(Tr("History"));
  btnExit = makeToolButton(MainToolBar, "btnExit", "Exit", "Exit the software", pic::Exit);
  btnAbout = makeToolButton(MainToolBar, "btnAbout", "About", "About the software", pic::About);
  connect(btnDownload, &QToolButton::clicked, this, [this] { RunCommand([this] { btnDownloadClick(); }); });
  connect(btnStop, &QToolButton::clicked, this, [this] { RunCommand([this] { mniStopClick(); }); });
  connect(btnClearData, &QToolButton::clicked, this, [this] { RunCommand([this] { btnClearDataClick(); }); });
  connect(btnExpExcel, &QToolButton::clicked, this, [this] { RunCommand([this] { btnExpExcelClick(0); }); });
  connect(btnHis, &QToolButton::clicked, this, [this] { RunCommand([this] { btnExpExcelClick(1); }); });
  connect(btnReport, &QToolButton::clicked, this, [this] { RunCommand([this] { btnReportClick(); }); });
  connect(btnHistory, &QToolButton::clicked, this, [this] { RunCommand([this] { btnHistoryClick(); }); });
  connect(btnExit, &QToolButton::clicked, this, [this] { RunCommand([this] { btnExitClick(); }); });
  connect(btnAbout, &QToolButton::clicked, this, [this] { RunCommand([this] { mniAboutClick(); }); });

  mnuFile = menuBar()->addMenu("&File");
  mnuFile->setObjectName("mnuFile");
  mniStartCom = mnuFile->addAction("&Download", this, [this] { RunCommand([this] { mniStartComClick(); }); });
  mniStop = mnuFile->addAction("&Stop", this, [this] { RunCommand([this] { mniStopClick(); }); });
  mniStop->setEnabled(false);
  mniStop->setObjectName("mniStop");
  mnuClearData = mnuFile->addAction("C&lear Data", this, [this] { RunCommand([this] { mnuClearDataClick(); }); });
  mnuExportExcel = mnuFile->addAction("&Export Excel", this, [this] { RunCommand([this] { mnuExportExcelClick(); }); });
  mnuExportTxt = mnuFile->addAction("Export &Txt", this, [this] { RunCommand([this] { mnuExportTxtClick(); }); });
  mnuReport = mnuFile->addAction("&Report...", this, [this] { RunCommand([this] { mnuReportClick(); }); });
  mnuHistory = mnuFile->addAction("&History...", this, [this] { RunCommand([this] { mnuHistoryClick(); }); });
  mnuPatients = mnuFile->addAction("&Patients...", this, [this] { RunCommand([this] { mnuPatientsClick(); }); });
  mnuBackup = mnuFile->addAction("&Backup...", this, [this] { RunCommand([this] { mnuBackupClick(); }); });
  mnuFile->addSeparator();
  mniExit = mnuFile->addAction("E&xit", this, [this] { RunCommand([this] { mniExitClick(); }); });
  mniHelp = menuBar()->addMenu("&Help");
  mniHelp->setObjectName("mniHelp");
  mniContent = mniHelp->addAction("Content...", this, [this] { RunCommand([this] { mniContentClick(); }); });
  mniAbout = mniHelp->addAction("&About...", this, [this] { RunCommand([this] { mniAboutClick(); }); });
  // The File menu's commands without the mouse; the menu shows each beside its caption.
  mniStartCom->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
  mnuExportExcel->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  mnuExportTxt->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
  mnuReport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  mnuHistory->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  mnuPatients->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  mnuBackup->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
  mniExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  mniStartCom->setObjectName("mniStartCom");
  mnuClearData->setObjectName("mnuClearData");
  mnuExportExcel->setObjectName("mnuExportExcel");
  mnuExportTxt->setObjectName("mnuExportTxt");
  mnuReport->setObjectName("mnuReport");
  mnuHistory->setObjectName("mnuHistory");
  mnuPatients->setObjectName("mnuPatients");
  mnuBackup->setObjectName("mnuBackup");
  // The menu items are usable exactly when the Export Txt button is (all are off during a
  // download), and so is the Report button.
  btnHis->installEventFilter(this);
  mniContent->setShortcut(QKeySequence(Qt::Key_F1));
  mniContent->setShortcutContext(Qt::WindowShortcut);
  mniExit->setObjectName("mniExit");
  mniContent->setObjectName("mniContent");
  mniAbout->setObjectName("mniAbout");

  auto* client = new QWidget(this);
  auto* column = new QVBoxLayout(client);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  MainPage = new QTabWidget(client);
  MainPage->setObjectName("MainPage");
  Page5 = new QWidget(MainPage);
  Page5->setObjectName("Page5");
  MainPage->addTab(Page5, QString());
  auto* pageLayout = new QVBoxLayout(Page5);
  pageLayout->setContentsMargins(0, 0, 0, 0);

  PgDataList = new QTabWidget(Page5);
  PgDataList->setObjectName("PgDataList");
  PgDataList->setTabPosition(QTabWidget::South);
  QFont pf("Arial");
  pf.setPixelSize(14);
  PgDataList->setFont(pf);
  tsDataList = new QWidget(PgDataList);
  tsDataList->setObjectName("tsDataList");
  PgDataList->addTab(tsDataList, "Data List");
  pageLayout->addWidget(PgDataList);

  auto* listLayout = new QVBoxLayout(tsDataList);
  listLayout->setContentsMargins(0, 0, 0, 0);
  GridDataList = new DataListView(tsDataList);
  GridDataList->setObjectName("GridDataList");
  listLayout->addWidget(GridDataList);

  column->addWidget(MainPage, 1);
  statbar = new StatusPanels(5, 50, client);
  statbar->setObjectName("statbar");
  column->addWidget(statbar);
  setCentralWidget(client);
  // Tab goes from the tool bar to the list and on to the status bar; inside the list the
  // arrows move the current row and Tab leaves it.
  GridDataList->setTabKeyNavigation(false);
  // The page controls show no tabs: they are no stop of their own.
  MainPage->setFocusPolicy(Qt::NoFocus);
  PgDataList->setFocusPolicy(Qt::NoFocus);
  setTabOrder(btnAbout, GridDataList);
  setTabOrder(GridDataList, statbar);
  setTabOrder(statbar, btnDownload);
  GridDataList->setAccessibleName(Tr("Data List"));
  GridDataList->setAccessibleDescription(Tr("Space ticks the current row, Ctrl+A ticks or clears all rows."));
  statbar->setAccessibleName(Tr("Status bar"));
  statbar->setPanelName(0, Tr("Messages"));
  statbar->setPanelName(1, Tr("USB serial ports"));
  statbar->setPanelName(2, Tr("Port and line speed"));
  statbar->setPanelName(3, Tr("Version"));
  statbar->setPanelName(4, Tr("Elapsed seconds"));
  // The port panel is a picture per port: a screen reader reads the port names.
  statbar->setPanelTextSource(1, [this] {
    QStringList ports;
    for (const std::string& p : UsbPorts) ports << QString::fromStdString(p);
    return ports.join(", ");
  });

  tmrWaiting = new QTimer(this);
  tmrWaiting->setObjectName("tmrWaiting");
  tmrWaiting->setInterval(1000);
  connect(tmrWaiting, &QTimer::timeout, this, [this] { RunCommand([this] { tmrWaitingTimer(); }); });

  // Design size of the client area, centred on the screen when shown.
  resize(1044, 631 + menuBar()->sizeHint().height());
}

}  // namespace movra
