// CHBMeter: the meter component. It owns the line to the meter (the serial port unless it
// is given another byte stream), the queue of received record frames and the list of
// parsed records, and runs one transfer at a time on its transfer thread (TProcThread).
// Create, configure, start and destroy it on one thread, the owner thread, which must run
// a message loop: the line's received bytes arrive there.
#pragma once
#include <atomic>
#include <functional>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/messages.h"
#include "app/notice.h"
#include "app/thread_state.h"
#include "comm/byte_transport.h"
#include "comm/comm.h"
#include "meter/frame_queue.h"
#include "meter/meter_receiver.h"
#include "meter/meter_record.h"
#include "meter/record_frame.h"
#include "meter/record_handoff.h"
#include "meter/transfer_outcome.h"

namespace movra {

class TransferControl;

class CHBMeter {
 public:
  // Over the serial port.
  CHBMeter();
  // Over the given line; it must be made on this thread.
  explicit CHBMeter(std::unique_ptr<ByteTransport> transport);
  // Stops a running transfer and waits for its thread, then closes the port.
  ~CHBMeter();
  CHBMeter(const CHBMeter&) = delete;
  CHBMeter& operator=(const CHBMeter&) = delete;

  // parity, byteSize, stopBits: the ordinal values of TParity, TByteSize, TStopBits.
  void SetPort(int32_t port, int32_t baudRate, uint8_t parity, uint8_t byteSize, uint8_t stopBits);
  // The same for a port given by name: "COM<n>" or a device path.
  void SetPortName(const std::string& commName, int32_t baudRate, uint8_t parity, uint8_t byteSize,
                   uint8_t stopBits);
  // Opens the port and starts the transfer thread; true when both happened. Does nothing
  // (false) while a transfer is open or its thread is still finishing.
  bool StartComm();
  // Detaches the receive handler and closes the port. Owner thread only.
  void StopComm();
  // True while the transfer thread runs.
  bool IsRunning() const;
  // Ends a running transfer now and waits for its thread: every record it accepted has been
  // acknowledged and announced. Owner thread only.
  void StopTransfer();
  // Waits until the transfer thread has ended by itself (after its end message). Owner
  // thread only.
  void WaitForTransferThread();
  // How the last transfer ended and how many records it accepted; TransferEnd::None from
  // StartComm until the transfer thread ends it. Set before MessageId::TransferEnd is posted.
  TransferOutcome LastTransferOutcome() const;
  // Something answered the commands in the last transfer: a meter listens at this port
  // and speed.
  bool MeterAnswered() const { return !NothingHeard() || LastTransferOutcome().recordsAccepted > 0; }
  // Empties the frame queue and the receive buffer.
  void ResetTransfer();
  // Hands the bytes to the port's writer thread; returns at once. Any thread.
  void SendCommand(const std::string& bytes);
  // Checks one record frame and adds its record to Records: the record number, or -1
  // when the frame is rejected. What the user must hear of it (a rejected frame, a record
  // that could not be converted) waits in TakeNotices.
  int32_t FillMeterData(const std::string& frame);
  // The notices of the transfer not yet taken, oldest first; any thread.
  std::vector<Notice> TakeNotices();
  bool NoticesWaiting() const;
  // The line's receive event; sender is the serial port, or null over another line.
  void OnGetMeterData(TComm* sender, const uint8_t* buffer, uint16_t length);

  bool Active() const { return active_.load(); }
  bool FirstRecordSeen() const { return firstRecordSeen_.load(); }
  int32_t FirstRecordNumber() const { return firstRecordNumber_.load(); }
  uint8_t ReceiveState() const { return receiver_.ReceiveState(); }
  // The serial port; over another line, a port that is never opened.
  TComm& Comm();
  ByteTransport& Transport() { return *transport_; }
  const std::string& PortName() const { return portName_; }
  std::string SerialNumber() const { return receiver_.SerialNumber(); }
  std::string ReceiveBuffer() const { return receiver_.ReceiveBuffer(); }
  TBufQuery& FrameQueue() { return frameQueue_; }
  int32_t RecordsParsed() const { return recordsParsed_.load(); }
  TMeterRecordQuery& Records() { return records_; }

  // Who stores the parsed records, on the owner thread, before each acknowledgement:
  // the function takes every record waiting in Records() and returns once they are
  // stored. Without one the transfer acknowledges at once (a mere reader of the meter).
  // Set it before StartComm and clear it before what it stores into goes away. It runs on
  // the thread of `owner`, by default the calling thread.
  void SetRecordKeeper(std::function<void()> keep, std::shared_ptr<Dispatcher> owner = nullptr);
  // Serves the keeper's waiting request on the keeper's thread, safe after the meter is gone.
  std::function<void()> RecordKeeperServer() const { return handoff_.Server(); }
  // Stores what is still waiting in Records() through the keeper (on its thread) and
  // returns once it has; false without a keeper. Not on the keeper's thread.
  bool KeepWaitingRecords() { return handoff_.KeepNow(); }

  // The window that receives MeterState, MeterRecords, MeterNotice and TransferEnd
  // (MessageId); set before StartComm.
  MessageTarget::Handle NotifyWindow;

 private:
  friend class TProcThread;
  // StopComm as the transfer thread may do it: the port is closed (TComm allows that from
  // any thread) but the receive handler, owner-thread state, stays attached; chunks still
  // on their way are dropped once Active is false, and StartComm attaches it again anyway.
  void CloseFromTransferThread();
  // One more record accepted and about to be acknowledged.
  void NoteAcceptedRecord(int32_t n);
  // The count the first record announced has run out (see transfer_outcome.h).
  bool AnnouncedCountReached() const;
  // No byte at all has come from the line in this transfer.
  bool NothingHeard() const { return receiver_.ReceiveState() == AwaitDevMode && receiver_.ReceiveBuffer().empty(); }
  // Judges how the transfer ended, from what it saw; the transfer thread's last word.
  void NoteTransferEnd(bool stopped);
  void SetInactive() { active_ = false; }
  void AttachReceiveHandler();
  void StopTransferThread();

  std::atomic<bool> active_{false};
  std::atomic<bool> firstRecordSeen_{false};
  std::atomic<int32_t> firstRecordNumber_{0};
  std::atomic<int32_t> recordsAccepted_{0};
  std::atomic<int32_t> lastRecordNumber_{0};
  std::atomic<bool> lineFailed_{false};  // the port reported a hang-up during this transfer
  std::optional<RecordFrameVerdict> rejection_;  // transfer thread only
  mutable std::mutex noticeMutex_;
  std::vector<Notice> notices_;
  void AddNotice(Notice notice);
  mutable std::mutex outcomeMutex_;
  TransferOutcome outcome_;
  std::unique_ptr<ByteTransport> transport_;
  TComm* serialPort_ = nullptr;          // the transport's port, when it is the serial port
  std::unique_ptr<TComm> unusedPort_;   // what Comm() gives over another line
  std::string portName_;
  TBufQuery frameQueue_;
  MeterReceiver receiver_{frameQueue_};
  std::atomic<int32_t> recordsParsed_{0};
  TMeterRecordQuery records_;
  std::shared_ptr<ThreadShared> transferThread_;
  std::shared_ptr<TransferControl> transferControl_;
  RecordHandoff handoff_;
};

}  // namespace movra
