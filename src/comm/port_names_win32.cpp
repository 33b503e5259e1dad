#include "comm/port_names.h"

namespace movra {

std::optional<std::string> DevicePathForCommName(const std::string& name) {
  if (name.rfind("\\\\", 0) == 0) return name;
  if (name.size() > 3 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "com") == 0)) {
    // COM10 and above can only be opened by the device name; COM1 the same way as well.
    auto n = TrailingNumber(name, 3);
    if (!n || *n < 1) return std::nullopt;
    return "\\\\.\\" + name;
  }
  return std::nullopt;
}

}  // namespace movra
