// The message layer's adapter for the GUI thread: posted work runs in Qt's event loop,
// so a nested QEventLoop wakes for each message as the outer loop does.
#pragma once
#include <QObject>
#include <QPointer>
#include <atomic>
#include <memory>

#include "app/messages.h"

namespace movra {

class QtDispatcher : public Dispatcher {
 public:
  // Binds to the thread of `context` (the GUI thread when given the application object)
  // and makes itself that thread's current dispatcher.
  static std::shared_ptr<QtDispatcher> installForThisThread(QObject* context);
  bool dispatch(std::function<void()> fn) override;
  bool isOwnerThread() const override;
  // Stops taking work (the application is going down).
  void close() { closed_ = true; }

 private:
  explicit QtDispatcher(QObject* context) : context_(context) {}
  QPointer<QObject> context_;
  std::atomic<bool> closed_{false};
};

}  // namespace movra
