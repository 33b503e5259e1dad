#include "ui/qt_dispatcher.h"

#include <QMetaObject>
#include <QThread>

namespace movra {

std::shared_ptr<QtDispatcher> QtDispatcher::installForThisThread(QObject* context) {
  std::shared_ptr<QtDispatcher> d(new QtDispatcher(context));
  Dispatcher::setCurrent(d);
  return d;
}

bool QtDispatcher::dispatch(std::function<void()> fn) {
  if (closed_) return false;
  QPointer<QObject> ctx = context_;
  if (!ctx) return false;
  // A queued call is dropped with its closure (and the message data in it) when the
  // context dies first.
  return QMetaObject::invokeMethod(ctx.data(), std::move(fn), Qt::QueuedConnection);
}

bool QtDispatcher::isOwnerThread() const {
  QObject* ctx = context_.data();
  return ctx && ctx->thread() == QThread::currentThread();
}

}  // namespace movra
