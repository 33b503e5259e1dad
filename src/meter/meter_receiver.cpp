#include "meter/meter_receiver.h"

#include <exception>
#include <vector>

#include "app/trace.h"
#include "meter/frame_cutter.h"
#include "meter/frame_layout.h"
#include "meter/meter_answers.h"
#include "meter/raw_log.h"

namespace movra {

void MeterReceiver::Begin() {
  {
    // Another meter may be on the line now: its records must not get the last one's number.
    std::lock_guard<std::mutex> lock(serialMutex_);
    serialNumber_ = "Unknown";
  }
  std::lock_guard<std::mutex> lock(bufferMutex_);
  receiveBuffer_.clear();
  state_ = AwaitDevMode;
}

void MeterReceiver::Reset() {
  SerialAnswerScan abandoned;
  {
    std::lock_guard<std::mutex> lock(bufferMutex_);
    // Half a serial number answer and then silence: the trace says why it stays unknown.
    if (state_ == AwaitSerialNumber && !receiveBuffer_.empty()) abandoned = AbandonSerialAnswer(receiveBuffer_);
    receiveBuffer_.clear();
    frameQueue_.Clear();
  }
  if (!abandoned.traceText.empty()) BugMessage(abandoned.traceText);
}

std::string MeterReceiver::SerialNumber() const {
  std::lock_guard<std::mutex> lock(serialMutex_);
  return serialNumber_;
}

std::string MeterReceiver::ReceiveBuffer() const {
  std::lock_guard<std::mutex> lock(bufferMutex_);
  return receiveBuffer_;
}

bool MeterReceiver::HoldsUncutFrame() const {
  std::lock_guard<std::mutex> lock(bufferMutex_);
  return receiveBuffer_.find(kRecordFrameStart) != std::string::npos;
}

void MeterReceiver::HandleChunk(const std::string& chunk) {
  WriteRawLog(chunk, "<<<", true);
  try {
    WriteCommDataLog(chunk);
  } catch (const std::exception& e) {
    BugMessage(std::string("Write Log Error in OnGetMeterData!") + e.what());
  }
  switch (state_.load()) {
    case AwaitDevMode:
      // The meter's first answer only tells that it listens; its content is not used.
      if (auto line = DevModeLogText(chunk)) WriteRawLog(*line, "<<<", false);
      state_ = AwaitSerialNumber;
      break;
    case AwaitSerialNumber:
      HandleSerialBytes(chunk);
      break;
    default:
      HandleRecordBytes(chunk);
      break;
  }
}

void MeterReceiver::HandleSerialBytes(const std::string& chunk) {
  SerialAnswerScan scan;
  {
    std::lock_guard<std::mutex> lock(bufferMutex_);
    // The answer may come in pieces; it is taken only whole and with the right CRC.
    receiveBuffer_ += chunk;
    scan = TakeSerialAnswer(receiveBuffer_);
  }
  if (scan.verdict == SerialAnswerVerdict::Waiting) return;
  std::string serial;
  {
    std::lock_guard<std::mutex> lock(serialMutex_);
    if (scan.verdict == SerialAnswerVerdict::Taken) serialNumber_ = scan.serialNumber;
    serial = serialNumber_;
  }
  if (!scan.traceText.empty()) BugMessage(scan.traceText);
  WriteRawLog("收到SN数据" + serial + ", 进入接收下载数据模式..", "<<<", false);
  state_ = ReceiveRecords;
  // Bytes behind the answer are the first record's.
  HandleRecordBytes(std::string());
}

void MeterReceiver::HandleRecordBytes(const std::string& chunk) {
  std::lock_guard<std::mutex> lock(bufferMutex_);
  std::vector<std::string> frames;
  AppendAndCut(receiveBuffer_, chunk, frames);
  for (const auto& f : frames) frameQueue_.Add(f);
}

}  // namespace movra
