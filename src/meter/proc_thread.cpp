#include "meter/proc_thread.h"

#include <algorithm>

#include "app/tick.h"
#include "app/trace.h"
#include "meter/hb_meter.h"
#include "meter/meter_commands.h"
#include "meter/raw_log.h"

namespace movra {

using namespace std::chrono_literals;

void TransferControl::RequestStop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  cv_.notify_all();
}

void TransferControl::Sleep(std::chrono::milliseconds ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  cv_.wait_for(lock, ms, [this] { return stop_.load(); });
}

void TransferControl::MarkDone() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
  }
  cv_.notify_all();
}

void TransferControl::WaitDone() {
  std::unique_lock<std::mutex> lock(mutex_);
  cv_.wait(lock, [this] { return done_; });
}

bool TransferControl::WaitDoneFor(std::chrono::milliseconds ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  return cv_.wait_for(lock, ms, [this] { return done_; });
}

TProcThread::TProcThread(CHBMeter* meter, MessageTarget::Handle notifyWindow, std::shared_ptr<TransferControl> control)
    : Meter(meter), notifyWindow_(std::move(notifyWindow)), control_(std::move(control)) {}

void TProcThread::Log(const std::string& text) { WriteRawLog(text, "Thread:", false); }

void TProcThread::SendAndLog(const std::string& command, const std::string& logText) {
  Meter->SendCommand(command);
  Log(logText + command);
  WriteRawLog(command + "\r\n", "Thread:", true);
}

void TProcThread::EndTransfer() {
  // The outcome is there before the message that tells of it.
  Meter->NoteTransferEnd(false);
  // The window reads an end message with duration 0 as its own "no port" notice; a first
  // frame rejected within the millisecond it arrived must not look like that.
  uint32_t elapsed = std::max<uint32_t>(TickDiff(GetTickCount(), StartTick), 1);
  notifyWindow_.post(MessageId::TransferEnd, 1, elapsed);
  GotFrame = false;
}

void TProcThread::Finish(const std::string& logText, const char* traceText) {
  Log(logText);
  EndTransfer();
  if (traceText) BugMessage(traceText);
  Meter->CloseFromTransferThread();
  terminated_ = true;
}

uint32_t TProcThread::NextRecordWaitMs(uint32_t baud, uint32_t readGapMs, size_t frameBytes) {
  constexpr uint32_t kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
  constexpr uint32_t kMarginMs = 60;
  const size_t wireBytes = RecordAckCommand(0).size() + frameBytes;
  const uint32_t wireMs = baud ? static_cast<uint32_t>((wireBytes * kBitsPerByte * 1000 + baud - 1) / baud) : 0;
  return wireMs + readGapMs + kMarginMs;
}

bool TProcThread::NextRecordStarts(uint32_t ackTick, size_t bufferedAtAck, size_t frameBytes) {
  const TComm& comm = Meter->Comm();
  const uint32_t waitMs = NextRecordWaitMs(comm.BaudRate(), comm.ReadIntervalTimeout(), frameBytes);
  for (;;) {
    if (Meter->FrameQueue().Count() > 0 || Meter->ReceiveBuffer().size() != bufferedAtAck) return true;
    const uint32_t waited = TickDiff(GetTickCount(), ackTick);
    if (waited >= waitMs || Terminated()) return false;
    Meter->FrameQueue().WaitForFrame(std::chrono::milliseconds(waitMs - waited), control_->StopFlag());
  }
}

uint32_t TProcThread::Execute() {
  StartTick = LastFrameTick = GetTickCount();

  SendAndLog(EnterDevCommand(), "线程启动Execute, 发送EnterDev命令");
  control_->Sleep(300ms);
  SendAndLog(QuerySNCommand(), "继续发送查询SN命令");
  control_->Sleep(300ms);
  if (Meter->NothingHeard() && !Terminated()) {
    // Both answers come well within these waits: no meter listens at this port and speed.
    Finish("EnterDev及查询SN命令均无应答，认为通讯结束，线程退出..", "接收超时，强制进程退出");
  } else {
    SendAndLog(DownloadRecordsCommand(), "线程继续发送下载数据命令");
    BugMessage("进程启动，已经发送查询SN命令及下载目录，即将进入循环等待数据..");
    control_->Sleep(200ms);
  }

  std::string frame;
  bool countTrusted = true;  // until a record comes after the announced count ran out
  while (!Terminated()) {
    if (!Meter->FrameQueue().Pop(frame)) {
      if (TickDiff(GetTickCount(), LastFrameTick) > kNoFrameLimitMs)
        Finish("超过3s未收到数据，认为通讯结束，线程退出..", "接收超时，强制进程退出");
      // Wakes as soon as the receive handler queues a frame; the meter sees no difference.
      Meter->FrameQueue().WaitForFrame(kPollInterval, control_->StopFlag());
      continue;
    }
    Log("已经收到一条数据");
    uint32_t now = GetTickCount();
    if (!GotFrame) {
      GotFrame = true;
      StartTick = now;
    }
    LastFrameTick = now;

    int32_t n = Meter->FillMeterData(frame);
    Log("调用FillMeterData填充数据, Num : " + std::to_string(n));
    BugMessage("已经收到数据" + std::to_string(n));
    if (Meter->NoticesWaiting()) notifyWindow_.post(MessageId::MeterNotice);
    if (n < 0) {
      Finish("填充数据错误，退出线程..", nullptr);
      continue;
    }
    Meter->NoteAcceptedRecord(n);
    // The count comes first: the keeper's progress line reads it.
    notifyWindow_.post(MessageId::MeterState, static_cast<uint64_t>(Meter->FrameQueue().Count()),
                       Meter->FirstRecordNumber());
    // The record is stored before the meter hears that it arrived: a crash or a power cut
    // after the acknowledgement cannot lose it. Stored and not acknowledged is harmless:
    // the meter keeps it, and the next download finds it stored already.
    Meter->handoff_.KeepNow();
    // The meter sends the next record only after this acknowledgement.
    size_t bufferedAtAck = Meter->ReceiveBuffer().size();
    uint32_t ackTick = GetTickCount();
    Meter->SendCommand(RecordAckCommand(static_cast<uint8_t>(n)));
    control_->Sleep(kPollInterval);
    notifyWindow_.post(MessageId::MeterRecords, static_cast<uint64_t>(Meter->Records().Count()),
                       Meter->RecordsParsed());
    if (countTrusted && Meter->AnnouncedCountReached()) {
      if (NextRecordStarts(ackTick, bufferedAtAck, frame.size()))
        countTrusted = false;  // the count lied: only the no-frame limit ends this transfer
      else if (!Terminated())
        Finish("最后一条记录已确认，通讯结束，线程退出..", nullptr);
    }
  }

  // Stopped by the owner before the transfer ended by itself: no end message follows.
  if (!terminated_) Meter->NoteTransferEnd(true);
  Meter->SetInactive();
  control_->Sleep(kPollInterval);
  Meter->ResetTransfer();
  BugMessage("进程正常退出");
  Log("进程正常退出");
  CloseLineLogs();
  control_->MarkDone();
  return 0;
}

}  // namespace movra
