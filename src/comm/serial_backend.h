// The serial port as the operating system offers it, behind one table of operations.
// serial_posix.cpp implements it with termios, serial_win32.cpp with a DCB; no OS header
// or OS constant appears here, and no OS error leaves the platform file: it turns them into the few outcomes below and keeps the OS's
// own text for the trace.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "comm/comm.h"

namespace movra {

// Which of the driver's queues a purge empties; a pending transfer in that direction is
// abandoned with it.
enum class SerialQueues : uint8_t { Input = 1, Output = 2, Both = 3 };

// Everything the component sets on the line at once.
struct SerialLineSettings {
  uint32_t baudRate = 9600;
  uint8_t dataBits = 8;  // 5..8
  TParity parity = TParity::None;
  TStopBits stopBits = TStopBits::_1;
  TFlowControl flowControl = TFlowControl::None;
  bool dataTerminalReady = false;  // the DTR line, held while open
  bool requestToSend = false;      // the RTS line, unless hardware flow control drives it
};

// Milliseconds; 0 means "not used", as the component has always had it.
struct SerialTimeouts {
  uint32_t readInterval = 100;
  uint32_t readTotalMultiplier = 0;
  uint32_t readTotalConstant = 0;
  uint32_t writeTotalMultiplier = 0;
  uint32_t writeTotalConstant = 0;
};

struct SerialOpenResult {
  PortFailure failure = PortFailure::None;  // None: opened
  std::string osText;                       // the OS's words, for the trace
};

enum class SerialIo : uint8_t {
  Ok,        // the transfer ended normally (a chunk is complete, or all bytes are written)
  TimedOut,  // a total time-out ran out first
  Closed,    // the close signal was raised, or the port handle is gone
  HangUp,    // the device went away or failed; osText says why
};

struct SerialReadResult {
  SerialIo status = SerialIo::Ok;
  size_t count = 0;          // bytes placed in the buffer, also with HangUp
  uint32_t lineErrors = 0;   // SerialLineError bits seen since the last read
  uint32_t modemEvents = 0;  // SerialModemEvent bits seen since the last read
  std::string osText;
};

struct SerialWriteResult {
  SerialIo status = SerialIo::Ok;
  size_t count = 0;  // bytes accepted by the driver
  std::string osText;
};

// One port. The owner's thread opens, configures and closes it; the reader thread calls
// ReadChunk, the writer thread Write, both until the close signal is raised. Purge,
// SignalClose and CloseSignalled may be called from any thread.
class SerialBackend {
 public:
  virtual ~SerialBackend() = default;

  // Opens the device for reading and writing, exclusively, without waiting for it, and
  // remembers the line settings it had then.
  virtual SerialOpenResult Open(const std::string& path) = 0;
  virtual bool IsOpen() const = 0;
  // Sizes the driver's input and output queues; false when the driver refuses.
  virtual bool SetupQueues(size_t input, size_t output) = 0;
  virtual void Purge(SerialQueues queues) = 0;
  // Writes the whole block; false when the driver refuses it (then nothing changed).
  virtual bool SetLineSettings(const SerialLineSettings& s) = 0;
  virtual void SetTimeouts(const SerialTimeouts& t) = 0;

  // The close signal: made after open, raised once by ClosePort, never lowered.
  virtual bool CreateCloseSignal() = 0;
  virtual void SignalClose() = 0;
  virtual bool CloseSignalled() const = 0;

  // Waits for one chunk: ends when `want` bytes have arrived, when the read interval
  // passes after a byte without another, or at the total read deadline. Returns early
  // with count 0 when only line or modem events were seen.
  virtual SerialReadResult ReadChunk(uint8_t* buffer, size_t want) = 0;
  // Writes until every byte is accepted, the total write time-out runs out, the close
  // signal is raised or the device fails.
  virtual SerialWriteResult Write(const uint8_t* bytes, size_t n) = 0;

  // Puts back the line settings the device had before Open, then releases the port and
  // the close signal. Safe to call twice.
  virtual void Close() = 0;
};

// A fresh, closed port of this platform.
std::shared_ptr<SerialBackend> CreateSerialBackend();

// Worker threads ask for more of the processor; refused requests are ignored.
enum class SerialThreadPriority : uint8_t { AboveNormal, Highest };
void RaiseCurrentThreadPriority(SerialThreadPriority priority);

}  // namespace movra
