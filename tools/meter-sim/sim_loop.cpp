#include "sim_loop.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace movra::sim {

namespace {
using Clock = PacedOutput::Clock;
// A command that stays incomplete this long will not be completed any more.
constexpr auto kPartialCommandLimit = std::chrono::milliseconds(1000);
// The host's speed changes are looked for at least this often.
constexpr auto kSpeedPoll = std::chrono::milliseconds(50);
}  // namespace

SimLoop::SimLoop(const SimOptions& options, const std::vector<SimRecord>& records, PtyLine& line, DevicePlug& plug,
                 Journal& journal, int signalFd)
    : options_(options),
      line_(line),
      plug_(plug),
      journal_(journal),
      signalFd_(signalFd),
      conversation_(options, records),
      output_(options.pace) {}

bool SimLoop::Answers(int baud) const {
  return (baud == 4800 && options_.answers4800) || (baud == 9600 && options_.answers9600);
}

void SimLoop::NoteSpeed(int baud, bool bytesArrived) {
  bool changed = baud != lastBaud_;
  lastBaud_ = baud;
  // Once per open of the port: at the first speed change or the first command.
  if ((changed && hostOpens_ > 0) || (bytesArrived && !openNoted_) || (changed && bytesArrived)) {
    journal_.Write("open " + std::to_string(baud));
    openNoted_ = true;
  }
}

void SimLoop::HandleInput(const Bytes& bytes, int baud) {
  // At another speed the meter only sees garbage on its line, and says nothing.
  if (!Answers(baud)) {
    reader_.Reset();
    return;
  }
  bool wasPending = reader_.Pending();
  std::vector<CommandReader::Piece> pieces;
  reader_.Feed(bytes, pieces);
  for (const auto& piece : pieces) {
    if (!piece.frame) {
      journal_.Write("badcmd " + ToHex(piece.bytes));
      continue;
    }
    Reaction r = conversation_.OnCommand(piece.bytes);
    for (const auto& line : r.journal) journal_.Write(line);
    if (r.dropPendingOutput) output_.Clear();
    for (const auto& step : r.steps) output_.Push(step);
  }
  if (reader_.Pending() && (!wasPending || !pieces.empty())) partialSince_ = Clock::now();
}

void SimLoop::HandleHostClosed() {
  journal_.Write("close");
  output_.Clear();
  reader_.Reset();
  conversation_.Reset();
  line_.ForgetHost();
  openNoted_ = false;
}

SimLoop::Outcome SimLoop::HandleSignals() {
  unsigned char signo;
  Outcome outcome = Outcome::Continue;
  while (read(signalFd_, &signo, 1) == 1) {
    // SIGUSR1 pulls the cable; the others end the simulator. Both unplug first.
    if (signo == SIGUSR1 || signo == SIGTERM || signo == SIGINT || signo == SIGHUP) outcome = Outcome::Quit;
  }
  return outcome;
}

SimLoop::Outcome SimLoop::HandleHostEvents() {
  for (auto e : line_.ReadHostEvents()) {
    if (e == PtyLine::HostEvent::Opened) {
      if (hostOpens_++ == 0) openNoted_ = false;
      continue;
    }
    if (hostOpens_ == 0 || --hostOpens_ > 0) continue;
    // What the host wrote just before closing still counts.
    Bytes last;
    line_.Read(last);
    if (!last.empty()) {
      int baud = line_.Baud();
      NoteSpeed(baud, true);
      HandleInput(last, baud);
    }
    HandleHostClosed();
    if (options_.once) return Outcome::Quit;
  }
  return Outcome::Continue;
}

void SimLoop::Unplug() {
  plug_.Unplug();
  line_.Close();
  journal_.Write("unplug");
}

int SimLoop::Run() {
  lastBaud_ = line_.Baud();
  bool waitWritable = false;
  int exitCode = 0;
  for (;;) {
    auto now = Clock::now();
    int baud = line_.Baud();
    auto wake = now + kSpeedPoll;
    if (!waitWritable)
      if (auto due = output_.NextDue(baud, now)) wake = std::min(wake, *due);
    if (reader_.Pending()) wake = std::min(wake, partialSince_ + kPartialCommandLimit);
    auto wait = std::max(wake - now, Clock::duration::zero());
    timespec ts{};
    ts.tv_sec = std::chrono::duration_cast<std::chrono::seconds>(wait).count();
    ts.tv_nsec = long(std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count() % 1'000'000'000);

    pollfd fds[3] = {{signalFd_, POLLIN, 0},
                     {line_.WatchFd(), POLLIN, 0},
                     {line_.MasterFd(), short(POLLIN | (waitWritable ? POLLOUT : 0)), 0}};
    int n = ppoll(fds, 3, &ts, nullptr);
    if (n < 0 && errno != EINTR) {
      std::fprintf(stderr, "movra-meter-sim: poll: %s\n", std::strerror(errno));
      exitCode = 1;
      break;
    }
    if (HandleSignals() == Outcome::Quit) break;
    // Opens first: the host opens the port before it writes to it.
    if (HandleHostEvents() == Outcome::Quit) break;

    Bytes in;
    if (!line_.Read(in)) {
      std::fprintf(stderr, "movra-meter-sim: the line went away\n");
      exitCode = 1;
      break;
    }
    baud = line_.Baud();
    NoteSpeed(baud, !in.empty());
    if (!in.empty()) HandleInput(in, baud);

    now = Clock::now();
    if (reader_.Pending() && now - partialSince_ >= kPartialCommandLimit) {
      std::vector<CommandReader::Piece> pieces;
      reader_.Expire(pieces);
      for (const auto& p : pieces) journal_.Write("badcmd " + ToHex(p.bytes));
    }

    auto progress =
        output_.Run([this](const char* b, size_t len) { return line_.Write(b, len); }, baud, now);
    for (const auto& line : progress.done) journal_.Write(line);
    waitWritable = progress.lineFull;
    if (progress.unplug) break;
    if (progress.lineGone) {
      std::fprintf(stderr, "movra-meter-sim: cannot write to the line\n");
      exitCode = 1;
      break;
    }
  }
  Unplug();
  return exitCode;
}

}  // namespace movra::sim
