// What the main window does when a device arrives or goes: the two-tone signal, the status
// text, and a fresh USB port list unless a transfer is running.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/messages.h"
#include "comm/usb_comm_list.h"

namespace movra {

struct DeviceChangeHooks {
  std::vector<std::string>* usbPorts = nullptr;           // the window's UsbPorts
  std::function<bool()> isRunning;                        // the meter's IsRunning; empty: not running
  std::function<void(const std::string&)> setStatusText;  // status-bar panel 0
  std::function<void()> redrawStatusBar;
  PortLister lister;                                      // empty: the present USB serial ports
  std::function<void(const Notice&)> tell;                // a port listing that failed; empty: untold
};

// For MessageId::DeviceChange (its wParam), after the window's default handling.
// DeviceEvent::Arrival: rising tone, "USB device connected", QueryUSBComm;
// DeviceEvent::Removal: falling tone,
// "USB device disconnected", QueryUSBComm. The status bar is redrawn in every case.
void HandleDeviceChange(uint64_t wParam, const DeviceChangeHooks& hooks);

}  // namespace movra
