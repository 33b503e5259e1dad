#include "comm/comm_threads.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "comm/comm_write_queue.h"
#include "comm/serial_backend.h"

namespace movra {

TReadThread::TReadThread(std::shared_ptr<SerialBackend> port, MessageTarget::Handle commWindow,
                         uint16_t bufferSize, uint16_t readLength)
    : port_(std::move(port)), commWindow_(commWindow), bufferSize_(bufferSize), readLength_(readLength) {}

void TReadThread::Execute() {
  RaiseCurrentThreadPriority(SerialThreadPriority::Highest);
  std::vector<uint8_t> buffer(std::max<size_t>(bufferSize_, 1));
  // InBufferSize may have shrunk below InputLen after InputLen was set.
  size_t want = std::clamp<size_t>(readLength_, 1, buffer.size());

  while (!port_->CloseSignalled()) {
    SerialReadResult r = port_->ReadChunk(buffer.data(), want);
    if (r.lineErrors && !PostOrHangUp(MessageId::CommError, r.lineErrors)) break;
    if (r.modemEvents && !PostOrHangUp(MessageId::CommModem, r.modemEvents)) break;
    // Bytes that came before a hang-up are still delivered.
    if (r.count > 0 && !HandleData(buffer.data(), r.count)) break;
    if (r.status == SerialIo::Closed) break;
    if (r.status == SerialIo::HangUp) {
      commWindow_.post(MessageId::CommHangUp);
      break;
    }
    // A read deadline that passed without data just starts the next read.
  }
  port_->Purge(SerialQueues::Input);
}

bool TReadThread::HandleData(const uint8_t* bytes, size_t n) {
  Message m{MessageId::CommData, n, 0, std::vector<uint8_t>(n + 1, 0)};
  std::memcpy(m.data.data(), bytes, n);
  if (!commWindow_.post(std::move(m))) {
    commWindow_.post(MessageId::CommHangUp);
    return false;
  }
  return true;
}

bool TReadThread::PostOrHangUp(MessageId id, int64_t lParam) {
  if (commWindow_.post(id, 0, lParam)) return true;
  commWindow_.post(MessageId::CommHangUp);
  return false;
}

TWriteThread::TWriteThread(std::shared_ptr<SerialBackend> port, std::shared_ptr<CommWriteQueue> queue,
                           MessageTarget::Handle commWindow)
    : port_(std::move(port)), queue_(std::move(queue)), commWindow_(commWindow) {}

void TWriteThread::Execute() {
  RaiseCurrentThreadPriority(SerialThreadPriority::AboveNormal);
  bool notify = true;
  for (;;) {
    Message m;
    CommWriteQueue::Taken taken = queue_->TryTake(m);
    if (taken == CommWriteQueue::Taken::Closed) break;
    if (taken == CommWriteQueue::Taken::Empty) {
      if (notify) {
        if (!commWindow_.post(MessageId::CommTxEmpty)) {
          commWindow_.post(MessageId::CommHangUp);
          break;
        }
        notify = false;
      }
      if (!queue_->WaitForWork()) break;
      continue;
    }
    if (port_->CloseSignalled()) break;
    if (m.id != MessageId::CommData) continue;
    if (!WriteBuffer(m.data.data(), std::min<size_t>(m.wParam, m.data.size()))) break;
    notify = true;
  }
  // Later posts are refused and whatever is still queued is freed.
  queue_->Close();
  port_->Purge(SerialQueues::Output);
}

bool TWriteThread::WriteBuffer(const uint8_t* bytes, size_t n) {
  size_t done = 0;
  while (done < n) {
    SerialWriteResult r = port_->Write(bytes + done, n - done);
    done += r.count;
    switch (r.status) {
      case SerialIo::Ok:
      case SerialIo::TimedOut:  // what was not taken in time is offered again
        break;
      case SerialIo::Closed:
        return false;
      case SerialIo::HangUp:
        commWindow_.post(MessageId::CommHangUp);
        return false;
    }
  }
  return true;
}

}  // namespace movra
