// The session ends during a download (a logout, a shutdown, a terminal closed, Ctrl+C):
// the whole program runs in a process of its own, downloading from the simulated meter,
// and is sent the signal the desktop sends. Every record the meter saw acknowledged must be
// in the database afterwards, and the program must end by itself.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <thread>

#include "fault_support.h"
#include "sim_process.h"
#include "ui/download_state.h"
#include "ui/frm_main.h"
#include "ui/startup.h"

namespace movra::test {
namespace {

// Set for the child process: the program folder it runs the program in.
constexpr const char* kProgramFolderVariable = "MOVRA_SESSION_END_PROGRAM";

// The child: the program's whole start-up and message loop, with Download clicked once
// the window is up. Its exit status is the program's.
TEST(SessionEndChild, RunsTheProgramAndDownloads) {
  const char* exeDir = std::getenv(kProgramFolderVariable);
  if (!exeDir) GTEST_SKIP() << "runs only as the child of the SessionEnd tests";
  ScopedPresenter boxes;
  boxes->allowAny();
  bool clicked = false;
  QTimer click;
  QObject::connect(&click, &QTimer::timeout, [&] {
    if (clicked || !FrmMain || !FrmMain->isVisible()) return;
    clicked = true;
    FrmMain->btnDownload->click();
  });
  click.start(50);
  int rc = RunMovra(*qApp, exeDir);
  click.stop();
  std::_Exit(clicked ? rc : 3);
}

struct SessionEndSignal {
  const char* name;
  int number;
};

const SessionEndSignal kSignals[] = {{"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}, {"SIGINT", SIGINT}};

void PrintTo(const SessionEndSignal& s, std::ostream* os) { *os << s.name; }

class SessionEndTest : public ::testing::TestWithParam<SessionEndSignal> {};

// The exit status of the child, or -1 when it has not ended within timeoutMs.
int WaitForChild(pid_t pid, int timeoutMs, int& status) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < until) {
    if (waitpid(pid, &status, WNOHANG) == pid) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

TEST_P(SessionEndTest, EveryAcknowledgedRecordIsStoredAndTheProgramEnds) {
  constexpr int kRecords = 30;
  ProgramFolder folder;
  const std::string records = folder.dir().file("records.txt");
  { std::ofstream(records) << MeterRecordsText(kRecords); }
  // Paced at the line speed, so the signal comes in the middle of the transfer.
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--device-root", folder.deviceRoot(), "--records", records})) << sim.lastError();

  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setenv(kProgramFolderVariable, folder.exeDir().c_str(), 1);
    // A session's signals reach the program with their default actions.
    signal(SIGHUP, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    execl("/proc/self/exe", "session_end_child", "--gtest_filter=SessionEndChild.*", static_cast<char*>(nullptr));
    _exit(127);
  }
  auto threeAcknowledged = [](const SimProcess::Lines& lines) {
    return std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("ack ", 0) == 0; }) >= 3;
  };
  bool midway = sim.waitForJournal(threeAcknowledged, 60000);
  int status = 0;
  if (!midway) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    FAIL() << "the download did not start";
  }
  kill(child, GetParam().number);
  if (WaitForChild(child, 60000, status) != 0) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    FAIL() << "the program did not end after " << GetParam().name;
  }
  EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  if (WIFEXITED(status)) {
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }

  std::vector<int> acked = AckedRecords(sim);
  ASSERT_LT(acked.size(), size_t(kRecords)) << "the transfer had ended before the signal";
  std::vector<int> stored = RecordNumbersOf(ReadStoredRows(folder.databasePath()));
  std::set<int> storedSet(stored.begin(), stored.end());
  EXPECT_EQ(storedSet.size(), stored.size()) << "a record stored twice";
  for (int n : acked) EXPECT_TRUE(storedSet.count(n)) << "acknowledged record " << n << " is not in the database";
}

INSTANTIATE_TEST_SUITE_P(Signals, SessionEndTest, ::testing::ValuesIn(kSignals),
                         [](const ::testing::TestParamInfo<SessionEndSignal>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace movra::test
