// The fake sysfs/dev tree: symbolic links as the kernel makes them, so Linux only.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "usb_fixtures.h"

namespace fs = std::filesystem;

namespace movra::test {

namespace {
const std::string kHub = "sys/devices/pci0000:00/0000:00:14.0/usb1/";
}

FakeDeviceRoot::FakeDeviceRoot() {
  if (const char* v = std::getenv("MOVRA_DEVICE_ROOT")) {
    hadRoot_ = true;
    oldRoot_ = v;
  }
  dir_.mkdirs("sys/class/tty");
  dir_.mkdirs("dev");
  ::setenv("MOVRA_DEVICE_ROOT", dir_.path().c_str(), 1);
}

FakeDeviceRoot::~FakeDeviceRoot() {
  if (hadRoot_)
    ::setenv("MOVRA_DEVICE_ROOT", oldRoot_.c_str(), 1);
  else
    ::unsetenv("MOVRA_DEVICE_ROOT");
}

std::string FakeDeviceRoot::usbFolder(const std::string& usb) { return kHub + usb; }

void FakeDeviceRoot::symlink(const std::string& target, const std::string& rel) const {
  fs::create_directories(fs::path(dir_.file(rel)).parent_path());
  if (::symlink(target.c_str(), dir_.file(rel).c_str()) != 0) throw std::runtime_error("symlink " + rel);
}

void FakeDeviceRoot::addUsbSerial(const std::string& tty, const std::string& product, const std::string& usb) {
  std::string port = usbFolder(usb) + "/" + usb + ":1.0/" + tty;
  dir_.mkdirs(port + "/tty/" + tty);
  symlink("../../../" + tty, port + "/tty/" + tty + "/device");
  dir_.write(usbFolder(usb) + "/product", product + "\n");
  dir_.write(usbFolder(usb) + "/idVendor", "10c4\n");
  dir_.write(usbFolder(usb) + "/idProduct", "ea60\n");
  symlink("../../devices/pci0000:00/0000:00:14.0/usb1/" + usb + "/" + usb + ":1.0/" + tty + "/tty/" + tty,
          "sys/class/tty/" + tty);
  dir_.write("dev/" + tty, "");
}

void FakeDeviceRoot::addAcm(const std::string& tty, const std::string& product, const std::string& usb) {
  std::string iface = usbFolder(usb) + "/" + usb + ":1.0";
  dir_.mkdirs(iface + "/tty/" + tty);
  symlink("../../../" + usb + ":1.0", iface + "/tty/" + tty + "/device");
  dir_.write(usbFolder(usb) + "/product", product + "\n");
  symlink("../../devices/pci0000:00/0000:00:14.0/usb1/" + usb + "/" + usb + ":1.0/tty/" + tty,
          "sys/class/tty/" + tty);
  dir_.write("dev/" + tty, "");
}

void FakeDeviceRoot::addPlatformTty(const std::string& tty) {
  std::string dev = "sys/devices/platform/serial8250";
  dir_.mkdirs(dev + "/tty/" + tty);
  symlink("../../../serial8250", dev + "/tty/" + tty + "/device");
  symlink("../../devices/platform/serial8250/tty/" + tty, "sys/class/tty/" + tty);
  dir_.write("dev/" + tty, "");
}

}  // namespace movra::test
