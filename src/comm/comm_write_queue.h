// The writer thread's own message queue. WriteData posts into it from the moment the port
// is open; the writer takes from it. Closing it drops what is still queued, blocks and all.
#pragma once
#include <condition_variable>
#include <deque>
#include <mutex>

#include "app/messages.h"

namespace movra {

class CommWriteQueue {
 public:
  // False once the queue is closed; the message is dropped then.
  bool Post(Message m);
  enum class Taken { Message, Empty, Closed };
  Taken TryTake(Message& out);
  // Sleeps until something is queued or the queue is closed; false when closed.
  bool WaitForWork();
  void Close();

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Message> queue_;
  bool closed_ = false;
};

}  // namespace movra
