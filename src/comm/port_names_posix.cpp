#include "comm/port_names.h"

namespace movra {

std::optional<std::string> DevicePathForCommName(const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  if (name.size() > 3 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "com") == 0)) {
    auto n = TrailingNumber(name, 3);
    if (!n) return std::nullopt;
    auto tty = TtyForComNumber(*n);
    if (!tty) return std::nullopt;
    return UnderDeviceRoot("dev/" + *tty);
  }
  return std::nullopt;
}

}  // namespace movra
