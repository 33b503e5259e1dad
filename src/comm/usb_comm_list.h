// The USB-to-UART ports among the listed serial ports, as "COM<n>" entries for the
// download and the status bar. The window and movra-cli call the same functions.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/notice.h"

namespace movra {

// Fills its list with display names; ListUsbSerialPorts unless a test gives another.
using PortLister = std::function<void(std::vector<std::string>&)>;

// The port text of a display name: what follows the first "COM" after the first
// "USB to UART" (case-sensitive), without the name's last character (the ")" of "(COM3)").
// nullopt when either text is missing. "USB to UART (COM 3)" gives " 3";
// "USB to UART COM15" gives "1".
std::optional<std::string> UsbToUartPortText(const std::string& displayName);
// The port text as a whole as an integer: leading blanks and one sign allowed, decimal
// digits to the end, within int range. nullopt otherwise (an empty text included).
std::optional<int> ParsePortNumber(const std::string& text);

// Rebuilds usbPorts with "COM" + port text for each USB-to-UART port (so "COM 3" stays
// "COM 3"), tracing every listed name and each port taken. Does nothing while a transfer
// runs. The list is cleared only after a successful listing; a failed listing keeps the
// old entries and returns the error for the general error display.
std::optional<Notice> QueryUSBComm(std::vector<std::string>& usbPorts, bool isRunning,
                                   const PortLister& lister = PortLister());
// Clears target, then fills it with "COM" + port number in decimal for each USB-to-UART
// port, tracing every listed name and each port added. Any error is returned as a message.
std::optional<Notice> GetUSBCommList(std::vector<std::string>& target, const PortLister& lister = PortLister());

}  // namespace movra
