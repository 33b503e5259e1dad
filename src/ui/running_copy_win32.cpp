#include <QCryptographicHash>

#include "ui/running_copy.h"
// After the program's own headers: <windows.h> defines some of their names as macros.
#include "app/win32_strings.h"

namespace movra {

namespace {

// The request, and the running copy's answer to it.
constexpr UINT kRaiseMessage = WM_APP + 0x4d52;
constexpr LRESULT kRaised = 0x4d525241;

struct RaiseTarget {
  std::function<void(const QByteArray&)> raise;
};

LRESULT CALLBACK ChannelWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kRaiseMessage) {
    auto* target = reinterpret_cast<RaiseTarget*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!target) return 0;
    target->raise(QByteArray());
    return kRaised;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

QString RunningCopyChannel(const std::string& dataFolder) {
  // Message-only windows are found on the user's own desktop alone; the class name also
  // holds the user, as a portable data folder may be shared by several.
  QByteArray key = QString::fromStdString(dataFolder).toLower().toUtf8() + '|' + qgetenv("USERDOMAIN") + '\\' +
                   qgetenv("USERNAME");
  return "MovraRunningCopy-" + QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(24));
}

bool ChannelOfAnotherUser(const QString&) { return false; }

struct RunningCopyServer::Impl {
  std::wstring className;
  HWND window = nullptr;
  RaiseTarget target;
};

RunningCopyServer::RunningCopyServer(const QString& channel, std::function<void(const QByteArray&)> raise)
    : impl_(std::make_unique<Impl>()) {
  impl_->target.raise = std::move(raise);
  impl_->className = channel.toStdWString();
  WNDCLASSW wc{};
  wc.lpfnWndProc = ChannelWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = impl_->className.c_str();
  if (!RegisterClassW(&wc)) return;
  // Made on this thread: its messages arrive through the message loop this thread runs.
  impl_->window = CreateWindowExW(0, impl_->className.c_str(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
  if (impl_->window) SetWindowLongPtrW(impl_->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&impl_->target));
}

RunningCopyServer::~RunningCopyServer() {
  if (impl_->window) DestroyWindow(impl_->window);
  UnregisterClassW(impl_->className.c_str(), GetModuleHandleW(nullptr));
}

bool RunningCopyServer::listening() const { return impl_->window != nullptr; }

bool AskRunningCopyToRaise(const QString& channel, int timeoutMs) {
  std::wstring className = channel.toStdWString();
  DWORD start = GetTickCount();
  // A copy that has just taken the lock makes its window a moment later.
  for (;;) {
    if (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, className.c_str(), nullptr)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(window, &pid);
      // This start was just begun by the user and may hand the foreground on.
      AllowSetForegroundWindow(pid);
      DWORD_PTR answer = 0;
      DWORD left = DWORD(timeoutMs) - (GetTickCount() - start);
      if (int(left) <= 0) left = 1;
      return SendMessageTimeoutW(window, kRaiseMessage, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, left, &answer) &&
             answer == DWORD_PTR(kRaised);
    }
    if (GetTickCount() - start >= DWORD(timeoutMs)) return false;
    Sleep(100);
  }
}

}  // namespace movra
