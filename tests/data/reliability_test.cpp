// A process killed in the middle of writing a batch leaves a readable database that holds
// all of that batch or none of it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "data/connection.h"
#include "data/connection_string.h"
#include "data/data_module.h"
#include "data/result_queries.h"
#include "data_fixture.h"
#include "recording_presenter.h"

namespace movra::test {
namespace {

constexpr int kRows = 40000;

// In the child: append kRows rows, say "ready", then write them in one batch.
[[noreturn]] void writeLargeBatch(const std::string& file, int readyFd) {
  try {
    TAdoConnection conn;
    conn.setConnectionString(BuildConnectionString(file));
    conn.open();
    RowSet q("qryCheckDataEntry");
    SetupCheckDataEntry(q, conn);
    q.open();
    for (int i = 0; i < kRows; ++i) {
      q.append();
      q.fieldByName("fPatientID").setAsInteger(-1000);
      q.fieldByName("fRecordNumber").setAsString(std::to_string(i));
      q.fieldByName("fSN").setAsString("SN-KILLED-MID-BATCH");
      q.fieldByName("fINR_v").setAsFloat(2.5);
      q.post();
    }
    char c = 'r';
    if (write(readyFd, &c, 1) != 1) _exit(3);
    q.updateBatch();
    _exit(0);
  } catch (...) {
    _exit(2);
  }
}

TEST(Reliability, AKillDuringABatchLeavesAllOrNothing) {
  DataFolder folder;
  const std::string journal = folder.dataFile() + "-journal";
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    writeLargeBatch(folder.dataFile(), fds[1]);
  }
  close(fds[1]);
  char c = 0;
  ASSERT_EQ(read(fds[0], &c, 1), 1) << "the child did not get to its batch";
  close(fds[0]);

  // The journal shows the transaction has begun writing; kill it then.
  bool sawJournal = false;
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < until) {
    if (access(journal.c_str(), F_OK) == 0) {
      sawJournal = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(sawJournal);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the batch finished before it could be interrupted";

  // Readable with the key, whole, and holding all of the batch or none of it.
  RawDb db(folder.dataFile());
  EXPECT_EQ(db.scalar("PRAGMA integrity_check"), FieldValue(std::string("ok")));
  int64_t n = db.count("Result_Log");
  EXPECT_TRUE(n == 0 || n == kRows) << n << " rows";

  // And the program opens it as usual afterwards.
  ScopedPresenter dialogs;
  TDM dm;
  EXPECT_TRUE(dm.OpenDatabase(folder.dataFile()));
}

}  // namespace
}  // namespace movra::test
