// Device changes on Windows: a hidden message-only window on a thread of its own, signed
// up with RegisterDeviceNotification for the COM-port interface class (a message-only
// window gets no broadcasts). Each arrival or removal of a serial port reaches the owner
// as the same device-change message the watcher of the dev folder posts.
#include <atomic>
#include <thread>

#include "app/trace.h"
#include "comm/device_watcher.h"
// After the program's own headers: <windows.h> defines some of their names as macros.
#include "app/win32_strings.h"
#include <dbt.h>

namespace movra {

namespace {

const GUID kComPortInterface = {0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};
const wchar_t kWindowClass[] = L"MovraDeviceWatcher";

class NotificationWindowWatcher : public DeviceWatcherBackend {
 public:
  explicit NotificationWindowWatcher(ChangeFn onChange) : onChange_(std::move(onChange)) {}

  ~NotificationWindowWatcher() override {
    if (thread_.joinable()) {
      HWND window = window_.load();
      if (window) PostMessageW(window, WM_CLOSE, 0, 0);
      thread_.join();
    }
  }

  bool Watching() const override { return watching_; }

  void start() {
    // The window must live on the thread that pumps its messages.
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, ready] { run(ready); });
    if (ready) {
      WaitForSingleObject(ready, INFINITE);
      CloseHandle(ready);
    }
  }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<NotificationWindowWatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_DEVICECHANGE && self) {
      if (wParam == DBT_DEVICEARRIVAL) self->onChange_(DeviceEvent::Arrival);
      if (wParam == DBT_DEVICEREMOVECOMPLETE) self->onChange_(DeviceEvent::Removal);
      return TRUE;
    }
    if (message == WM_CLOSE) {
      DestroyWindow(window);
      return 0;
    }
    if (message == WM_DESTROY) {
      PostQuitMessage(0);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  void run(HANDLE ready) {
    HWND window = makeWindow();
    if (ready) SetEvent(ready);
    if (!window) return;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    if (notification_) UnregisterDeviceNotification(notification_);
    watching_ = false;
    window_ = nullptr;
  }

  HWND makeWindow() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kWindowClass;
    // A second watcher in the process finds the class already there.
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      BugMessage("DeviceWatcher: no device notifications, RegisterClassEx: " + SystemErrorText(GetLastError()));
      return nullptr;
    }
    HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (!window) {
      BugMessage("DeviceWatcher: no device notifications, CreateWindowEx: " + SystemErrorText(GetLastError()));
      return nullptr;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kComPortInterface;
    notification_ = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!notification_)
      BugMessage("DeviceWatcher: no device notifications, RegisterDeviceNotification: " +
                 SystemErrorText(GetLastError()));
    watching_ = notification_ != nullptr;
    window_ = window;
    return window;
  }

  ChangeFn onChange_;
  std::thread thread_;
  std::atomic<HWND> window_{nullptr};
  HDEVNOTIFY notification_ = nullptr;  // the window's thread only
  std::atomic<bool> watching_{false};
};

}  // namespace

// The folder has no meaning here: the system reports the devices.
std::unique_ptr<DeviceWatcherBackend> DeviceWatcherBackend::Start(const std::string&, ChangeFn onChange) {
  auto watcher = std::make_unique<NotificationWindowWatcher>(std::move(onChange));
  watcher->start();
  return watcher;
}

}  // namespace movra
