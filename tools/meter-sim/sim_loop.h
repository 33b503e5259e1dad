// The simulator's one thread: waits on the line, the host's opens and closes, signals and
// the next byte due, and lets the meter conversation answer.
#pragma once
#include <vector>

#include "device_plug.h"
#include "journal.h"
#include "meter_conversation.h"
#include "paced_output.h"
#include "pty_line.h"
#include "sim_options.h"
#include "sim_records.h"

namespace movra::sim {

class SimLoop {
 public:
  SimLoop(const SimOptions& options, const std::vector<SimRecord>& records, PtyLine& line, DevicePlug& plug,
          Journal& journal, int signalFd);
  // Returns the exit code once the simulator is done (unplugged).
  int Run();

 private:
  enum class Outcome { Continue, Quit, Failed };
  Outcome HandleSignals();
  Outcome HandleHostEvents();
  void HandleInput(const Bytes& bytes, int baud);
  void HandleHostClosed();
  void NoteSpeed(int baud, bool bytesArrived);
  bool Answers(int baud) const;
  void Unplug();

  const SimOptions& options_;
  PtyLine& line_;
  DevicePlug& plug_;
  Journal& journal_;
  int signalFd_;
  MeterConversation conversation_;
  CommandReader reader_;
  PacedOutput output_;

  int hostOpens_ = 0;       // the host's descriptors on the slave
  bool openNoted_ = false;  // "open" already journaled for the host's current open
  int lastBaud_ = 0;
  PacedOutput::Clock::time_point partialSince_{};
};

}  // namespace movra::sim
