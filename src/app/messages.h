// Messages between threads. A worker never calls into its owner: it posts a message to a
// target bound to the owner's thread, and the owner's loop delivers it there.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace movra {

// What one thread posts to another. The Win32 backends translate the system's own window
// messages into these where they meet them.
enum class MessageId : uint32_t {
  None,
  CommData,     // bytes read from the port, in the data block; wParam: their count
  CommError,    // line errors; wParam: the error bits
  CommHangUp,   // the line is gone
  CommModem,    // modem lines changed; wParam: the event bits
  CommTxEmpty,  // everything queued has been written
  MeterState,    // a record was accepted; wParam: frames queued, lParam: the announced count
  MeterRecords,  // records wait to be taken; wParam: how many, lParam: parsed so far
  MeterNotice,   // the transfer has something to tell the user (CHBMeter::TakeNotices)
  TransferEnd,   // the transfer ended; wParam 1, lParam: its duration in ms
  DeviceChange,  // a device came or went; wParam: a DeviceEvent
};

// The wParam of MessageId::DeviceChange.
enum class DeviceEvent : uint64_t { Arrival = 1, Removal = 2 };
constexpr uint64_t ToParam(DeviceEvent e) { return static_cast<uint64_t>(e); }

// One posted message. A data block travels inside it and is freed with it, by whoever
// ends up holding the message: the handler, or the queue that drops it undelivered.
struct Message {
  MessageId id = MessageId::None;
  uint64_t wParam = 0;
  int64_t lParam = 0;
  std::vector<uint8_t> data;
};

// The queue of one thread. Implemented by EventLoop (tools and tests) and by the Qt adapter.
class Dispatcher {
 public:
  virtual ~Dispatcher() = default;
  // Queues fn to run on the owner thread; false when the loop no longer takes work.
  virtual bool dispatch(std::function<void()> fn) = 0;
  // True when called on the thread that runs this dispatcher.
  virtual bool isOwnerThread() const = 0;

  // The dispatcher of the calling thread, or null when the thread runs none.
  static std::shared_ptr<Dispatcher> current();
  static void setCurrent(std::shared_ptr<Dispatcher> d);
};

// A receiver of posted messages, bound to the thread that created it. Messages posted
// after the target is destroyed, or still queued then, are dropped with their data.
class MessageTarget {
 public:
  using Handler = std::function<void(Message&)>;
  // Binds to the calling thread's dispatcher (Dispatcher::current()).
  explicit MessageTarget(Handler handler);
  MessageTarget(std::shared_ptr<Dispatcher> owner, Handler handler);
  ~MessageTarget();
  MessageTarget(const MessageTarget&) = delete;
  MessageTarget& operator=(const MessageTarget&) = delete;

  // Thread-safe. False when the target has no live owner loop.
  bool post(Message m) const;
  bool post(MessageId id, uint64_t wParam = 0, int64_t lParam = 0) const;

  // A weak handle that may outlive the target; posting through it after the target is
  // gone returns false.
  class Handle {
   public:
    Handle() = default;
    bool post(Message m) const;
    bool post(MessageId id, uint64_t wParam = 0, int64_t lParam = 0) const;
    bool valid() const { return !state_.expired(); }

    struct State;

   private:
    friend class MessageTarget;
    std::weak_ptr<State> state_;
  };
  Handle handle() const;

 private:
  std::shared_ptr<Handle::State> state_;
};

}  // namespace movra
