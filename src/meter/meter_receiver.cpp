#include "meter/meter_receiver.h"

#include <exception>
#include <vector>

#include "app/trace.h"
#include "meter/frame_cutter.h"
#include "meter/meter_answers.h"
#include "meter/raw_log.h"

namespace movra {

void MeterReceiver::Begin() {
  std::lock_guard<std::mutex> lock(bufferMutex_);
  receiveBuffer_.clear();
  state_ = AwaitDevMode;
}

void MeterReceiver::Reset() {
  std::lock_guard<std::mutex> lock(bufferMutex_);
  receiveBuffer_.clear();
  frameQueue_.Clear();
}

std::string MeterReceiver::SerialNumber() const {
  std::lock_guard<std::mutex> lock(serialMutex_);
  return serialNumber_;
}

std::string MeterReceiver::ReceiveBuffer() const {
  std::lock_guard<std::mutex> lock(bufferMutex_);
  return receiveBuffer_;
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
    case AwaitSerialNumber: {
      std::string serial;
      {
        std::lock_guard<std::mutex> lock(serialMutex_);
        if (auto sn = SerialNumberFromAnswer(chunk)) serialNumber_ = *sn;
        serial = serialNumber_;
      }
      WriteRawLog("收到SN数据" + serial + ", 进入接收下载数据模式..", "<<<", false);
      state_ = ReceiveRecords;
      break;
    }
    default:
      HandleRecordBytes(chunk);
      break;
  }
}

void MeterReceiver::HandleRecordBytes(const std::string& chunk) {
  std::lock_guard<std::mutex> lock(bufferMutex_);
  std::vector<std::string> frames;
  AppendAndCut(receiveBuffer_, chunk, frames);
  for (const auto& f : frames) frameQueue_.Add(f);
}

}  // namespace movra
