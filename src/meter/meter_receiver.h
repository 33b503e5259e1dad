// The receive side of the meter component: the three receive states, the serial number
// and the buffer that record frames are cut from. Chunks are handled on the owner thread;
// the transfer thread reads the serial number and, at its end, empties the buffer.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "meter/frame_queue.h"

namespace movra {

enum TReceiveState : uint8_t { AwaitDevMode = 0, AwaitSerialNumber = 1, ReceiveRecords = 2 };

class MeterReceiver {
 public:
  explicit MeterReceiver(TBufQuery& frameQueue) : frameQueue_(frameQueue) {}

  // A new transfer: the next chunk is the DevMode answer, the buffer is empty, and the
  // serial number is unknown until this meter's answer is taken.
  void Begin();
  // One chunk of an open transfer: logs it and handles it by the receive state.
  void HandleChunk(const std::string& chunk);
  // The end-of-transfer clearing of the buffer and the frame queue; never overlaps a
  // running HandleChunk.
  void Reset();

  uint8_t ReceiveState() const { return state_.load(); }
  std::string SerialNumber() const;
  std::string ReceiveBuffer() const;
  // The buffer holds the start of a record frame that was never cut: a damaged frame, or
  // one whose end never came.
  bool HoldsUncutFrame() const;

 private:
  void HandleSerialBytes(const std::string& chunk);
  void HandleRecordBytes(const std::string& chunk);

  TBufQuery& frameQueue_;
  std::atomic<uint8_t> state_{AwaitDevMode};
  mutable std::mutex serialMutex_;
  std::string serialNumber_ = "Unknown";
  mutable std::mutex bufferMutex_;
  std::string receiveBuffer_;
};

}  // namespace movra
