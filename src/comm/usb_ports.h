// The serial ports of USB devices present now, with the names the user sees.
#pragma once
#include <string>
#include <vector>

namespace movra {

struct UsbSerialPort {
  std::string ttyName;      // "ttyUSB0", "ttyACM1"
  int comNumber = 0;        // by the COM numbering rule: ttyUSB0 is 1, ttyACM0 is 65
  std::string devicePath;   // <root>/dev/<ttyName>
  std::string product;      // the USB device's product text, trimmed
  std::string vendorId;     // idVendor and idProduct as the device folder holds them ("" if absent)
  std::string productId;
  std::string displayName;  // product + " (COM<n>)"
};

// Every ttyUSB* and ttyACM* entry of <root>/sys/class/tty/ whose device sits below a USB
// device (a folder holding `product`), in port order: ttyUSB0, ttyUSB1 … ttyUSB10 …, then
// ttyACM0 …. Links are followed as if <root> were "/", and never above <root>/sys. Entries
// that cannot be read or resolved are left out; a missing root gives an empty list.
// Never raises for file-system trouble.
std::vector<UsbSerialPort> EnumerateUsbSerialPorts(const std::string& root);
// The same under the device root (MOVRA_DEVICE_ROOT, default "/").
std::vector<UsbSerialPort> EnumerateUsbSerialPorts();

// Clears `list` and fills it with the display names of the present USB serial ports,
// e.g. "CP2102 USB to UART Bridge Controller (COM1)". On Windows the names are the
// "FriendlyName"s of the present COM-port interfaces in the registry (usb_ports_win32.cpp);
// the sysfs functions above are Linux's. A registry entry without its reference count
// fails the listing with std::runtime_error.
void ListUsbSerialPorts(std::vector<std::string>& list);

}  // namespace movra
