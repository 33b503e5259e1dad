#include "comm/port_names.h"

#include <cctype>
#include <cstdlib>

namespace movra {

std::string DeviceRoot() {
  const char* v = std::getenv("MOVRA_DEVICE_ROOT");
  return v && *v ? v : "/";
}

std::string UnderDeviceRoot(const std::string& rel) {
  std::string root = DeviceRoot();
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  std::string r = rel;
  while (!r.empty() && r.front() == '/') r.erase(r.begin());
  return root == "/" ? "/" + r : root + "/" + r;
}

std::optional<int> TrailingNumber(const std::string& s, size_t from) {
  if (from >= s.size() || s.size() - from > 4) return std::nullopt;
  int v = 0;
  for (size_t i = from; i < s.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return std::nullopt;
    v = v * 10 + (s[i] - '0');
  }
  return v;
}

std::optional<int> ComNumberForTty(const std::string& tty) {
  if (tty.rfind("ttyUSB", 0) == 0) {
    auto k = TrailingNumber(tty, 6);
    if (k && *k <= 63) return *k + 1;
  } else if (tty.rfind("ttyACM", 0) == 0) {
    auto k = TrailingNumber(tty, 6);
    if (k && *k <= 190) return *k + 65;
  }
  return std::nullopt;
}

std::optional<std::string> TtyForComNumber(int com) {
  if (com >= 1 && com <= 64) return "ttyUSB" + std::to_string(com - 1);
  if (com >= 65 && com <= 255) return "ttyACM" + std::to_string(com - 65);
  return std::nullopt;
}

}  // namespace movra
