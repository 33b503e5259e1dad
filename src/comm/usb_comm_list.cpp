#include "comm/usb_comm_list.h"

#include <climits>
#include <exception>

#include "app/trace.h"
#include "comm/usb_ports.h"

namespace movra {

namespace {

const std::string kUsbToUart = "USB to UART";

void listNames(const PortLister& lister, std::vector<std::string>& names) {
  if (lister)
    lister(names);
  else
    ListUsbSerialPorts(names);
}

}  // namespace

std::optional<std::string> UsbToUartPortText(const std::string& displayName) {
  size_t at = displayName.find(kUsbToUart);
  if (at == std::string::npos) return std::nullopt;
  std::string rest = displayName.substr(at + kUsbToUart.size());
  size_t com = rest.find("COM");
  if (com == std::string::npos) return std::nullopt;
  size_t from = com + 3;
  // The last character is taken to be the closing parenthesis, whatever it is.
  if (from + 1 >= rest.size()) return std::string();
  return rest.substr(from, rest.size() - 1 - from);
}

std::optional<int> ParsePortNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < INT_MIN || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

std::optional<Notice> QueryUSBComm(std::vector<std::string>& usbPorts, bool isRunning, const PortLister& lister) {
  // The transfer thread works on one of these ports; the list stays as it is until it ends.
  if (isRunning) return std::nullopt;
  try {
    std::vector<std::string> names;
    listNames(lister, names);
    usbPorts.clear();
    for (const std::string& name : names) {
      BugMessage(name);
      auto text = UsbToUartPortText(name);
      if (!text || !ParsePortNumber(*text)) continue;
      BugMessage("QueryUSB检测到USB串口 COM" + *text);
      usbPorts.push_back("COM" + *text);
    }
  } catch (const std::exception& e) {
    return ErrorNotice(e.what());
  }
  return std::nullopt;
}

std::optional<Notice> GetUSBCommList(std::vector<std::string>& target, const PortLister& lister) {
  target.clear();
  try {
    std::vector<std::string> names;
    listNames(lister, names);
    for (const std::string& name : names) {
      BugMessage(name);
      auto text = UsbToUartPortText(name);
      if (!text) continue;
      auto number = ParsePortNumber(*text);
      if (!number) continue;
      target.push_back("COM" + std::to_string(*number));
      BugMessage("增加USB串口 COM" + std::to_string(*number));
    }
  } catch (const std::exception& e) {
    target.clear();
    return InfoNotice(e.what());
  }
  return std::nullopt;
}

}  // namespace movra
