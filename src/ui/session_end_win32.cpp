#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QDeadlineTimer>

#include "ui/session_end.h"
// After the program's own headers: <windows.h> defines some of their names as macros.
#include <windows.h>

namespace movra {

namespace {

// Windows ends the process soon after WM_ENDSESSION is answered: the transfer is ended and
// its records stored before the answer.
class SessionEndFilter : public QAbstractNativeEventFilter {
 public:
  SessionEndFilter(std::function<void()> onEnd, std::function<bool()> ended)
      : onEnd_(std::move(onEnd)), ended_(std::move(ended)) {}

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "windows_generic_MSG") return false;
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_ENDSESSION || msg->wParam == FALSE || handled_) return false;
    handled_ = true;
    onEnd_();
    QDeadlineTimer deadline(10000);
    while (!ended_() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return false;
  }

 private:
  std::function<void()> onEnd_;
  std::function<bool()> ended_;
  bool handled_ = false;
};

}  // namespace

void WatchSessionEnd(QObject* owner, std::function<void()> onEnd, std::function<bool()> ended) {
  auto* filter = new SessionEndFilter(std::move(onEnd), std::move(ended));
  QCoreApplication::instance()->installNativeEventFilter(filter);
  QObject::connect(owner, &QObject::destroyed, [filter] {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(filter);
    delete filter;
  });
}

}  // namespace movra
