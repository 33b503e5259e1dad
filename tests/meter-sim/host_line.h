// The host's end of the simulator's line, driven with plain termios the way the program's
// serial port does it: raw 8N1 at a chosen speed.
#pragma once
#include <termios.h>

#include <string>

namespace movra::test {

// "26 50 5A" -> bytes; "265 0" style typos throw.
std::string Hex(const std::string& text);
// bytes -> "26 50 5A"
std::string HexOf(const std::string& bytes);

// The host's commands, with their CRCs worked out by hand.
extern const char* const kEnterDev;
extern const char* const kQuerySN;
extern const char* const kDownload;
// RecordAck for record numbers 1..10.
std::string AckFor(int recordNumber);

class HostLine {
 public:
  HostLine(const std::string& path, speed_t speed, bool exclusive = false);
  ~HostLine() { close(); }
  HostLine(const HostLine&) = delete;
  HostLine& operator=(const HostLine&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  const std::string& error() const { return error_; }
  void send(const std::string& bytes);
  // Reads until n bytes have come or timeoutMs has passed.
  std::string read(size_t n, int timeoutMs = 5000);
  // Everything that comes within ms.
  std::string readFor(int ms);
  // Reads until the line hangs up (true) or timeoutMs passes (false).
  bool waitHangUp(int timeoutMs);
  void close();

 private:
  int fd_ = -1;
  std::string error_;
};

}  // namespace movra::test
