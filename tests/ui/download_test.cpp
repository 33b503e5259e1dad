// The Download command against the meter simulator plugged into a device root of the
// test's own, and against ports that are missing or do not open.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QThread>
#include <atomic>
#include <QTimer>
#include <QToolButton>

#include "app/dialogs.h"
#include "comm/usb_comm_list.h"
#include "data/row_set.h"
#include "recording_presenter.h"
#include "sim_process.h"
#include "ui/data_list_view.h"
#include "ui/download_state.h"
#include "ui/frm_main.h"
#include "ui/screen_cursor.h"
#include "ui/status_panels.h"
#include "ui_test_env.h"

namespace movra::test {
namespace {

class DownloadTest : public StartedProgramTest {
 protected:
  void SetUp() override {
    StartedProgramTest::SetUp();
    program->window().show();
  }
  // The state of a window at rest.
  void expectIdle() {
    EXPECT_FALSE(Downloading);
    EXPECT_EQ(w().DownloadPhase, 1);
    EXPECT_TRUE(w().btnDownload->isEnabled());
    EXPECT_TRUE(w().btnExit->isEnabled());
    EXPECT_TRUE(w().mniStartCom->isEnabled());
    EXPECT_FALSE(w().tmrWaiting->isActive());
    EXPECT_FALSE(HourglassCursorShown());
    for (int panel : {0, 2, 4}) EXPECT_EQ(w().PanelText(panel), "") << "panel " << panel;
  }
};

TEST_F(DownloadTest, ReadsA4800MeterAndLeavesItsPortAloneAt9600) {
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--device-root", folder.deviceRoot(), "--generate", "5", "--serial", "PT00000042A"}))
      << sim.lastError();
  // Rows of an earlier download: the question comes first, Yes empties the table.
  AddResultRow(list(), "77", 2.5);

  struct Seen {
    bool downloading = false, buttonsOff = false, menuOff = false, timerOn = false, hourglass = false;
    std::string port;
  } seen;
  // While the transfer runs the window serves clicks: clearing and closing are refused.
  // The five records take at least 1.5 s after the start.
  QTimer::singleShot(1000, [&] {
    seen.downloading = Downloading;
    seen.buttonsOff = !w().btnDownload->isEnabled() && !w().btnClearData->isEnabled() && !w().btnExit->isEnabled() &&
                      !w().btnExpExcel->isEnabled() && !w().btnHis->isEnabled() && w().btnAbout->isEnabled();
    seen.menuOff = !w().mniStartCom->isEnabled() && !w().mniExit->isEnabled() && w().mniContent->isEnabled();
    seen.timerOn = w().tmrWaiting->isActive();
    seen.hourglass = HourglassCursorShown();
    seen.port = w().PanelText(2);
    w().btnClearDataClick();
    w().close();
  });
  // The progress line counts the stored records against the meter's own count, the first
  // record's number.
  std::string progress;
  QTimer progressWatch;
  QObject::connect(&progressWatch, &QTimer::timeout, [&] {
    std::string text = w().PanelText(0);
    if (text.rfind("Reading PT", 0) == 0) progress = text;
  });
  progressWatch.start(20);
  boxes->expect("New data will overwrite the old records, continue ?", IDYES);
  boxes->expect("You can't clear the data while downloading process!");
  boxes->expect("You can't exit the software while downloading process!");
  boxes->expect("Finished transfering. Total records: 5! ");
  w().btnDownload->click();

  EXPECT_TRUE(seen.downloading);
  EXPECT_TRUE(seen.buttonsOff);
  EXPECT_TRUE(seen.menuOff);
  EXPECT_TRUE(seen.timerOn);
  EXPECT_TRUE(seen.hourglass);
  EXPECT_EQ(seen.port, ">>COM 1,4800");
  EXPECT_EQ(progress, "Reading PT00000042A(COM 1):  5 / 5");
  ASSERT_EQ(boxes->shown().size(), 4u);
  EXPECT_EQ(boxes->shown()[3].text, "Finished transfering. Total records: 5! ");
  EXPECT_EQ(boxes->shown()[3].caption, "Message");

  ASSERT_EQ(list().recordCount(), 5);
  for (int r = 0; r < 5; ++r) {
    EXPECT_TRUE(list().fieldAt(r, "fChecked").asBoolean()) << r;
    EXPECT_EQ(list().fieldAt(r, "fSN").asString(), "PT00000042A") << r;
  }
  EXPECT_EQ(w().GridDataList->model()->rowCount(), 5);
  EXPECT_EQ(CountTableRows(folder.databasePath()), 5);
  EXPECT_EQ(DownloadTotal, 5);
  expectIdle();
  EXPECT_TRUE(w().isVisible());

  std::string trace = ReadTrace(folder);
  EXPECT_EQ(CountOccurrences(trace, std::string(69, '-')), 1);
  EXPECT_EQ(CountOccurrences(trace, "开始启动下载... COM1"), 1);
  EXPECT_EQ(CountOccurrences(trace, ">>>> 尝试波特率4800，下载pt1"), 1);
  EXPECT_EQ(CountOccurrences(trace, ">>>> 尝试波特率9600，下载pt2"), 1);
  // The meter answered at 4800: its port is not read again at 9600.
  EXPECT_EQ(CountOccurrences(trace, "Main Received Transfer End Message"), 1);
  EXPECT_EQ(sim.countJournal("open 9600"), 0);
  EXPECT_EQ(CountOccurrences(trace, "========第二阶段"), 0);
  EXPECT_EQ(sim.ackCount(), 5);
}

// Counts the boxes asked for off the GUI thread; each box is still shown on the GUI thread,
// as the window program's presenter does, so a transfer thread asking would wait for it.
class GuiThreadPresenter : public DialogPresenter {
 public:
  explicit GuiThreadPresenter(std::shared_ptr<DialogPresenter> inner) : inner_(std::move(inner)) {}
  int present(const DialogRequest& r) override {
    if (QThread::currentThread() == qApp->thread()) return inner_->present(r);
    ++offGuiThread;
    int answer = IDCANCEL;
    QMetaObject::invokeMethod(qApp, [&] { answer = inner_->present(r); }, Qt::BlockingQueuedConnection);
    return answer;
  }
  std::atomic<int> offGuiThread{0};

 private:
  std::shared_ptr<DialogPresenter> inner_;
};

TEST_F(DownloadTest, ARejectedFrameIsToldOnceByTheWindowOnTheGuiThread) {
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--device-root", folder.deviceRoot(), "--generate", "3", "--bad-crc", "2"}))
      << sim.lastError();
  auto recording = CurrentDialogPresenter();
  auto gui = std::make_shared<GuiThreadPresenter>(recording);
  SetDialogPresenter(gui);
  boxes->expect("Record 2 CRC error! Please try again!");
  boxes->expect("Finished transfering. Total records: 1! ");
  w().btnDownloadClick();
  SetDialogPresenter(recording);
  EXPECT_EQ(gui->offGuiThread.load(), 0);
  ASSERT_EQ(boxes->shown().size(), 2u);
  EXPECT_EQ(boxes->shown()[0].text, "Record 2 CRC error! Please try again!");
  EXPECT_EQ(boxes->shown()[0].caption, "Error");
  EXPECT_EQ(boxes->shown()[0].style, MB_OK | MB_ICONERROR);
  EXPECT_EQ(list().recordCount(), 1);
  expectIdle();
}

TEST_F(DownloadTest, NoPortSaysTheMeterIsNotReadyAfterTheCommand) {
  boxes->expect("Meter is not ready! Please check the power and cable!");
  w().btnDownloadClick();
  // The command has returned at once; the message comes with the next turn of the loop.
  EXPECT_TRUE(boxes->shown().empty());
  expectIdle();
  ASSERT_TRUE(ProcessEventsUntil([&] { return !boxes->shown().empty(); }, 3000));
  ProcessEventsUntil([] { return false; }, 200);
  ASSERT_EQ(boxes->shown().size(), 1u);
  EXPECT_EQ(boxes->shown()[0].caption, "Message");
  EXPECT_EQ(w().UsbPorts.size(), 0u);
  std::string trace = ReadTrace(folder);
  EXPECT_EQ(CountOccurrences(trace, "下载pt1"), 0);
  EXPECT_EQ(list().recordCount(), 0);
}

TEST_F(DownloadTest, PortThatDoesNotOpenStopsTheCommandWithOneMessage) {
  // Listed by discovery, but its device node is gone: the open fails.
  MakeFakeUsbPort(folder.deviceRoot(), "ttyUSB2", "CP2102 USB to UART Bridge Controller", false);
  boxes->expect("Com 3 disconnected!, Please check the meter or cable!");
  w().btnDownloadClick();
  ProcessEventsUntil([] { return false; }, 300);
  ASSERT_EQ(boxes->shown().size(), 1u);
  EXPECT_EQ(boxes->shown()[0].text,
            "Com 3 disconnected!, Please check the meter or cable!\n"
            "The serial port does not exist (the cable may have been unplugged).");
  expectIdle();
  std::string trace = ReadTrace(folder);
  EXPECT_EQ(CountOccurrences(trace, "Com 3 open error! Please check it!"), 1);
  EXPECT_EQ(CountOccurrences(trace, "下载pt2"), 0);  // no second pass
  EXPECT_EQ(CountOccurrences(trace, "Main Received Transfer End Message"), 0);
}

TEST_F(DownloadTest, QuestionAnsweredNoChangesNothing) {
  AddResultRow(list(), "1", 2.5);
  std::string before = ReadTrace(folder);
  for (int answer : {IDNO, IDCANCEL}) {
    boxes->expect("New data will overwrite the old records, continue ?", answer);
    w().mniStartCom->trigger();
  }
  EXPECT_EQ(list().recordCount(), 1);
  EXPECT_EQ(ReadTrace(folder), before);
  expectIdle();
}

// Stop, the button beside Download: the transfer ends after its record in hand, every record
// the meter saw acknowledged is stored once, and the summary says that the rest is still in
// the meter. The button is there only while a download runs.
TEST_F(DownloadTest, StopKeepsEveryAcknowledgedRecordAndSaysTheRestIsInTheMeter) {
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--device-root", folder.deviceRoot(), "--generate", "60"})) << sim.lastError();
  EXPECT_FALSE(w().btnStop->isVisible());
  bool stopShown = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (sim.ackCount() < 3) return;
    watch.stop();
    stopShown = w().btnStop->isVisible() && w().mniStop->isEnabled();
    w().btnStop->click();
  });
  watch.start(20);
  boxes->expect("Finished transfering.");
  w().btnDownload->click();

  EXPECT_TRUE(stopShown);
  const int acked = sim.ackCount();
  ASSERT_GE(acked, 3);
  ASSERT_LT(acked, 60);
  EXPECT_EQ(list().recordCount(), acked);
  EXPECT_EQ(CountTableRows(folder.databasePath()), acked);
  ASSERT_EQ(boxes->shown().size(), 1u);
  const std::string read = std::to_string(acked);
  EXPECT_EQ(boxes->shown()[0].text, "Finished transfering. Total records: " + read +
                                        "! \nThe download is incomplete: " + read +
                                        " records were read. The records not read are still in the meter: connect it "
                                        "again and press Download.");
  expectIdle();
  // The tool bar hides the button as it lays itself out again.
  QCoreApplication::processEvents();
  EXPECT_FALSE(w().btnStop->isVisible());
  EXPECT_FALSE(w().mniStop->isEnabled());
  // The meter was not read again at 9600.
  EXPECT_EQ(sim.countJournal("open 9600"), 0);
}

TEST_F(DownloadTest, TimerCountsSecondsInPanelFour) {
  w().WaitTicks = 0;
  w().tmrWaitingTimer();
  EXPECT_EQ(w().PanelText(4), " 1");
  w().tmrWaitingTimer();
  EXPECT_EQ(w().PanelText(4), " 2");
}

}  // namespace
}  // namespace movra::test
