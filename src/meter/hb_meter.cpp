#include "meter/hb_meter.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/trace.h"
#include "comm/serial_transport.h"
#include "meter/proc_thread.h"
#include "meter/raw_log.h"

namespace movra {

namespace {
constexpr uint16_t kMeterInputLen = 128;
}  // namespace

namespace {
std::unique_ptr<ByteTransport> MeterSerialPort() {
  auto serial = std::make_unique<SerialTransport>();
  serial->Port().SetInputLen(kMeterInputLen);
  return serial;
}
}  // namespace

CHBMeter::CHBMeter() : CHBMeter(MeterSerialPort()) {}

CHBMeter::CHBMeter(std::unique_ptr<ByteTransport> transport) : transport_(std::move(transport)) {
  if (auto* serial = dynamic_cast<SerialTransport*>(transport_.get())) serialPort_ = &serial->Port();
  AttachReceiveHandler();
}

TComm& CHBMeter::Comm() {
  if (serialPort_) return *serialPort_;
  if (!unusedPort_) unusedPort_ = std::make_unique<TComm>();
  return *unusedPort_;
}

CHBMeter::~CHBMeter() {
  StopTransferThread();
  StopComm();
}

void CHBMeter::StopTransferThread() {
  if (!transferControl_) return;
  transferControl_->RequestStop();
  frameQueue_.Interrupt();
  WaitForTransferThread();
}

void CHBMeter::WaitForTransferThread() {
  if (!transferControl_) return;
  // The thread may be waiting for its keeper to store the record in hand before it
  // acknowledges it: when the keeper's thread is this one, serve it while waiting.
  while (!transferControl_->WaitDoneFor(std::chrono::milliseconds(2))) handoff_.RunPending();
  // The thread's last word comes just before it returns; its exit code follows at once, and
  // a caller asking IsRunning right after a stop must hear that it ended.
  while (ThreadState(transferThread_) == 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void CHBMeter::AttachReceiveHandler() {
  transport_->OnReceive = [this](const uint8_t* buffer, size_t length) {
    // Chunks are small; a longer one is handed on in pieces the handler can count.
    while (length > 0) {
      auto piece = static_cast<uint16_t>(std::min<size_t>(length, 0xFFFF));
      OnGetMeterData(serialPort_, buffer, piece);
      buffer += piece;
      length -= piece;
    }
  };
  // The transfer learns of a pulled cable only by the silence that follows; this tells why.
  transport_->OnLineFailure = [this] {
    if (active_) lineFailed_ = true;
  };
}

void CHBMeter::SetRecordKeeper(std::function<void()> keep, std::shared_ptr<Dispatcher> owner) {
  if (!keep) {
    handoff_.SetKeeper(nullptr);
    return;
  }
  // The owner may have taken the records already, on an earlier message: nothing to do then.
  handoff_.SetKeeper(
      [this, keep = std::move(keep)] {
        if (records_.Count() > 0) keep();
      },
      std::move(owner));
}

namespace {
SerialLineSettings MeterLine(int32_t baudRate, uint8_t parity, uint8_t byteSize, uint8_t stopBits) {
  SerialLineSettings s;
  s.baudRate = static_cast<uint32_t>(baudRate);
  s.parity = static_cast<TParity>(parity);
  s.dataBits = static_cast<uint8_t>(byteSize + 5);
  s.stopBits = static_cast<TStopBits>(stopBits);
  return s;
}
}  // namespace

void CHBMeter::SetPort(int32_t port, int32_t baudRate, uint8_t parity, uint8_t byteSize, uint8_t stopBits) {
  portName_ = "COM " + std::to_string(port);
  // A number no port can have keeps the name the line had.
  std::string name = port >= 1 && port <= 255 ? "COM" + std::to_string(port) : transport_->Name();
  transport_->SetLine(name, MeterLine(baudRate, parity, byteSize, stopBits));
}

void CHBMeter::SetPortName(const std::string& commName, int32_t baudRate, uint8_t parity, uint8_t byteSize,
                           uint8_t stopBits) {
  portName_ = commName;
  transport_->SetLine(commName, MeterLine(baudRate, parity, byteSize, stopBits));
}

bool CHBMeter::StartComm() {
  // The last transfer's thread clears the buffers as it ends; a new transfer waits for it.
  if (active_ || IsRunning()) return false;
  firstRecordSeen_ = false;
  recordsAccepted_ = 0;
  lastRecordNumber_ = 0;
  lineFailed_ = false;
  rejection_.reset();
  {
    std::lock_guard<std::mutex> lock(outcomeMutex_);
    outcome_ = TransferOutcome{};
  }
  if (transport_->IsOpen()) {
    BugMessage("[In StartComm] COM已经打开，先停止..");
    transport_->Close();
  }
  AttachReceiveHandler();
  recordsParsed_ = 0;
  receiver_.Begin();
  // Records stay until the next transfer, so the window can take every announced one.
  records_.Clear();
  frameQueue_.Clear();
  if (!transport_->Open()) return false;

  active_ = true;
  // Released by the transfer thread as it ends.
  KeepLineLogsOpen();
  BugMessage("[In StartComm] 打开 " + transport_->Name() + ", 准备启动线程..");
  transferControl_ = std::make_shared<TransferControl>();
  auto thread = std::make_shared<TProcThread>(this, NotifyWindow, transferControl_);
  try {
    // The thread object lives as long as the thread; its state outlives both.
    transferThread_ = StartDetachedThread([thread] { return thread->Execute(); });
  } catch (const std::exception& e) {
    BugMessage(std::string("[In StartComm] ") + e.what());
    transferControl_.reset();
    CloseLineLogs();
    active_ = false;
    StopComm();
    return false;
  }
  return true;
}

void CHBMeter::StopComm() {
  if (!transport_->IsOpen()) return;
  transport_->OnReceive = nullptr;
  transport_->Close();
}

void CHBMeter::CloseFromTransferThread() { transport_->Close(); }

bool CHBMeter::IsRunning() const { return ThreadState(transferThread_) == 1; }

void CHBMeter::StopTransfer() {
  if (IsRunning()) StopTransferThread();
}

TransferOutcome CHBMeter::LastTransferOutcome() const {
  std::lock_guard<std::mutex> lock(outcomeMutex_);
  return outcome_;
}

void CHBMeter::NoteTransferEnd(bool stopped) {
  TransferFacts facts;
  facts.stopped = stopped;
  facts.lineFailed = lineFailed_;
  facts.rejected = rejection_;
  facts.uncutFrameLeft = receiver_.HoldsUncutFrame();
  facts.recordsAccepted = recordsAccepted_;
  facts.firstRecordNumber = firstRecordNumber_;
  facts.lastRecordNumber = lastRecordNumber_;
  TransferEnd end = ClassifyTransferEnd(facts);
  std::lock_guard<std::mutex> lock(outcomeMutex_);
  outcome_ = TransferOutcome{end, facts.recordsAccepted};
}

void CHBMeter::ResetTransfer() { receiver_.Reset(); }

void CHBMeter::SendCommand(const std::string& bytes) {
  // The line queues the bytes under its own lock: safe from any thread.
  transport_->Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

bool CHBMeter::AnnouncedCountReached() const {
  return movra::AnnouncedCountReached(recordsAccepted_, firstRecordNumber_, lastRecordNumber_);
}

void CHBMeter::NoteAcceptedRecord(int32_t n) {
  if (!firstRecordSeen_) {
    firstRecordSeen_ = true;
    firstRecordNumber_ = n;
  }
  lastRecordNumber_ = n;
  ++recordsAccepted_;
}

void CHBMeter::OnGetMeterData(TComm*, const uint8_t* buffer, uint16_t length) {
  WriteRawLog("<<<串口收到数据", "", false);
  if (!active_) return;
  receiver_.HandleChunk(std::string(reinterpret_cast<const char*>(buffer), length));
}

}  // namespace movra
