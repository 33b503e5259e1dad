#include "comm/usb_device_change.h"

#include "app/messages.h"
#include "comm/tone.h"

namespace movra {

void HandleDeviceChange(uint64_t wParam, const DeviceChangeHooks& hooks) {
  int direction = -1;
  const char* status = nullptr;
  if (wParam == ToParam(DeviceEvent::Arrival)) {
    direction = kToneArrival;
    status = "USB device connected";
  } else if (wParam == ToParam(DeviceEvent::Removal)) {
    direction = kToneRemoval;
    status = "USB device disconnected";
  }
  if (status) {
    PlayDeviceTone(direction);
    if (hooks.setStatusText) hooks.setStatusText(status);
    // Any device counts: the list is simply read again.
    if (hooks.usbPorts) {
      auto failure = QueryUSBComm(*hooks.usbPorts, hooks.isRunning && hooks.isRunning(), hooks.lister);
      if (failure && hooks.tell) hooks.tell(*failure);
    }
  }
  if (hooks.redrawStatusBar) hooks.redrawStatusBar();
}

}  // namespace movra
