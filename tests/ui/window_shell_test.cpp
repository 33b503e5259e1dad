// The main window around the data list: start-up, layout, hints, the status bar, and the
// Exit, Clear Data, Help and About commands.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QPushButton>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QToolTip>
#include <filesystem>
#include <fstream>

#include "app/config.h"
#include "app/dialogs.h"
#include "data/row_set.h"
#include "recording_presenter.h"
#include "sim_process.h"
#include "ui/data_list_view.h"
#include "ui/download_state.h"
#include "ui/frm_about.h"
#include "ui/frm_main.h"
#include "ui/qt_presenter.h"
#include "ui/startup.h"
#include "ui/status_panels.h"
#include "ui_test_env.h"

namespace movra::test {
namespace {

namespace fs = std::filesystem;

class WindowTest : public ::testing::Test {
 protected:
  ProgramFolder folder;
};

TEST_F(WindowTest, StartsFromTheProgramFolderAndEmptiesTheTableWhenClosedWithYes) {
  {
    // Rows left by an earlier run.
    ScopedPresenter boxes;
    StartedProgram p(folder);
    AddResultRow(p.list(), "1", 2.5);
    AddResultRow(p.list(), "2", 3.1);
  }
  ASSERT_EQ(CountTableRows(folder.databasePath()), 2);

  ScopedPresenter boxes;
  boxes->expect("Are you sure to exit the program?", IDYES);
  std::string caption;
  int panelsSeen = 0;
  QTimer::singleShot(0, [&] {
    ASSERT_NE(FrmMain, nullptr);
    caption = FrmMain->windowTitle().toStdString();
    panelsSeen = FrmMain->statbar->panelCount();
    FrmMain->close();
  });
  QApplication::setQuitOnLastWindowClosed(true);
  int rc = RunMovra(*qApp, folder.exeDir());
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(caption, "Movra Management Software");
  EXPECT_EQ(panelsSeen, 5);
  EXPECT_EQ(CountTableRows(folder.databasePath()), 0);
  // The data module has let go of the database: its lock file is gone.
  EXPECT_FALSE(fs::exists(folder.exeDir() + "PTDATA/Data/MovraData1.ldb"));
}

TEST_F(WindowTest, LayoutAsDesigned) {
  ScopedPresenter boxes;
  StartedProgram p(folder);
  TFrmMain& w = p.window();
  w.show();
  // Wide enough for the whole tool bar whatever the screen.
  w.resize(1044, 631);
  QToolButton* buttons[] = {w.btnDownload, w.btnClearData, w.btnExpExcel, w.btnHis,
                            w.btnReport,   w.btnHistory,   w.btnExit,     w.btnAbout};
  const char* captions[] = {"Download", "Clear Data", "Export Excel", "Export Txt", "Report", "History", "Exit", "About"};
  const char* hints[] = {"Download data", "Clear the data", "Export data to excel", "Export data to txt",
                         "INR report of the ticked results", "Kept results of a patient over a period",
                         "Exit the software", "About the software"};
  int lastX = -1;
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(captions[i]);
    EXPECT_EQ(buttons[i]->text().toStdString(), captions[i]);
    EXPECT_EQ(buttons[i]->statusTip().toStdString(), hints[i]);
    EXPECT_EQ(buttons[i]->size(), QSize(68, 68));
    EXPECT_EQ(buttons[i]->iconSize(), QSize(48, 48));
    EXPECT_EQ(buttons[i]->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_GT(buttons[i]->x(), lastX);
    lastX = buttons[i]->x();
  }
  QList<QAction*> file = w.mnuFile->actions();
  ASSERT_EQ(file.size(), 11);
  EXPECT_EQ(file[0]->text(), "&Download");
  // Stop, usable only while a download runs.
  EXPECT_EQ(file[1], w.mniStop);
  EXPECT_FALSE(w.mniStop->isEnabled());
  EXPECT_EQ(file[2]->text(), "C&lear Data");
  EXPECT_EQ(file[3]->text(), "&Export Excel");
  EXPECT_EQ(file[4], w.mnuExportTxt);
  EXPECT_EQ(file[5], w.mnuReport);
  EXPECT_EQ(file[5]->text(), "&Report...");
  EXPECT_EQ(file[6], w.mnuHistory);
  EXPECT_EQ(file[7], w.mnuPatients);
  EXPECT_EQ(file[8], w.mnuBackup);
  EXPECT_TRUE(file[9]->isSeparator());
  EXPECT_EQ(file[10]->text(), "E&xit");
  // The Export Txt and Report items and the Report button are off during a download, as
  // the export buttons are.
  w.SetMenuState(false);
  EXPECT_FALSE(w.mnuExportTxt->isEnabled());
  EXPECT_FALSE(w.mnuReport->isEnabled());
  EXPECT_FALSE(w.btnReport->isEnabled());
  for (QAction* a : {w.mnuHistory, w.mnuPatients}) EXPECT_FALSE(a->isEnabled());
  EXPECT_FALSE(w.btnHistory->isEnabled());
  // A backup is taken while the database is written.
  EXPECT_TRUE(w.mnuBackup->isEnabled());
  w.SetMenuState(true);
  EXPECT_TRUE(w.mnuExportTxt->isEnabled());
  EXPECT_TRUE(w.mnuReport->isEnabled());
  EXPECT_TRUE(w.btnReport->isEnabled());
  EXPECT_EQ(w.mniContent->shortcut(), QKeySequence(Qt::Key_F1));
  EXPECT_EQ(w.mnuFile->title(), "&File");
  EXPECT_EQ(w.mniHelp->title(), "&Help");
  EXPECT_EQ(w.mniContent->text(), "Content...");
  EXPECT_EQ(w.mniAbout->text(), "&About...");

  // The data list is shown without any tab.
  EXPECT_FALSE(w.MainPage->tabBar()->isVisible());
  EXPECT_FALSE(w.PgDataList->tabBar()->isVisible());
  EXPECT_EQ(w.PgDataList->tabText(0), "Data List");
  EXPECT_EQ(w.PgDataList->tabPosition(), QTabWidget::South);

  EXPECT_EQ(w.statbar->panelCount(), 5);
  // The program's own version and build date, in the designed spacing.
  EXPECT_EQ(w.PanelText(3), "Ver:  " MOVRA_EXPECTED_VERSION "-" MOVRA_EXPECTED_BUILD_DATE "    ");
  EXPECT_EQ(w.PanelText(2), "");
  EXPECT_EQ(w.windowTitle(), "Movra Management Software");
  EXPECT_EQ(w.CheckAllState, 1);
  EXPECT_EQ(w.DownloadPhase, 1);
  EXPECT_FALSE(Downloading);
  EXPECT_FALSE(w.tmrWaiting->isActive());
  EXPECT_EQ(w.tmrWaiting->interval(), 1000);
}

TEST_F(WindowTest, MissingPicturesAndIconDoNotStopTheWindow) {
  fs::remove_all(folder.exeDir() + "Image");
  ScopedPresenter boxes;
  StartedProgram p(folder);
  p.window().show();
  EXPECT_TRUE(p.window().isVisible());
  EXPECT_EQ(p.window().btnDownload->text(), "Download");
}

TEST_F(WindowTest, WindowIconComesFromTheConfiguredPathWithSlashes) {
  fs::create_directories(folder.exeDir() + "Image");
  QImage img(32, 32, QImage::Format_ARGB32);
  img.fill(Qt::red);
  ASSERT_TRUE(img.save(QString::fromStdString(folder.exeDir() + "Image/PTLogo.png"), "PNG"));
  folder.setIni("APPEARANCE", "Icon", "Image\\PTLogo.png");
  ScopedPresenter boxes;
  StartedProgram p(folder);
  p.window().show();
  EXPECT_FALSE(p.window().windowIcon().isNull());
}

TEST_F(WindowTest, HintOfTheButtonUnderTheMouseShowsInPanelZero) {
  ScopedPresenter boxes;
  StartedProgram p(folder);
  TFrmMain& w = p.window();
  w.show();
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(w.btnDownload, &enter);
  EXPECT_EQ(w.PanelText(0), "Download data");
  QApplication::sendEvent(w.btnExit, &enter);
  EXPECT_EQ(w.PanelText(0), "Exit the software");
}

TEST_F(WindowTest, PanelWidthsFollowAResize) {
  ScopedPresenter boxes;
  StartedProgram p(folder);
  TFrmMain& w = p.window();
  w.show();
  w.resize(700, 500);
  ASSERT_TRUE(ProcessEventsUntil([&] { return w.width() == 700; }, 3000));
  QCoreApplication::processEvents();
  int outer = w.frameGeometry().width();
  EXPECT_EQ(w.statbar->panelWidth(0), outer * 4 / 9);
  EXPECT_EQ(w.statbar->panelWidth(1), outer / 6);
  EXPECT_EQ(w.statbar->panelWidth(2), outer / 6);
  EXPECT_EQ(w.statbar->panelWidth(3), outer / 6);
  EXPECT_EQ(w.statbar->panelWidth(4), 50);
  // The columns fill the grid again.
  int sum = 0;
  for (int c = 0; c < 10; ++c) sum += w.GridDataList->columnWidth(c);
  EXPECT_EQ(sum, w.GridDataList->viewport()->width());
}

TEST_F(WindowTest, PortPanelDrawsAnIconAndANumberPerPort) {
  // A port icon that is easy to find: solid red.
  fs::create_directories(folder.exeDir() + "Image");
  QImage red(16, 16, QImage::Format_ARGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(red.save(QString::fromStdString(folder.exeDir() + "Image/port.png"), "PNG"));
  ScopedPresenter boxes;
  StartedProgram p(folder);
  TFrmMain& w = p.window();
  w.show();
  w.UsbPorts = {"COM3", "COM7", "COM12"};
  w.statbar->setPanelWidth(1, 200);
  QImage shot = w.statbar->grab().toImage();
  QRect panel = w.statbar->panelRect(1);
  auto isRed = [&](int x, int y) { return LogicalPixel(shot, x, y) == QColor(Qt::red); };
  // Inside the bevel the panel starts two pixels in; icons sit 40 pixels apart.
  int left = panel.left() + 2, top = 2;
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(isRed(left + 40 * i + 8, top + 8)) << "icon " << i;
    EXPECT_FALSE(isRed(left + 40 * i + 17 + 12, top + 8)) << "gap after icon " << i;
  }
  EXPECT_FALSE(isRed(left + 40 * 3 + 8, top + 8));  // no fourth port
}

// The port panel shows the cables plugged in, not meters: its tool tip says so, in the
// interface language; the text panels have none.
TEST_F(WindowTest, PortPanelSaysWhatItShowsInItsToolTip) {
  ScopedPresenter boxes;
  StartedProgram p(folder);
  TFrmMain& w = p.window();
  w.show();
  w.UsbPorts = {"COM1"};
  auto toolTipAt = [&](int panel) {
    QToolTip::hideText();  // it goes after a moment
    EXPECT_TRUE(ProcessEventsUntil([] { return !QToolTip::isVisible(); }, 5000));
    QPoint at = w.statbar->panelRect(panel).center();
    QHelpEvent help(QEvent::ToolTip, at, w.statbar->mapToGlobal(at));
    QApplication::sendEvent(w.statbar, &help);
    return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string();
  };
  EXPECT_EQ(toolTipAt(1),
            "USB serial cables plugged into this computer, by port number. A cable shows here while it is "
            "plugged in, whether or not a meter is on its other end.");
  for (int panel : {0, 2, 3}) EXPECT_EQ(toolTipAt(panel), "") << "panel " << panel;
  QToolTip::hideText();
}

TEST_F(WindowTest, ExitAnsweredNoKeepsTheWindowAndTheRows) {
  ScopedPresenter boxes;
  StartedProgram p(folder);
  AddResultRow(p.list(), "1", 2.5);
  p.window().show();
  for (int answer : {IDNO, IDCANCEL}) {
    boxes->expect("Are you sure to exit the program?", answer);
    p.window().btnExit->click();
    EXPECT_TRUE(p.window().isVisible());
    EXPECT_FALSE(p.window().Closed());
  }
  EXPECT_EQ(p.list().recordCount(), 1);
  boxes->expect("Are you sure to exit the program?", IDYES);
  p.window().mniExit->trigger();
  EXPECT_TRUE(p.window().Closed());
  EXPECT_EQ(p.list().recordCount(), 0);
  EXPECT_EQ(CountTableRows(folder.databasePath()), 0);
}

TEST_F(WindowTest, ExitAndClearDataAreRefusedWhileDownloading) {
  ScopedPresenter boxes;
  StartedProgram p(folder);
  AddResultRow(p.list(), "1", 2.5);
  p.window().show();
  Downloading = true;
  boxes->expect("You can't exit the software while downloading process!");
  p.window().close();
  boxes->expect("You can't clear the data while downloading process!");
  p.window().btnClearDataClick();
  boxes->expect("You can't export the data while downloading process!");
  p.window().btnExpExcelClick(1);
  // The File menu's Export Txt runs the same command.
  boxes->expect("You can't export the data while downloading process!");
  p.window().mnuExportTxt->trigger();
  boxes->expect("You can't make a report while downloading process!");
  p.window().btnReportClick();
  Downloading = false;
  EXPECT_TRUE(p.window().isVisible());
  EXPECT_EQ(p.list().recordCount(), 1);
  EXPECT_EQ(boxes->shown().size(), 5u);
}

TEST_F(WindowTest, ClearDataAsksFirst) {
  ScopedPresenter boxes;
  StartedProgram p(folder);
  AddResultRow(p.list(), "1", 2.5);
  AddResultRow(p.list(), "2", 2.6);
  boxes->expect("Are you sure to clear the data?", IDNO);
  p.window().btnClearData->click();
  EXPECT_EQ(p.list().recordCount(), 2);
  boxes->expect("Are you sure to clear the data?", IDYES);
  p.window().mnuClearData->trigger();
  EXPECT_EQ(p.list().recordCount(), 0);
  EXPECT_EQ(CountTableRows(folder.databasePath()), 0);
}

// A stand-in for the desktop's open command: notes the document it was given and exits
// with the given status.
std::string WriteFakeOpener(ProgramFolder& folder, int status) {
  std::string script = folder.dir().path() + "/fake-open-" + std::to_string(status);
  std::ofstream(script) << "#!/bin/sh\necho \"$1\" >> '" << folder.dir().path() << "/opened.txt'\nexit " << status << "\n";
  fs::permissions(script, fs::perms::owner_all);
  return script;
}

std::string ReadOpened(ProgramFolder& folder) {
  std::ifstream in(folder.dir().path() + "/opened.txt");
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool OpenersDone(TFrmMain& w) {
  for (QProcess* p : w.findChildren<QProcess*>())
    if (p->state() != QProcess::NotRunning) return false;
  return true;
}

TEST_F(WindowTest, HelpOpensTheGuideOfTheConfiguredLanguageOrSaysWhereItIs) {
  folder.setIni("LANGUAGE", "LanguageID", "2");
  const std::string guide = folder.exeDir() + "2/UserGuide.pdf";
  const std::string notOpened = "Can not load pdf file. Please check if the pdf reader is installed!";
  struct Case {
    const char* what;
    bool guidePresent;
    int openerStatus;  // -1: the open command does not exist
    bool opened;       // the command was given the guide
    bool message;      // the designed message with the guide's path under it
  };
  const Case cases[] = {
      {"a reader opens it", true, 0, true, false},
      {"no program can open it", true, 3, true, true},
      {"no open command", true, -1, false, true},
      {"no guide", false, 0, false, true},
  };
  ScopedPresenter boxes;
  StartedProgram p(folder);
  TFrmMain& w = p.window();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(folder.dir().path() + "/opened.txt");
    fs::create_directories(folder.exeDir() + "2");
    if (c.guidePresent)
      std::ofstream(guide) << "%PDF-1.4\n";
    else
      fs::remove(guide);
    w.OpenCommand = {QString::fromStdString(c.openerStatus < 0 ? folder.dir().path() + "/no-such-opener"
                                                               : WriteFakeOpener(folder, c.openerStatus))};
    size_t before = boxes->shown().size();
    if (c.message) boxes->expect(notOpened);
    w.mniContent->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return OpenersDone(w) && boxes->shown().size() == before + c.message; }, 10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(ReadOpened(folder), c.opened ? guide + "\n" : "");
    ASSERT_EQ(boxes->shown().size(), before + c.message);
    if (c.message) {
      EXPECT_EQ(boxes->shown().back().text, notOpened + "\n" + guide);
    }
  }
}

TEST_F(WindowTest, F1OpensTheUserGuide) {
  fs::create_directories(folder.exeDir() + "1");
  std::ofstream(folder.exeDir() + "1/UserGuide.pdf") << "%PDF-1.4\n";
  ScopedPresenter boxes;
  StartedProgram p(folder);
  TFrmMain& w = p.window();
  w.OpenCommand = {QString::fromStdString(WriteFakeOpener(folder, 0))};
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  QTest::keyClick(w.GridDataList, Qt::Key_F1);
  ASSERT_TRUE(ProcessEventsUntil([&] { return !ReadOpened(folder).empty() && OpenersDone(w); }, 10000));
  EXPECT_EQ(ReadOpened(folder), folder.exeDir() + "1/UserGuide.pdf\n");
}

TEST_F(WindowTest, MaximiseFillsTheScreenAndNormalKeepsTheDesignedSize) {
  ScopedPresenter boxes;
  StartedProgram p(folder);
  TFrmMain& w = p.window();
  w.show();
  QCoreApplication::processEvents();
  QScreen* screen = w.screen();
  ASSERT_NE(screen, nullptr);
  // The designed client area, limited to the screen.
  int menu = w.menuBar()->height();
  EXPECT_EQ(w.width(), std::min(1044, screen->geometry().width() - 20));
  EXPECT_EQ(w.height() - menu, std::min(631, screen->geometry().height() - 70));
  QSize normal = w.size();

  w.showMaximized();
  QRect avail = screen->availableGeometry();
  ASSERT_TRUE(ProcessEventsUntil([&] { return w.isMaximized() && w.frameGeometry().width() == avail.width(); }, 3000));
  QCoreApplication::processEvents();
  EXPECT_TRUE(w.isMaximized());
  EXPECT_TRUE(avail.contains(w.frameGeometry())) << w.frameGeometry().x() << "," << w.frameGeometry().y();
  EXPECT_EQ(w.frameGeometry().size(), avail.size());
  // The status bar is inside the window, at its bottom.
  EXPECT_EQ(w.statbar->mapTo(&w, QPoint(0, w.statbar->height())).y(), w.height());
  EXPECT_EQ(w.statbar->width(), w.width());

  w.showNormal();
  ASSERT_TRUE(ProcessEventsUntil([&] { return !w.isMaximized() && w.size() == normal; }, 3000));
}

// A message box as the program shows it: its flags, read while it is up.
Qt::WindowFlags FlagsOfBoxShown(const DialogRequest& request) {
  Qt::WindowFlags boxFlags;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      boxFlags = box->windowFlags();
      box->button(QMessageBox::Ok)->click();
    }
  });
  poll.start(10);
  QtPresenter::showNow(request);
  return boxFlags;
}

TEST_F(WindowTest, BoxesHaveNoMinimiseOrMaximiseButton) {
  ScopedPresenter boxes;
  StartedProgram p(folder);
  TFrmAbout about(&p.window());
  Qt::WindowFlags boxFlags = FlagsOfBoxShown(DialogRequest{"Data exported", "Message", MB_OK | MB_ICONINFORMATION});
  ASSERT_TRUE(boxFlags & Qt::Dialog);
  for (Qt::WindowFlags flags : {about.windowFlags(), boxFlags}) {
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  }
}

// Only a box asked to stay on top does so: the refusal of a second start, which the
// running copy's window must not hide.
TEST_F(WindowTest, BoxAskedToStayOnTopStaysOnTop) {
  for (uint32_t topmost : {0u, MB_TOPMOST}) {
    Qt::WindowFlags boxFlags = FlagsOfBoxShown(DialogRequest{"text", "warning", MB_OK | MB_ICONERROR | topmost});
    ASSERT_TRUE(boxFlags & Qt::Dialog);
    EXPECT_EQ(bool(boxFlags & Qt::WindowStaysOnTopHint), topmost != 0);
  }
}

TEST_F(WindowTest, AboutShowsTheBoxModally) {
  ScopedPresenter boxes;
  StartedProgram p(folder);
  TFrmAbout about(&p.window());
  p.window().FrmAbout = &about;
  int shown = 0;
  p.window().ShowModal = [&](QDialog& d) {
    ++shown;
    EXPECT_EQ(&d, &about);
  };
  p.window().btnAbout->click();
  p.window().mniAbout->trigger();
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(about.windowTitle(), "About...");
  EXPECT_EQ(about.lblTitle->text().toStdString(), GlobalOption.AboutTitle);
  EXPECT_EQ(about.lblVersion->text(), "VERSION:" MOVRA_EXPECTED_VERSION "(" MOVRA_EXPECTED_BUILD_DATE ")");
  EXPECT_EQ(about.btnOK->text(), "Close");
  // The designed width; the height ends under the Close button, the company's name
  // follows the notice without an empty band.
  EXPECT_EQ(about.width(), 453);
  EXPECT_LE(about.lblCompany->y() - about.lblWarning->geometry().bottom(), 12);
  EXPECT_LE(about.height() - about.btnOK->geometry().bottom(), 14);
  EXPECT_TRUE(about.rect().contains(about.btnOK->geometry()));
}

TEST_F(WindowTest, DeviceArrivalAndRemovalRefreshThePortList) {
  ScopedPresenter boxes;
  StartedProgram p(folder);
  TFrmMain& w = p.window();
  w.show();
  EXPECT_TRUE(w.UsbPorts.empty());
  // The adapter's sysfs entry first, then its device node: the node's arrival is noticed.
  MakeFakeUsbPort(folder.deviceRoot(), "ttyUSB1", "CP2102 USB to UART Bridge Controller", true);
  ASSERT_TRUE(ProcessEventsUntil([&] { return w.PanelText(0) == "USB device connected"; }, 5000));
  EXPECT_EQ(w.UsbPorts, std::vector<std::string>({"COM2"}));
  fs::remove(folder.deviceRoot() + "/sys/class/tty/ttyUSB1");
  fs::remove(folder.deviceRoot() + "/dev/ttyUSB1");
  ASSERT_TRUE(ProcessEventsUntil([&] { return w.PanelText(0) == "USB device disconnected"; }, 5000));
  EXPECT_TRUE(w.UsbPorts.empty());
}

TEST_F(WindowTest, CablePulledMidDownloadLeavesNoPortInThePortPanel) {
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--device-root", folder.deviceRoot(), "--generate", "30", "--generation", "4800"}))
      << sim.lastError();
  ScopedPresenter boxes;
  boxes->allowAny();
  StartedProgram p(folder);
  TFrmMain& w = p.window();
  w.show();
  ASSERT_EQ(w.UsbPorts.size(), 1u);
  // The cable comes out once the first records are in.
  QTimer pull;
  QObject::connect(&pull, &QTimer::timeout, [&] {
    if (p.list().recordCount() >= 2) {
      pull.stop();
      sim.unplug();
    }
  });
  pull.start(10);
  w.btnDownload->click();
  EXPECT_FALSE(pull.isActive()) << "the download ended before the cable was pulled";
  EXPECT_TRUE(ProcessEventsUntil([&] { return w.UsbPorts.empty(); }, 5000));
  EXPECT_FALSE(Downloading);
}

TEST_F(WindowTest, PortsPresentAtStartAreListed) {
  MakeFakeUsbPort(folder.deviceRoot(), "ttyUSB2", "CP2102 USB to UART Bridge Controller", true);
  ScopedPresenter boxes;
  StartedProgram p(folder);
  EXPECT_EQ(p.window().UsbPorts, std::vector<std::string>({"COM3"}));
  EXPECT_NE(ReadTrace(folder).find("Program started."), std::string::npos);
}

}  // namespace
}  // namespace movra::test
