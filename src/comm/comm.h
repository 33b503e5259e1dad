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

enum class TDtrControl : uint8_t { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl : uint8_t { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };
enum class TByteSize : uint8_t { _5, _6, _7, _8 };
enum class TParity : uint8_t { None, Odd, Even, Mark, Space };
enum class TStopBits : uint8_t { _1, _1_5, _2 };

// What the platform said when a port would not open; the caller shows it in plain words.
enum class PortFailure : uint8_t { None, NoSuchDevice, PermissionDenied, Busy, NotATty, Other };

class ECommsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SerialBackend;  // the platform file (serial_posix.cpp)
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
  bool ParityCheck() const { return parityCheck_; }
  void SetParityCheck(bool v);
  bool Outx_CtsFlow() const { return outxCtsFlow_; }
  void SetOutx_CtsFlow(bool v);
  bool Outx_DsrFlow() const { return outxDsrFlow_; }
  void SetOutx_DsrFlow(bool v);
  TDtrControl DtrControl() const { return dtrControl_; }
  void SetDtrControl(TDtrControl v);
  bool DsrSensitivity() const { return dsrSensitivity_; }
  void SetDsrSensitivity(bool v);
  bool TxContinueOnXoff() const { return txContinueOnXoff_; }
  void SetTxContinueOnXoff(bool v);
  bool Outx_XonXoffFlow() const { return outxXonXoffFlow_; }
  void SetOutx_XonXoffFlow(bool v);
  bool Inx_XonXoffFlow() const { return inxXonXoffFlow_; }
  void SetInx_XonXoffFlow(bool v);
  bool ReplaceWhenParityError() const { return replaceWhenParityError_; }
  void SetReplaceWhenParityError(bool v);
  bool IgnoreNullChar() const { return ignoreNullChar_; }
  void SetIgnoreNullChar(bool v);
  TRtsControl RtsControl() const { return rtsControl_; }
  void SetRtsControl(TRtsControl v);
  uint16_t XonLimit() const { return xonLimit_; }
  void SetXonLimit(uint16_t v);
  uint16_t XoffLimit() const { return xoffLimit_; }
  void SetXoffLimit(uint16_t v);
  TByteSize ByteSize() const { return byteSize_; }
  void SetByteSize(TByteSize v);
  TParity Parity() const { return parity_; }
  void SetParity(TParity v);
  TStopBits StopBits() const { return stopBits_; }
  void SetStopBits(TStopBits v);
  uint8_t XonChar() const { return xonChar_; }
  void SetXonChar(uint8_t v);
  uint8_t XoffChar() const { return xoffChar_; }
  void SetXoffChar(uint8_t v);
  uint8_t ReplacedChar() const { return replacedChar_; }
  void SetReplacedChar(uint8_t v);
  uint32_t ReadIntervalTimeout() const { return readIntervalTimeout_; }
  void SetReadIntervalTimeout(uint32_t v);
  uint32_t ReadTotalTimeoutMultiplier() const { return readTotalTimeoutMultiplier_; }
  void SetReadTotalTimeoutMultiplier(uint32_t v);
  uint32_t ReadTotalTimeoutConstant() const { return readTotalTimeoutConstant_; }
  void SetReadTotalTimeoutConstant(uint32_t v);
  uint32_t WriteTotalTimeoutMultiplier() const { return writeTotalTimeoutMultiplier_; }
  void SetWriteTotalTimeoutMultiplier(uint32_t v);
  uint32_t WriteTotalTimeoutConstant() const { return writeTotalTimeoutConstant_; }
  void SetWriteTotalTimeoutConstant(uint32_t v);

  // The device-control flag word built from the properties (bit values of the original).
  uint32_t DcbFlags() const;

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
  template <class T>
  void ChangeTimeout(T& field, T v);

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
  bool parityCheck_ = false;
  bool outxCtsFlow_ = false;
  bool outxDsrFlow_ = false;
  TDtrControl dtrControl_ = TDtrControl::DtrDisable;
  bool dsrSensitivity_ = false;
  bool txContinueOnXoff_ = false;
  bool outxXonXoffFlow_ = false;
  bool inxXonXoffFlow_ = false;
  bool replaceWhenParityError_ = false;
  bool ignoreNullChar_ = false;
  TRtsControl rtsControl_ = TRtsControl::RtsDisable;
  uint16_t xonLimit_ = 500;
  uint16_t xoffLimit_ = 500;
  TByteSize byteSize_ = TByteSize::_8;
  TParity parity_ = TParity::None;
  TStopBits stopBits_ = TStopBits::_1;
  uint8_t xonChar_ = 17;
  uint8_t xoffChar_ = 19;
  uint8_t replacedChar_ = 0;
  uint32_t readIntervalTimeout_ = 100;
  uint32_t readTotalTimeoutMultiplier_ = 0;
  uint32_t readTotalTimeoutConstant_ = 0;
  uint32_t writeTotalTimeoutMultiplier_ = 0;
  uint32_t writeTotalTimeoutConstant_ = 0;
};

}  // namespace movra
