// TComm: one serial port with a reader and a writer thread. The threads never call into
// the component: they post to its notification target, which raises the events on the
// thread that constructed the component.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

#include "app/messages.h"

namespace movra {

enum class TByteSize : uint8_t { _5, _6, _7, _8 };
enum class TParity : uint8_t { None, Odd, Even, Mark, Space };
enum class TStopBits : uint8_t { _1, _1_5, _2 };
// Hardware: RTS/CTS; software: XON/XOFF in both directions.
enum class TFlowControl : uint8_t { None, Hardware, Software };

// Line errors, as the bits of OnReceiveError's mask.
enum SerialLineError : uint32_t {
  LineInputOverflow = 0x01,  // the driver's input queue was full
  LineOverrun = 0x02,        // the UART lost a byte
  LineParityError = 0x04,
  LineFramingError = 0x08,
  LineBreak = 0x10,
};

// Modem line events, as the bits of OnModemStateChange's value.
enum SerialModemEvent : uint32_t {
  ModemRing = 0x04,
  ModemCarrierChanged = 0x08,
};

// What the platform said when a port would not open; the caller shows it in plain words.
enum class PortFailure : uint8_t { None, NoSuchDevice, PermissionDenied, Busy, NotATty, Other };

class ECommsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SerialLineSettings;
class SerialBackend;  // the platform file (serial_posix.cpp, serial_win32.cpp)
class CommWorker;
class CommWriteQueue;

class TComm {
 public:
  using ReceiveDataEvent = std::function<void(TComm* sender, const uint8_t* buffer, uint16_t length)>;
  using ReceiveErrorEvent = std::function<void(TComm* sender, uint32_t eventMask)>;
  using ModemStateChangeEvent = std::function<void(TComm* sender, uint32_t modemEvent)>;
  using NotifyEvent = std::function<void(TComm* sender)>;

  // Binds the notification target to the calling thread's dispatcher.
  TComm();
  // Closes an open port first, so no worker thread outlives the component.
  ~TComm();
  TComm(const TComm&) = delete;
  TComm& operator=(const TComm&) = delete;

  // Failures are reported through PortOpenError (and LastFailure); only "Cannot setup comm
  // buffer" raises ECommsError. The caller tests PortOpen afterwards.
  void OpenPort();
  // Stops both threads (each is given 10 s at most) and releases the port.
  void ClosePort();
  // Queues a copy of the bytes for the writer thread; false when closed, n == 0, or refused.
  // OpenPort, ClosePort, WriteData and PortOpen may be called from any thread; everything
  // else belongs to the thread that constructed the component.
  bool WriteData(const uint8_t* bytes, uint16_t n);

  bool PortOpen() const;
  void SetPortOpen(bool open);
  uint8_t CommPort() const { return commPort_; }
  void SetCommPort(uint8_t v);
  const std::string& PortOpenError() const { return portOpenError_; }
  void SetPortOpenError(const std::string& v) { portOpenError_ = v; }
  // The OS reason of the last failed open (kept alongside PortOpenError for the caller).
  PortFailure LastFailure() const { return lastFailure_; }
  const std::string& LastFailureText() const { return lastFailureText_; }
  const std::string& Output() const { return output_; }
  // Sends s; a string longer than 65535 bytes goes out in pieces of at most that size.
  void SetOutput(const std::string& s);
  uint16_t InputLen() const { return inputLen_; }
  void SetInputLen(uint16_t v);
  uint16_t InBufferSize() const { return inBufferSize_; }
  void SetInBufferSize(uint16_t v);
  const std::string& CommName() const { return commName_; }
  void SetCommName(const std::string& v) { commName_ = v; }

  uint32_t BaudRate() const { return baudRate_; }
  void SetBaudRate(uint32_t v);
  TByteSize ByteSize() const { return byteSize_; }
  void SetByteSize(TByteSize v);
  TParity Parity() const { return parity_; }
  void SetParity(TParity v);
  TStopBits StopBits() const { return stopBits_; }
  void SetStopBits(TStopBits v);
  TFlowControl FlowControl() const { return flowControl_; }
  void SetFlowControl(TFlowControl v);
  // The DTR and RTS lines while the port is open; both held off by default. With hardware
  // flow control the driver drives RTS.
  bool DataTerminalReady() const { return dataTerminalReady_; }
  void SetDataTerminalReady(bool v);
  bool RequestToSend() const { return requestToSend_; }
  void SetRequestToSend(bool v);
  // A received chunk ends when this many milliseconds pass without another byte.
  uint32_t ReadIntervalTimeout() const { return readIntervalTimeout_; }
  void SetReadIntervalTimeout(uint32_t v);

  // What the properties ask of the line, as the port is given it.
  SerialLineSettings LineSettings() const;

  ReceiveDataEvent OnReceiveData;
  ReceiveErrorEvent OnReceiveError;
  ModemStateChangeEvent OnModemStateChange;
  NotifyEvent OnRequestHangup;
  NotifyEvent OnSendDataEmpty;

 private:
  void CommWndProc(Message& m);
  // Both need portMutex_ held.
  void ApplyCommState();
  void ApplyCommTimeouts();
  void StopReadThread();
  void StopWriteThread();
  template <class T>
  void ChangeState(T& field, T v);

  // Guards the open port, the threads and the writer's queue.
  std::mutex portMutex_;
  std::atomic<bool> portOpen_{false};
  std::shared_ptr<SerialBackend> port_;  // the port and its close signal, while open
  std::unique_ptr<CommWorker> readThread_;
  std::unique_ptr<CommWorker> writeThread_;
  std::shared_ptr<CommWriteQueue> writeQueue_;
  bool threadLeftBehind_ = false;  // a worker did not end in time; it still holds the port
  std::unique_ptr<MessageTarget> commWindow_;

  uint8_t commPort_ = 1;
  std::string portOpenError_;
  PortFailure lastFailure_ = PortFailure::None;
  std::string lastFailureText_;
  std::string output_;
  uint16_t inputLen_ = 1;
  uint16_t inBufferSize_ = 2048;
  std::string commName_ = "COM1";
  uint32_t baudRate_ = 9600;
  TByteSize byteSize_ = TByteSize::_8;
  TParity parity_ = TParity::None;
  TStopBits stopBits_ = TStopBits::_1;
  TFlowControl flowControl_ = TFlowControl::None;
  bool dataTerminalReady_ = false;
  bool requestToSend_ = false;
  uint32_t readIntervalTimeout_ = 100;
};

}  // namespace movra
