// Messages between threads. A worker never calls into its owner: it posts a message to a
// target bound to the owner's thread, and the owner's loop delivers it there.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace movra {

// Message numbers keep the values of the original window messages.
constexpr uint32_t WM_USER = 1024;
constexpr uint32_t WM_APP = 0x8000;
constexpr uint32_t WM_COMM_DATA = WM_USER + 1;     // 1025
constexpr uint32_t WM_COMM_ERROR = WM_USER + 2;    // 1026
constexpr uint32_t WM_COMM_HANGUP = WM_USER + 3;   // 1027
constexpr uint32_t WM_COMM_MODEM = WM_USER + 4;    // 1028
constexpr uint32_t WM_COMM_TXEMPTY = WM_USER + 5;  // 1029
constexpr uint32_t WM_METER_STATE = WM_APP + 100;    // 32868
constexpr uint32_t WM_METER_RECORDS = WM_APP + 102;  // 32870
constexpr uint32_t WM_TRANSFER_END = WM_APP + 104;   // 32872
constexpr uint32_t WM_METER_NOTICE = WM_APP + 106;   // 32874
constexpr uint32_t WM_DEVICECHANGE = 0x0219;
constexpr uint32_t DBT_DEVICEARRIVAL = 0x8000;
constexpr uint32_t DBT_DEVICEREMOVECOMPLETE = 0x8004;

// One posted message. A data block travels inside it and is freed with it, by whoever
// ends up holding the message: the handler, or the queue that drops it undelivered.
struct Message {
  uint32_t id = 0;
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
  bool post(uint32_t id, uint64_t wParam = 0, int64_t lParam = 0) const;

  // A weak handle that may outlive the target; posting through it after the target is
  // gone returns false.
  class Handle {
   public:
    Handle() = default;
    bool post(Message m) const;
    bool post(uint32_t id, uint64_t wParam = 0, int64_t lParam = 0) const;
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
