#include "comm/comm.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <system_error>

#include "comm/comm_threads.h"
#include "comm/comm_worker.h"
#include "comm/comm_write_queue.h"
#include "comm/port_names.h"
#include "comm/serial_backend.h"

namespace movra {

namespace {
constexpr size_t kDriverQueueSize = 4096;
constexpr std::chrono::milliseconds kThreadStopLimit{10000};
}  // namespace

TComm::TComm() : commWindow_(std::make_unique<MessageTarget>([this](Message& m) { CommWndProc(m); })) {}

TComm::~TComm() {
  ClosePort();
  // Messages still queued for the component are dropped with their data.
  commWindow_.reset();
}

bool TComm::PortOpen() const { return portOpen_.load(); }

void TComm::SetPortOpen(bool open) {
  if (open)
    OpenPort();
  else
    ClosePort();
}

void TComm::OpenPort() {
  std::lock_guard<std::mutex> lock(portMutex_);
  portOpenError_.clear();
  lastFailure_ = PortFailure::None;
  lastFailureText_.clear();
  if (port_) {
    portOpenError_ = "This serial port already opened";
    return;
  }

  auto fail = [this](const char* text, PortFailure why, std::string osText) {
    portOpenError_ = text;
    lastFailure_ = why;
    lastFailureText_ = std::move(osText);
  };

  auto port = CreateSerialBackend();
  auto path = DevicePathForCommName(commName_);
  SerialOpenResult opened = path ? port->Open(*path)
                                 : SerialOpenResult{PortFailure::NoSuchDevice, commName_ + ": no such port name"};
  if (opened.failure == PortFailure::NotATty) {
    fail("File handle is not a comm handle ", opened.failure, opened.osText);
    return;
  }
  if (opened.failure != PortFailure::None) {
    fail("Error opening serial port", opened.failure, opened.osText);
    return;
  }
  if (!port->SetupQueues(kDriverQueueSize, kDriverQueueSize)) {
    port->Close();
    fail("Cannot setup comm buffer", PortFailure::Other, "");
    throw ECommsError("Cannot setup comm buffer");
  }

  port_ = port;
  port_->Purge(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  ApplyCommTimeouts();
  ApplyCommState();

  auto release = [this] {
    port_->Close();
    port_.reset();
    writeQueue_.reset();
  };
  if (!port_->CreateCloseSignal()) {
    release();
    fail("Unable to create event", PortFailure::Other, "");
    return;
  }

  // The queue exists before the writer runs, so WriteData works as soon as we return.
  writeQueue_ = std::make_shared<CommWriteQueue>();
  MessageTarget::Handle window = commWindow_->handle();
  try {
    auto reader = std::make_shared<TReadThread>(port_, window, inBufferSize_, inputLen_);
    readThread_ = std::make_unique<CommWorker>([reader] { reader->Execute(); });
  } catch (const std::exception& e) {
    readThread_.reset();
    release();
    fail("Unable to create read thread", PortFailure::Other, e.what());
    return;
  }
  try {
    auto writer = std::make_shared<TWriteThread>(port_, writeQueue_, window);
    writeThread_ = std::make_unique<CommWorker>([writer] { writer->Execute(); });
  } catch (const std::exception& e) {
    StopReadThread();
    writeThread_.reset();
    if (threadLeftBehind_) {
      port_.reset();
      writeQueue_.reset();
    } else {
      release();
    }
    threadLeftBehind_ = false;
    fail("Unable to create write thread", PortFailure::Other, e.what());
    return;
  }
  portOpen_ = true;
}

void TComm::ClosePort() {
  std::lock_guard<std::mutex> lock(portMutex_);
  portOpenError_.clear();
  if (!port_) return;
  StopReadThread();
  StopWriteThread();
  // A thread that did not stop still uses the port; it is released when that thread ends.
  if (!threadLeftBehind_) port_->Close();
  threadLeftBehind_ = false;
  port_.reset();
  writeQueue_.reset();
  portOpen_ = false;
}

void TComm::StopReadThread() {
  if (!readThread_) return;
  port_->SignalClose();
  port_->Purge(PURGE_RXABORT | PURGE_RXCLEAR);
  if (!readThread_->WaitFor(kThreadStopLimit)) {
    readThread_->Abandon();
    threadLeftBehind_ = true;
  }
  readThread_.reset();
}

void TComm::StopWriteThread() {
  if (!writeThread_) return;
  port_->SignalClose();
  if (writeQueue_) writeQueue_->Close();
  port_->Purge(PURGE_TXABORT | PURGE_TXCLEAR);
  if (!writeThread_->WaitFor(kThreadStopLimit)) {
    writeThread_->Abandon();
    threadLeftBehind_ = true;
  }
  writeThread_.reset();
}

bool TComm::WriteData(const uint8_t* bytes, uint16_t n) {
  if (n == 0 || !bytes) return false;
  std::lock_guard<std::mutex> lock(portMutex_);
  if (!writeThread_ || !writeQueue_) return false;
  Message m{WM_COMM_DATA, n, 0, std::vector<uint8_t>(size_t(n) + 1, 0)};
  std::memcpy(m.data.data(), bytes, n);
  return writeQueue_->Post(std::move(m));
}

void TComm::SetOutput(const std::string& s) {
  output_ = s;
  const auto* bytes = reinterpret_cast<const uint8_t*>(output_.data());
  size_t left = output_.size();
  // The count travels as 16 bits; a longer string would otherwise lose all but its tail end.
  while (left > 0) {
    uint16_t piece = static_cast<uint16_t>(std::min<size_t>(left, 0xFFFF));
    if (!WriteData(bytes, piece)) break;
    bytes += piece;
    left -= piece;
  }
}

void TComm::SetCommPort(uint8_t v) {
  if (v == 0 || v == commPort_) return;
  commPort_ = v;
  commName_ = "COM" + std::to_string(v);
}

void TComm::SetInputLen(uint16_t v) {
  if (v == 0)
    inputLen_ = inBufferSize_;
  else if (v <= inBufferSize_)
    inputLen_ = v;
}

void TComm::SetInBufferSize(uint16_t v) { inBufferSize_ = v == 0 ? 1 : v; }

uint32_t TComm::DcbFlags() const {
  uint32_t f = DCB_BINARY;
  if (parityCheck_) f |= DCB_PARITY;
  if (outxCtsFlow_) f |= DCB_OUTX_CTS_FLOW;
  if (outxDsrFlow_) f |= DCB_OUTX_DSR_FLOW;
  if (dtrControl_ == TDtrControl::DtrEnable) f |= DCB_DTR_ENABLE;
  if (dtrControl_ == TDtrControl::DtrHandshake) f |= DCB_DTR_HANDSHAKE;
  if (dsrSensitivity_) f |= DCB_DSR_SENSITIVITY;
  if (txContinueOnXoff_) f |= DCB_TX_CONTINUE_ON_XOFF;
  if (outxXonXoffFlow_) f |= DCB_OUTX;
  if (inxXonXoffFlow_) f |= DCB_INX;
  if (replaceWhenParityError_) f |= DCB_ERROR_CHAR;
  if (ignoreNullChar_) f |= DCB_NULL;
  switch (rtsControl_) {
    case TRtsControl::RtsEnable: f |= DCB_RTS_ENABLE; break;
    case TRtsControl::RtsHandshake: f |= DCB_RTS_HANDSHAKE; break;
    case TRtsControl::RtsTransmissionAvailable: f |= DCB_RTS_TOGGLE; break;
    case TRtsControl::RtsDisable: break;
  }
  return f;
}

void TComm::ApplyCommState() {
  if (!port_) return;
  SerialLineSettings s;
  s.baudRate = baudRate_;
  s.flags = DcbFlags();
  s.xonLimit = xonLimit_;
  s.xoffLimit = xoffLimit_;
  s.byteSize = static_cast<uint8_t>(static_cast<uint8_t>(byteSize_) + 5);
  s.parity = static_cast<uint8_t>(parity_);
  s.stopBits = static_cast<uint8_t>(stopBits_);
  s.xonChar = xonChar_;
  s.xoffChar = xoffChar_;
  s.errorChar = replacedChar_;
  // A refusal by the driver is not reported; the line keeps its previous settings.
  port_->SetLineSettings(s);
}

void TComm::ApplyCommTimeouts() {
  if (!port_) return;
  port_->SetTimeouts({readIntervalTimeout_, readTotalTimeoutMultiplier_, readTotalTimeoutConstant_,
                      writeTotalTimeoutMultiplier_, writeTotalTimeoutConstant_});
}

template <class T>
void TComm::ChangeState(T& field, T v) {
  if (field == v) return;
  std::lock_guard<std::mutex> lock(portMutex_);
  field = v;
  ApplyCommState();
}

template <class T>
void TComm::ChangeTimeout(T& field, T v) {
  if (field == v) return;
  std::lock_guard<std::mutex> lock(portMutex_);
  field = v;
  ApplyCommTimeouts();
}

void TComm::SetBaudRate(uint32_t v) { ChangeState(baudRate_, v); }
void TComm::SetParityCheck(bool v) { ChangeState(parityCheck_, v); }
void TComm::SetOutx_CtsFlow(bool v) { ChangeState(outxCtsFlow_, v); }
void TComm::SetOutx_DsrFlow(bool v) { ChangeState(outxDsrFlow_, v); }
void TComm::SetDtrControl(TDtrControl v) { ChangeState(dtrControl_, v); }
void TComm::SetDsrSensitivity(bool v) { ChangeState(dsrSensitivity_, v); }
void TComm::SetTxContinueOnXoff(bool v) { ChangeState(txContinueOnXoff_, v); }
void TComm::SetOutx_XonXoffFlow(bool v) { ChangeState(outxXonXoffFlow_, v); }
void TComm::SetInx_XonXoffFlow(bool v) { ChangeState(inxXonXoffFlow_, v); }
void TComm::SetReplaceWhenParityError(bool v) { ChangeState(replaceWhenParityError_, v); }
void TComm::SetIgnoreNullChar(bool v) { ChangeState(ignoreNullChar_, v); }
void TComm::SetRtsControl(TRtsControl v) { ChangeState(rtsControl_, v); }
void TComm::SetXonLimit(uint16_t v) { ChangeState(xonLimit_, v); }
void TComm::SetXoffLimit(uint16_t v) { ChangeState(xoffLimit_, v); }
void TComm::SetByteSize(TByteSize v) { ChangeState(byteSize_, v); }
void TComm::SetParity(TParity v) { ChangeState(parity_, v); }
void TComm::SetStopBits(TStopBits v) { ChangeState(stopBits_, v); }
void TComm::SetXonChar(uint8_t v) { ChangeState(xonChar_, v); }
void TComm::SetXoffChar(uint8_t v) { ChangeState(xoffChar_, v); }
void TComm::SetReplacedChar(uint8_t v) { ChangeState(replacedChar_, v); }

void TComm::SetReadIntervalTimeout(uint32_t v) { ChangeTimeout(readIntervalTimeout_, v); }
void TComm::SetReadTotalTimeoutMultiplier(uint32_t v) { ChangeTimeout(readTotalTimeoutMultiplier_, v); }
void TComm::SetReadTotalTimeoutConstant(uint32_t v) { ChangeTimeout(readTotalTimeoutConstant_, v); }
void TComm::SetWriteTotalTimeoutMultiplier(uint32_t v) { ChangeTimeout(writeTotalTimeoutMultiplier_, v); }
void TComm::SetWriteTotalTimeoutConstant(uint32_t v) { ChangeTimeout(writeTotalTimeoutConstant_, v); }

void TComm::CommWndProc(Message& m) {
  // Handlers are copied first: one may replace itself while it runs.
  switch (m.id) {
    case WM_COMM_DATA: {
      if (auto h = OnReceiveData) {
        uint16_t n = static_cast<uint16_t>(m.wParam & 0xFFFF);
        if (m.data.size() < size_t(n) + 1) m.data.resize(size_t(n) + 1, 0);
        h(this, m.data.data(), n);
      }
      break;  // the block goes with the message, handled or not
    }
    case WM_COMM_ERROR:
      if (auto h = OnReceiveError) h(this, static_cast<uint32_t>(m.lParam));
      break;
    case WM_COMM_HANGUP:
      if (auto h = OnRequestHangup) h(this);
      break;
    case WM_COMM_MODEM:
      if (auto h = OnModemStateChange) h(this, static_cast<uint32_t>(m.lParam));
      break;
    case WM_COMM_TXEMPTY:
      if (auto h = OnSendDataEmpty) h(this);
      break;
    default:
      break;
  }
}

}  // namespace movra
