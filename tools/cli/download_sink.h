// What becomes of one transfer's records: printed as they come, or stored as the window
// stores them. The download feeds the transfer's messages in and asks for the end.
#pragma once
#include "app/messages.h"

namespace movra::cli {

class DownloadSink {
 public:
  virtual ~DownloadSink() = default;
  // MessageId::MeterState, MessageId::MeterRecords, MessageId::MeterNotice and MessageId::TransferEnd, in the order
  // posted (the download shows the notices).
  virtual void OnMessage(const Message& m) = 0;
  // Once the transfer thread has ended (or the user stopped the tool) and every message
  // it posted has been handled: the last output, and the exit code.
  virtual int Finish(bool interrupted) = 0;
};

}  // namespace movra::cli
