#include "meter/hb_meter.h"

#include <chrono>
#include <thread>

#include "app/trace.h"
#include "meter/proc_thread.h"
#include "meter/raw_log.h"

namespace movra {

namespace {
constexpr uint16_t kMeterInputLen = 128;
}  // namespace

CHBMeter::CHBMeter() : comm_(std::make_unique<TComm>()) {
  comm_->SetInputLen(kMeterInputLen);
  AttachReceiveHandler();
}

CHBMeter::~CHBMeter() {
  StopTransferThread();
  StopComm();
}

void CHBMeter::StopTransferThread() {
  if (!transferControl_) return;
  transferControl_->RequestStop();
  frameQueue_.Interrupt();
  transferControl_->WaitDone();
  // The thread's last word comes just before it returns; its exit code follows at once, and
  // a caller asking IsRunning right after a stop must hear that it ended.
  while (ThreadState(transferThread_) == 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void CHBMeter::AttachReceiveHandler() {
  comm_->OnReceiveData = [this](TComm* sender, const uint8_t* buffer, uint16_t length) {
    OnGetMeterData(sender, buffer, length);
  };
  // The transfer learns of a pulled cable only by the silence that follows; this tells why.
  comm_->OnRequestHangup = [this](TComm*) {
    if (active_) lineFailed_ = true;
  };
}

void CHBMeter::SetPort(int32_t port, int32_t baudRate, uint8_t parity, uint8_t byteSize, uint8_t stopBits) {
  portName_ = "COM " + std::to_string(port);
  comm_->SetCommPort(static_cast<uint8_t>(port));
  // CommPort alone keeps a name that SetPortName gave when the number did not change.
  if (port >= 1 && port <= 255) comm_->SetCommName("COM" + std::to_string(port));
  comm_->SetBaudRate(static_cast<uint32_t>(baudRate));
  comm_->SetParity(static_cast<TParity>(parity));
  comm_->SetByteSize(static_cast<TByteSize>(byteSize));
  comm_->SetStopBits(static_cast<TStopBits>(stopBits));
}

void CHBMeter::SetPortName(const std::string& commName, int32_t baudRate, uint8_t parity, uint8_t byteSize,
                           uint8_t stopBits) {
  portName_ = commName;
  comm_->SetCommName(commName);
  comm_->SetBaudRate(static_cast<uint32_t>(baudRate));
  comm_->SetParity(static_cast<TParity>(parity));
  comm_->SetByteSize(static_cast<TByteSize>(byteSize));
  comm_->SetStopBits(static_cast<TStopBits>(stopBits));
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
  if (comm_->PortOpen()) {
    BugMessage("[In StartComm] COM已经打开，先停止..");
    comm_->ClosePort();
  }
  AttachReceiveHandler();
  recordsParsed_ = 0;
  receiver_.Begin();
  // Records stay until the next transfer, so the window can take every announced one.
  records_.Clear();
  frameQueue_.Clear();
  comm_->OpenPort();
  if (!comm_->PortOpen()) return false;

  active_ = true;
  // Released by the transfer thread as it ends.
  KeepLineLogsOpen();
  BugMessage("[In StartComm] 打开 " + comm_->CommName() + ", 准备启动线程..");
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
  if (!comm_->PortOpen()) return;
  comm_->OnReceiveData = nullptr;
  comm_->ClosePort();
}

void CHBMeter::CloseFromTransferThread() { comm_->ClosePort(); }

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
  // TComm queues the bytes for its writer thread under its own lock: safe from any thread.
  comm_->WriteData(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint16_t>(bytes.size()));
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
