// The USB-to-UART ports present now, each with the name the download uses and the name
// the user sees.
#pragma once
#include <string>
#include <vector>

namespace movra::cli {

struct UsbUartPort {
  std::string comName;      // "COM3", as GetUSBCommList gives it to the download
  std::string displayName;  // "CP2102 USB to UART Bridge Controller (COM3)"
};

// In the order a download tries them. Each listed name goes through GetUSBCommList, so a
// name is taken exactly when the window would take it, and traced as the window traces it.
std::vector<UsbUartPort> UsbToUartPorts();

}  // namespace movra::cli
