// Runs the meter simulator (build/bin/movra-meter-sim) as a child process for a test:
// starts it, hands out its device path, reads its journal, and ends it again.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace movra::test {

class SimProcess {
 public:
  using Lines = std::vector<std::string>;

  SimProcess();
  ~SimProcess();  // stop()
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Starts the simulator with these options and waits for its device path. A journal in a
  // scratch folder is added unless args name one. False (and nothing left running) when
  // it does not come up; the reason is in lastError().
  bool start(std::vector<std::string> args, int timeoutMs = 10000);
  const std::string& devicePath() const { return devicePath_; }
  const std::string& journalPath() const { return journalPath_; }
  const std::string& lastError() const { return lastError_; }
  pid_t pid() const { return pid_; }  // -1 once it has ended and been waited for

  Lines journalLines() const;
  // Waits until done(lines) holds; false on time-out or when the simulator has ended
  // without it holding.
  bool waitForJournal(const std::function<bool(const Lines&)>& done, int timeoutMs = 10000);
  bool waitForJournal(const std::string& line, int timeoutMs = 10000);
  int countJournal(const std::string& line) const;
  // Lines "ack N", any N.
  int ackCount() const;

  // Pulls the cable (SIGUSR1); the simulator unplugs and ends.
  void unplug();
  // Waits for the simulator to end by itself: its exit code, -1 when it still runs after
  // timeoutMs, 128+signal when a signal ended it.
  int waitForExit(int timeoutMs);
  // SIGTERM, then SIGKILL when it does not end within a few seconds; the exit code of the
  // last run (-1 when none has ended).
  int stop();
  bool running();

 private:
  bool reap(bool block);

  std::unique_ptr<TempDir> scratch_;
  pid_t pid_ = -1;
  int exitCode_ = -1;
  std::string devicePath_;
  std::string journalPath_;
  std::string lastError_;
};

}  // namespace movra::test
