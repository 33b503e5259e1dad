#include "sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sstream>
#include <thread>

namespace movra::test {

namespace {

using Clock = std::chrono::steady_clock;

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

SimProcess::SimProcess() = default;

SimProcess::~SimProcess() { stop(); }

bool SimProcess::start(std::vector<std::string> args, int timeoutMs) {
  stop();
  devicePath_.clear();
  lastError_.clear();
  exitCode_ = -1;
  if (!scratch_) scratch_ = std::make_unique<TempDir>();
  auto j = std::find(args.begin(), args.end(), "--journal");
  if (j != args.end() && j + 1 != args.end()) {
    journalPath_ = *(j + 1);
  } else {
    journalPath_ = scratch_->file("journal-" + std::to_string(Clock::now().time_since_epoch().count()) + ".txt");
    args.push_back("--journal");
    args.push_back(journalPath_);
  }

  const std::string program = BuildDir() + "/bin/movra-meter-sim";
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    lastError_ = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ < 0) {
    lastError_ = std::string("fork: ") + std::strerror(errno);
    close(out[0]);
    close(out[1]);
    return false;
  }
  if (pid_ == 0) {
    // A test that crashes must not leave simulators behind (the signal comes when the
    // thread that started us ends; tests start simulators from their main thread).
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);
    dup2(out[1], STDOUT_FILENO);
    // A port the test holds open must not stay open in the simulator: it watches who
    // closes its port.
    close_range(3, ~0U, 0);
    execv(program.c_str(), cargv.data());
    _exit(127);
  }
  close(out[1]);

  // The first line is the device path.
  std::string line;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  bool done = false;
  while (!done) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      lastError_ = "no device path from " + program + " within " + std::to_string(timeoutMs) + " ms";
      break;
    }
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, int(left)) < 0 && errno != EINTR) break;
    char c;
    ssize_t n = read(out[0], &c, 1);
    if (n == 1) {
      if (c == '\n') done = true;
      else line += c;
    } else if (n == 0) {
      lastError_ = program + " ended before printing its device path";
      break;
    } else if (errno != EINTR && errno != EAGAIN) {
      lastError_ = std::string("read: ") + std::strerror(errno);
      break;
    }
  }
  close(out[0]);
  if (!done) {
    stop();
    return false;
  }
  devicePath_ = line;
  return true;
}

bool SimProcess::reap(bool block) {
  if (pid_ <= 0) return true;
  int status = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &status, block ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == 0) return false;
  exitCode_ = r == pid_ ? ExitCodeOf(status) : -1;
  pid_ = -1;
  return true;
}

bool SimProcess::running() { return !reap(false); }

SimProcess::Lines SimProcess::journalLines() const {
  Lines lines;
  if (journalPath_.empty()) return lines;
  std::istringstream in(ReadFileBytes(journalPath_));
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

bool SimProcess::waitForJournal(const std::function<bool(const Lines&)>& done, int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    bool ended = !running();
    if (done(journalLines())) return true;
    // An ended simulator writes nothing more.
    if (ended || Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool SimProcess::waitForJournal(const std::string& line, int timeoutMs) {
  return waitForJournal([&](const Lines& ls) { return std::find(ls.begin(), ls.end(), line) != ls.end(); },
                        timeoutMs);
}

int SimProcess::countJournal(const std::string& line) const {
  auto ls = journalLines();
  return int(std::count(ls.begin(), ls.end(), line));
}

int SimProcess::ackCount() const {
  auto ls = journalLines();
  return int(std::count_if(ls.begin(), ls.end(), [](const std::string& l) { return l.rfind("ack ", 0) == 0; }));
}

void SimProcess::unplug() {
  if (running()) kill(pid_, SIGUSR1);
}

int SimProcess::waitForExit(int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (running()) {
    if (Clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return exitCode_;
}

int SimProcess::stop() {
  if (running()) {
    kill(pid_, SIGTERM);
    if (waitForExit(5000) < 0 && pid_ > 0) {
      kill(pid_, SIGKILL);
      reap(true);
    }
  }
  return exitCode_;
}

}  // namespace movra::test
