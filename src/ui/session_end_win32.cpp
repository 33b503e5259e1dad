#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QObject>

#include "ui/session_end.h"
// After the program's own headers: <windows.h> defines some of their names as macros.
#include "app/win32_strings.h"

namespace movra {

namespace {

class EndSessionFilter : public QAbstractNativeEventFilter {
 public:
  explicit EndSessionFilter(std::function<void()> end) : end_(std::move(end)) {}
  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "windows_generic_MSG") return false;
    const MSG* msg = static_cast<const MSG*>(message);
    // The session ends once every program has agreed; the process may be ended as soon
    // as WM_ENDSESSION has been answered, so the records are stored before either answer.
    // Qt still answers both messages itself.
    if (msg->message == WM_QUERYENDSESSION || (msg->message == WM_ENDSESSION && msg->wParam)) end_();
    return false;
  }

 private:
  std::function<void()> end_;
};

// The console's control handler runs on a thread of its own; the process ends when it
// returns from a close, logoff or shutdown event.
QObject* gConsoleTarget = nullptr;
std::function<void()>* gConsoleEnd = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      break;
    default:
      return FALSE;
  }
  if (!gConsoleTarget || !gConsoleEnd) return FALSE;
  std::function<void()>* end = gConsoleEnd;
  QMetaObject::invokeMethod(gConsoleTarget, [end] { (*end)(); }, Qt::BlockingQueuedConnection);
  return TRUE;
}

}  // namespace

struct SessionEndWatcher::Impl {
  std::function<void()> end;
  std::unique_ptr<EndSessionFilter> filter;
  std::unique_ptr<QObject> consoleTarget;
  bool ended = false;
};

SessionEndWatcher::SessionEndWatcher(std::function<void()> onEnd) : impl_(std::make_unique<Impl>()) {
  impl_->end = [impl = impl_.get(), onEnd = std::move(onEnd)] {
    if (impl->ended) return;
    impl->ended = true;
    onEnd();
  };
  impl_->filter = std::make_unique<EndSessionFilter>(impl_->end);
  if (QCoreApplication* app = QCoreApplication::instance()) app->installNativeEventFilter(impl_->filter.get());
  impl_->consoleTarget = std::make_unique<QObject>();
  gConsoleTarget = impl_->consoleTarget.get();
  gConsoleEnd = &impl_->end;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

SessionEndWatcher::~SessionEndWatcher() {
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  gConsoleTarget = nullptr;
  gConsoleEnd = nullptr;
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeNativeEventFilter(impl_->filter.get());
}

}  // namespace movra
