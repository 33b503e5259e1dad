#include "device_plug.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace movra::sim {

namespace {

// Where a USB adapter on a PC's xHCI controller shows up; index k sits on port k+1.
const char* const kBus = "sys/devices/pci0000:00/0000:00:14.0/usb1";

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Several simulators share the bus folder: its files are made once, atomically.
void WriteShared(const fs::path& path, const std::string& text) {
  if (fs::exists(path)) return;
  fs::path tmp = path.parent_path() / ("." + path.filename().string() + "." + std::to_string(getpid()));
  WriteFile(tmp, text);
  if (link(tmp.c_str(), path.c_str()) != 0 && errno != EEXIST) {
    int e = errno;
    unlink(tmp.c_str());
    throw std::runtime_error("cannot create " + path.string() + ": " + std::strerror(e));
  }
  unlink(tmp.c_str());
}

void MakeSymlink(const std::string& target, const std::string& at) {
  // A link left by a simulator that was killed is stale: replace it.
  unlink(at.c_str());
  if (symlink(target.c_str(), at.c_str()) != 0)
    throw std::runtime_error("cannot link " + at + " -> " + target + ": " + std::strerror(errno));
}

void RemoveLinkIfOurs(const std::string& at, const std::string& target) {
  char buf[4096];
  ssize_t n = readlink(at.c_str(), buf, sizeof buf - 1);
  if (n < 0) return;
  if (std::string(buf, size_t(n)) == target) unlink(at.c_str());
}

}  // namespace

DevicePlug::DevicePlug(std::string root, int usbIndex, std::string product, std::string link)
    : root_(std::move(root)), index_(usbIndex), product_(std::move(product)), link_(std::move(link)) {}

std::string DevicePlug::DevLink() const { return root_ + "/dev/ttyUSB" + std::to_string(index_); }
std::string DevicePlug::ClassLink() const { return root_ + "/sys/class/tty/ttyUSB" + std::to_string(index_); }
std::string DevicePlug::UsbDeviceDir() const {
  return root_ + "/" + kBus + "/1-" + std::to_string(index_ + 1);
}

void DevicePlug::Plug(const std::string& slavePath) {
  slave_ = slavePath;
  plugged_ = true;
  if (!link_.empty()) MakeSymlink(slave_, link_);
  if (root_.empty()) return;

  const std::string tty = "ttyUSB" + std::to_string(index_);
  const std::string usbName = "1-" + std::to_string(index_ + 1);
  const std::string ifName = usbName + ":1.0";
  const fs::path bus = fs::path(root_) / kBus;
  const fs::path usbDev = bus / usbName;
  const fs::path port = usbDev / ifName / tty;  // the usb-serial port
  const fs::path ttyEntry = port / "tty" / tty;

  fs::create_directories(ttyEntry);
  fs::create_directories(fs::path(root_) / "sys/class/tty");
  fs::create_directories(fs::path(root_) / "dev");

  // The root hub has a product text of its own; whoever walks up too far finds it.
  WriteShared(bus / "product", "xHCI Host Controller\n");
  WriteShared(bus / "idVendor", "1d6b\n");
  WriteShared(bus / "idProduct", "0002\n");

  WriteFile(usbDev / "product", product_ + "\n");
  WriteFile(usbDev / "idVendor", "10c4\n");
  WriteFile(usbDev / "idProduct", "ea60\n");
  WriteFile(usbDev / "manufacturer", "Silicon Labs\n");
  WriteFile(usbDev / ifName / "bInterfaceClass", "ff\n");
  WriteFile(port / "port_number", "0\n");
  WriteFile(ttyEntry / "dev", "188:" + std::to_string(index_) + "\n");
  WriteFile(ttyEntry / "uevent",
            "MAJOR=188\nMINOR=" + std::to_string(index_) + "\nDEVNAME=" + tty + "\n");
  MakeSymlink("../../../" + tty, (ttyEntry / "device").string());
  MakeSymlink("../../devices/pci0000:00/0000:00:14.0/usb1/" + usbName + "/" + ifName + "/" + tty + "/tty/" + tty,
              ClassLink());
  MakeSymlink(slave_, DevLink());
}

void DevicePlug::Unplug() {
  if (!plugged_) return;
  plugged_ = false;
  if (!root_.empty()) {
    // The adapter leaves sysfs before its device node goes, as on a real system: whoever
    // reacts to the node's removal must no longer find the adapter listed.
    std::error_code ec;
    fs::remove(ClassLink(), ec);
    fs::remove_all(UsbDeviceDir(), ec);
    RemoveLinkIfOurs(DevLink(), slave_);
  }
  if (!link_.empty()) RemoveLinkIfOurs(link_, slave_);
}

}  // namespace movra::sim
