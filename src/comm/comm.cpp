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
  port_->Purge(SerialQueues::Both);
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
  port_->Purge(SerialQueues::Input);
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
  port_->Purge(SerialQueues::Output);
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
  Message m{MessageId::CommData, n, 0, std::vector<uint8_t>(size_t(n) + 1, 0)};
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

SerialLineSettings TComm::LineSettings() const {
  SerialLineSettings s;
  s.baudRate = baudRate_;
  s.dataBits = static_cast<uint8_t>(static_cast<uint8_t>(byteSize_) + 5);
  s.parity = parity_;
  s.stopBits = stopBits_;
  s.flowControl = flowControl_;
  s.dataTerminalReady = dataTerminalReady_;
  s.requestToSend = requestToSend_;
  return s;
}

void TComm::ApplyCommState() {
  // A refusal by the driver is not reported; the line keeps its previous settings.
  if (port_) port_->SetLineSettings(LineSettings());
}

void TComm::ApplyCommTimeouts() {
  if (!port_) return;
  SerialTimeouts t;
  t.readInterval = readIntervalTimeout_;
  port_->SetTimeouts(t);
}

template <class T>
void TComm::ChangeState(T& field, T v) {
  if (field == v) return;
  std::lock_guard<std::mutex> lock(portMutex_);
  field = v;
  ApplyCommState();
}

void TComm::SetBaudRate(uint32_t v) { ChangeState(baudRate_, v); }
void TComm::SetByteSize(TByteSize v) { ChangeState(byteSize_, v); }
void TComm::SetParity(TParity v) { ChangeState(parity_, v); }
void TComm::SetStopBits(TStopBits v) { ChangeState(stopBits_, v); }
void TComm::SetFlowControl(TFlowControl v) { ChangeState(flowControl_, v); }
void TComm::SetDataTerminalReady(bool v) { ChangeState(dataTerminalReady_, v); }
void TComm::SetRequestToSend(bool v) { ChangeState(requestToSend_, v); }

void TComm::SetReadIntervalTimeout(uint32_t v) {
  if (v == readIntervalTimeout_) return;
  std::lock_guard<std::mutex> lock(portMutex_);
  readIntervalTimeout_ = v;
  ApplyCommTimeouts();
}

void TComm::CommWndProc(Message& m) {
  // Handlers are copied first: one may replace itself while it runs.
  switch (m.id) {
    case MessageId::CommData: {
      if (auto h = OnReceiveData) {
        uint16_t n = static_cast<uint16_t>(m.wParam & 0xFFFF);
        if (m.data.size() < size_t(n) + 1) m.data.resize(size_t(n) + 1, 0);
        h(this, m.data.data(), n);
      }
      break;  // the block goes with the message, handled or not
    }
    case MessageId::CommError:
      if (auto h = OnReceiveError) h(this, static_cast<uint32_t>(m.lParam));
      break;
    case MessageId::CommHangUp:
      if (auto h = OnRequestHangup) h(this);
      break;
    case MessageId::CommModem:
      if (auto h = OnModemStateChange) h(this, static_cast<uint32_t>(m.lParam));
      break;
    case MessageId::CommTxEmpty:
      if (auto h = OnSendDataEmpty) h(this);
      break;
    default:
      break;
  }
}

}  // namespace movra
