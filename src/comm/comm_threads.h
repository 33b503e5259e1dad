// The reader and writer threads of TComm. They never call into the component: they post
// to its notification target and end when the close signal is raised or the port fails.
#pragma once
#include <cstdint>
#include <memory>

#include "app/messages.h"

namespace movra {

class SerialBackend;
class CommWriteQueue;

class TReadThread {
 public:
  TReadThread(std::shared_ptr<SerialBackend> port, MessageTarget::Handle commWindow, uint16_t bufferSize,
              uint16_t readLength);
  // Hands every chunk to the notification target until the close signal or a hang-up.
  void Execute();

 private:
  bool HandleData(const uint8_t* bytes, size_t n);
  bool PostOrHangUp(MessageId id, int64_t lParam);

  std::shared_ptr<SerialBackend> port_;
  MessageTarget::Handle commWindow_;
  uint16_t bufferSize_;
  uint16_t readLength_;
};

class TWriteThread {
 public:
  TWriteThread(std::shared_ptr<SerialBackend> port, std::shared_ptr<CommWriteQueue> queue,
               MessageTarget::Handle commWindow);
  // Writes each queued block in turn; reports an empty queue once after each run of writes.
  void Execute();

 private:
  bool WriteBuffer(const uint8_t* bytes, size_t n);

  std::shared_ptr<SerialBackend> port_;
  std::shared_ptr<CommWriteQueue> queue_;
  MessageTarget::Handle commWindow_;
};

}  // namespace movra
