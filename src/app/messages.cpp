#include "app/messages.h"

namespace movra {

namespace {
thread_local std::shared_ptr<Dispatcher> tCurrent;
}

std::shared_ptr<Dispatcher> Dispatcher::current() { return tCurrent; }
void Dispatcher::setCurrent(std::shared_ptr<Dispatcher> d) { tCurrent = std::move(d); }

struct MessageTarget::Handle::State {
  std::shared_ptr<Dispatcher> owner;
  std::mutex mutex;  // guards alive and handler
  bool alive = true;
  Handler handler;
};

namespace {
bool postTo(const std::shared_ptr<MessageTarget::Handle::State>& s, Message m);
}

MessageTarget::MessageTarget(Handler handler) : MessageTarget(Dispatcher::current(), std::move(handler)) {}

MessageTarget::MessageTarget(std::shared_ptr<Dispatcher> owner, Handler handler)
    : state_(std::make_shared<Handle::State>()) {
  state_->owner = std::move(owner);
  state_->handler = std::move(handler);
}

MessageTarget::~MessageTarget() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->alive = false;
  state_->handler = nullptr;
}

bool MessageTarget::post(Message m) const { return postTo(state_, std::move(m)); }
bool MessageTarget::post(MessageId id, uint64_t wParam, int64_t lParam) const {
  return post(Message{id, wParam, lParam, {}});
}

MessageTarget::Handle MessageTarget::handle() const {
  Handle h;
  h.state_ = state_;
  return h;
}

bool MessageTarget::Handle::post(Message m) const {
  auto s = state_.lock();
  if (!s) return false;
  return postTo(s, std::move(m));
}
bool MessageTarget::Handle::post(MessageId id, uint64_t wParam, int64_t lParam) const {
  return post(Message{id, wParam, lParam, {}});
}

namespace {
bool postTo(const std::shared_ptr<MessageTarget::Handle::State>& s, Message m) {
  if (!s || !s->owner) return false;
  {
    std::lock_guard<std::mutex> lock(s->mutex);
    if (!s->alive) return false;
  }
  std::weak_ptr<MessageTarget::Handle::State> weak = s;
  // The message lives inside the closure: if the loop drops the closure, the data goes with it.
  auto box = std::make_shared<Message>(std::move(m));
  return s->owner->dispatch([weak, box]() {
    auto st = weak.lock();
    if (!st) return;
    MessageTarget::Handler h;
    {
      std::lock_guard<std::mutex> lock(st->mutex);
      if (!st->alive) return;
      h = st->handler;
    }
    if (h) h(*box);
  });
}
}  // namespace

}  // namespace movra
