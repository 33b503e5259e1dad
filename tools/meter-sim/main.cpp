// movra-meter-sim: a PT/INR meter on a pseudo-terminal, for the tests and for trying the
// program without the device. Run with --help for the options.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "device_plug.h"
#include "journal.h"
#include "pty_line.h"
#include "sim_loop.h"
#include "sim_options.h"
#include "sim_records.h"

namespace {

int g_signalWrite = -1;

void OnSignal(int signo) {
  unsigned char b = static_cast<unsigned char>(signo);
  [[maybe_unused]] ssize_t ignored = write(g_signalWrite, &b, 1);
}

// Signals become bytes on a pipe, so the main loop sees them in its poll.
int InstallSignals() {
  int fds[2];
  if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return -1;
  g_signalWrite = fds[1];
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  for (int s : {SIGTERM, SIGINT, SIGHUP, SIGUSR1}) sigaction(s, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
  return fds[0];
}

}  // namespace

int main(int argc, char** argv) {
  using namespace movra::sim;
  SimOptions options;
  std::vector<SimRecord> records;
  try {
    options = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help) {
      std::fputs(UsageText(), stdout);
      return 0;
    }
    if (!options.recordsFile.empty()) records = LoadRecordsFile(options.recordsFile);
    if (options.generate > 0) records = GenerateRecords(options.generate, options.countUp);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "movra-meter-sim: %s (see --help)\n", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "movra-meter-sim: %s\n", e.what());
    return 2;
  }

  int signalFd = InstallSignals();
  if (signalFd < 0) {
    std::perror("movra-meter-sim: pipe");
    return 1;
  }
  Journal journal;
  PtyLine line;
  DevicePlug plug(options.deviceRoot, options.usbIndex, options.product, options.link);
  try {
    journal.Open(options.journal);
    line.Open();
    plug.Plug(line.SlavePath());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "movra-meter-sim: %s\n", e.what());
    plug.Unplug();
    return 1;
  }
  // The first line of output is the device path; whoever started us waits for it.
  std::printf("%s\n", line.SlavePath().c_str());
  std::fflush(stdout);

  SimLoop loop(options, records, line, plug, journal, signalFd);
  return loop.Run();
}
