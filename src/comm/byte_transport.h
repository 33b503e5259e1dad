// A byte stream to a device: what the meter protocol needs of a line. The serial port is
// one (SerialTransport); the tests have a meter in memory. Create it on the thread that
// owns the meter, which runs a message loop: received bytes and the line-failure signal
// arrive there, never on a worker thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "comm/comm.h"
#include "comm/serial_backend.h"

namespace movra {

// Why the last Open failed, in the serial port's words (see TComm::PortOpenError).
struct TransportOpenFailure {
  std::string text;
  PortFailure failure = PortFailure::None;
  std::string osText;  // the OS's words, for the trace
};

class ByteTransport {
 public:
  using ReceiveHandler = std::function<void(const uint8_t* bytes, size_t n)>;
  using LineFailureHandler = std::function<void()>;

  virtual ~ByteTransport() = default;

  // The port ("COM<n>" or a device path) and its line settings; an open line takes new
  // settings at once, a new name at the next Open.
  virtual void SetLine(const std::string& name, const SerialLineSettings& settings) = 0;
  virtual const std::string& Name() const = 0;
  // True when the line is open; otherwise LastOpenFailure says why.
  virtual bool Open() = 0;
  // Any thread. Bytes still on their way may arrive after it.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual TransportOpenFailure LastOpenFailure() const = 0;
  // Any thread: queues the bytes and returns at once; false when closed or refused.
  virtual bool Write(const uint8_t* bytes, size_t n) = 0;

  // Set and cleared on the owner thread, which is also where they are called.
  ReceiveHandler OnReceive;
  // The device went away or the line failed; the owner closes the line.
  LineFailureHandler OnLineFailure;
};

}  // namespace movra
