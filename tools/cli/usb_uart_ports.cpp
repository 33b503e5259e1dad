#include "usb_uart_ports.h"

#include "comm/usb_comm_list.h"
#include "comm/usb_ports.h"

namespace movra::cli {

std::vector<UsbUartPort> UsbToUartPorts() {
  std::vector<std::string> names;
  ListUsbSerialPorts(names);
  std::vector<UsbUartPort> ports;
  for (const std::string& name : names) {
    std::vector<std::string> taken;
    GetUSBCommList(taken, [&name](std::vector<std::string>& list) { list.assign(1, name); });
    if (taken.size() == 1) ports.push_back({taken.front(), name});
  }
  return ports;
}

}  // namespace movra::cli
