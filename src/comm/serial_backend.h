// The serial port as the operating system offers it, behind one table of operations.
// serial_posix.cpp implements it with termios; no OS header appears here, and no OS error
// leaves the platform file: it turns them into the few outcomes below and keeps the OS's
// own text for the trace.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "comm/comm.h"

namespace movra {

// Purge flags, with the values the component has always used.
constexpr unsigned PURGE_TXABORT = 0x0001;
constexpr unsigned PURGE_RXABORT = 0x0002;
constexpr unsigned PURGE_TXCLEAR = 0x0004;
constexpr unsigned PURGE_RXCLEAR = 0x0008;

// Line error flags reported with WM_COMM_ERROR.
constexpr uint32_t CE_RXOVER = 0x0001;
constexpr uint32_t CE_OVERRUN = 0x0002;
constexpr uint32_t CE_RXPARITY = 0x0004;
constexpr uint32_t CE_FRAME = 0x0008;
constexpr uint32_t CE_BREAK = 0x0010;

// Modem events reported with WM_COMM_MODEM.
constexpr uint32_t ME_RING = 4;
constexpr uint32_t ME_RLSD = 8;

// Bits of the device-control flag word.
constexpr uint32_t DCB_BINARY = 0x0001;
constexpr uint32_t DCB_PARITY = 0x0002;
constexpr uint32_t DCB_OUTX_CTS_FLOW = 0x0004;
constexpr uint32_t DCB_OUTX_DSR_FLOW = 0x0008;
constexpr uint32_t DCB_DTR_ENABLE = 0x0010;
constexpr uint32_t DCB_DTR_HANDSHAKE = 0x0020;
constexpr uint32_t DCB_DTR_MASK = 0x0030;
constexpr uint32_t DCB_DSR_SENSITIVITY = 0x0040;
constexpr uint32_t DCB_TX_CONTINUE_ON_XOFF = 0x0080;
constexpr uint32_t DCB_OUTX = 0x0100;
constexpr uint32_t DCB_INX = 0x0200;
constexpr uint32_t DCB_ERROR_CHAR = 0x0400;
constexpr uint32_t DCB_NULL = 0x0800;
constexpr uint32_t DCB_RTS_ENABLE = 0x1000;
constexpr uint32_t DCB_RTS_HANDSHAKE = 0x2000;
constexpr uint32_t DCB_RTS_TOGGLE = 0x3000;
constexpr uint32_t DCB_RTS_MASK = 0x3000;

// The device control block: everything the component sets on the line at once.
struct SerialLineSettings {
  uint32_t baudRate = 9600;
  uint32_t flags = DCB_BINARY;
  uint16_t xonLimit = 500;
  uint16_t xoffLimit = 500;
  uint8_t byteSize = 8;  // 5..8
  uint8_t parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  uint8_t stopBits = 0;  // 0 one, 1 one and a half, 2 two
  uint8_t xonChar = 17;
  uint8_t xoffChar = 19;
  uint8_t errorChar = 0;
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
  uint32_t lineErrors = 0;   // CE_* seen since the last read
  uint32_t modemEvents = 0;  // ME_RLSD | ME_RING seen since the last read
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

  // Opens the device for reading and writing, exclusively, without waiting for it.
  virtual SerialOpenResult Open(const std::string& path) = 0;
  virtual bool IsOpen() const = 0;
  // Sizes the driver's input and output queues; false when the driver refuses.
  virtual bool SetupQueues(size_t input, size_t output) = 0;
  virtual void Purge(unsigned flags) = 0;
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

  // Releases the port and the close signal. Safe to call twice.
  virtual void Close() = 0;
};

// A fresh, closed port of this platform.
std::shared_ptr<SerialBackend> CreateSerialBackend();

// Worker threads ask for more of the processor; refused requests are ignored.
enum class SerialThreadPriority : uint8_t { AboveNormal, Highest };
void RaiseCurrentThreadPriority(SerialThreadPriority priority);

}  // namespace movra
