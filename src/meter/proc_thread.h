// TProcThread: the transfer thread. It sends the three commands, takes the record frames
// one by one, parses and acknowledges each, and reports to the notify window by posting.
// The transfer ends when the last record of the count the first one announced has been
// acknowledged and no further one starts, when no frame has come for more than 3000 ms, when
// a frame is rejected, or at once when nothing answers the first two commands.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "app/messages.h"

namespace movra {

class CHBMeter;

// What the meter and its transfer thread share beyond the thread's end: the owner's
// request to stop, and the thread's word that it no longer touches the meter.
class TransferControl {
 public:
  // The owner's request; every wait of the thread returns at once afterwards.
  void RequestStop();
  bool StopRequested() const { return stop_.load(); }
  const std::atomic<bool>& StopFlag() const { return stop_; }
  // Sleeps for the given time, or less when a stop is requested.
  void Sleep(std::chrono::milliseconds ms);
  // The thread's last word.
  void MarkDone();
  void WaitDone();
  // WaitDone for at most the given time; true when the thread is done.
  bool WaitDoneFor(std::chrono::milliseconds ms);

 private:
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
};

class TProcThread {
 public:
  // The meter outlives the thread: its destructor stops the thread and waits for it.
  TProcThread(CHBMeter* meter, MessageTarget::Handle notifyWindow, std::shared_ptr<TransferControl> control);
  // The thread body; returns the thread's exit code.
  uint32_t Execute();

  uint32_t StartTick = 0;      // thread start, then the time of the first frame taken
  uint32_t LastFrameTick = 0;  // thread start, then the time of the last frame taken
  bool GotFrame = false;
  CHBMeter* Meter;

  // The no-frame limit, measured in 32-bit tick arithmetic.
  static constexpr uint32_t kNoFrameLimitMs = 3000;
  static constexpr std::chrono::milliseconds kPollInterval{100};
  // After an acknowledgement, how long a meter takes at most to hand over its next record:
  // the acknowledgement and a frame of this size on the wire, the serial reader's quiet gap
  // before it passes the bytes on, and a margin.
  static uint32_t NextRecordWaitMs(uint32_t baud, uint32_t readGapMs, size_t frameBytes);

 private:
  void SendAndLog(const std::string& command, const std::string& logText);
  void Log(const std::string& text);
  void EndTransfer();
  // Ends the transfer: the raw-log line, the end message, the trace line (when given), the
  // port closed.
  void Finish(const std::string& logText, const char* traceText);
  // Waits, from the acknowledgement, until the meter's next record has started to arrive
  // (true) or the time it would need has passed (false).
  bool NextRecordStarts(uint32_t ackTick, size_t bufferedAtAck, size_t frameBytes);
  bool Terminated() const { return terminated_ || control_->StopRequested(); }

  MessageTarget::Handle notifyWindow_;
  std::shared_ptr<TransferControl> control_;
  bool terminated_ = false;
};

}  // namespace movra
