// The simulator's end of the serial line: a pseudo-terminal master. The host opens the
// slave; the simulator keeps a slave descriptor of its own so the host's close is not a
// hang-up, and watches the slave for the host's opens and closes.
#pragma once
#include <string>
#include <vector>

#include "meter_frames.h"

namespace movra::sim {

class PtyLine {
 public:
  enum class HostEvent { Opened, Closed };

  PtyLine() = default;
  ~PtyLine() { Close(); }
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  // Throws std::runtime_error with the system's text.
  void Open();
  void Close();
  bool IsOpen() const { return master_ >= 0; }

  const std::string& SlavePath() const { return slavePath_; }
  int MasterFd() const { return master_; }
  int WatchFd() const { return watch_; }

  // The speed the host set on its side, in baud (0 when unknown).
  int Baud() const;
  // Everything the host has written so far; false when the line is gone.
  bool Read(Bytes& out);
  // Bytes written, 0 when the line is full, -1 on error.
  long Write(const char* bytes, size_t n);
  // Opens and closes of the slave by anyone but us, in order.
  std::vector<HostEvent> ReadHostEvents();
  // What a real adapter does when its last user closes it: unread input is lost and the
  // exclusive-use mark goes away.
  void ForgetHost();

 private:
  int master_ = -1;
  int slave_ = -1;
  int watch_ = -1;
  std::string slavePath_;
};

}  // namespace movra::sim
