// Plugging the simulated meter in where the program looks for USB-to-UART adapters: a
// device node under <root>/dev and the sysfs entries of a CP2102-like adapter under
// <root>/sys, plus an optional plain symlink to the slave.
#pragma once
#include <string>

namespace movra::sim {

class DevicePlug {
 public:
  // root empty: no device tree. link empty: no extra symlink.
  DevicePlug(std::string root, int usbIndex, std::string product, std::string link);
  ~DevicePlug() { Unplug(); }
  DevicePlug(const DevicePlug&) = delete;
  DevicePlug& operator=(const DevicePlug&) = delete;

  // Throws std::runtime_error. The device node comes last: once it exists, the sysfs
  // entries describing it are complete.
  void Plug(const std::string& slavePath);
  // Removes only what still points at our slave. Safe to call twice.
  void Unplug();

  std::string DevLink() const;
  std::string ClassLink() const;
  std::string UsbDeviceDir() const;

 private:
  std::string root_;
  int index_;
  std::string product_;
  std::string link_;
  std::string slave_;
  bool plugged_ = false;
};

}  // namespace movra::sim
