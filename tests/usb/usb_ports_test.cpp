#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "comm/usb_ports.h"
#include "usb_fixtures.h"

using namespace movra;
using movra::test::FakeDeviceRoot;

namespace {

std::vector<std::string> listed() {
  std::vector<std::string> names{"left over"};
  ListUsbSerialPorts(names);
  return names;
}

TEST(UsbPorts, AdaptersComeInPortOrderWithTheirComNumbers) {
  FakeDeviceRoot root;
  // Made out of order: the directory's own order must not matter.
  root.addAcm("ttyACM0", "Pico CDC", "1-4");
  root.addUsbSerial("ttyUSB10", "FT232R USB UART", "1-3");
  root.addUsbSerial("ttyUSB1", "CP2102 USB to UART Bridge Controller", "1-2");
  root.addUsbSerial("ttyUSB0", "CP2102 USB to UART Bridge Controller", "1-1");
  root.addUsbSerial("ttyUSB2", "CH340 USB to UART", "1-5");

  EXPECT_EQ(listed(), (std::vector<std::string>{
                          "CP2102 USB to UART Bridge Controller (COM1)",
                          "CP2102 USB to UART Bridge Controller (COM2)",
                          "CH340 USB to UART (COM3)",
                          "FT232R USB UART (COM11)",
                          "Pico CDC (COM65)",
                      }));

  auto ports = EnumerateUsbSerialPorts();
  ASSERT_EQ(ports.size(), 5u);
  EXPECT_EQ(ports[0].ttyName, "ttyUSB0");
  EXPECT_EQ(ports[0].comNumber, 1);
  EXPECT_EQ(ports[0].devicePath, root.path() + "/dev/ttyUSB0");
  EXPECT_EQ(ports[0].vendorId, "10c4");
  EXPECT_EQ(ports[0].productId, "ea60");
  EXPECT_EQ(ports[4].ttyName, "ttyACM0");
  EXPECT_EQ(ports[4].comNumber, 65);
}

TEST(UsbPorts, OnlyTtysBelowAUsbDeviceAreListed) {
  FakeDeviceRoot root;
  root.addUsbSerial("ttyUSB0", "CP2102 USB to UART Bridge Controller", "1-1");
  root.addPlatformTty("ttyS0");
  // Named like a USB port, but no folder up its chain holds a product file.
  root.addPlatformTty("ttyUSB3");
  // A ttyUSB number with no COM number.
  root.addUsbSerial("ttyUSB64", "CP2102 USB to UART Bridge Controller", "1-6");
  root.dir().mkdirs("sys/class/tty/ttyUSBx");
  root.dir().mkdirs("sys/class/tty/tty0");

  EXPECT_EQ(listed(), std::vector<std::string>{"CP2102 USB to UART Bridge Controller (COM1)"});
}

TEST(UsbPorts, ProductTextIsTrimmed) {
  FakeDeviceRoot root;
  root.addUsbSerial("ttyUSB0", "x", "1-1");
  root.dir().write(FakeDeviceRoot::usbFolder("1-1") + "/product", " \t USB to UART Bridge \r\n\n");
  EXPECT_EQ(listed(), std::vector<std::string>{"USB to UART Bridge (COM1)"});
}

// Broken entries are left out one by one; the good ones around them are still listed.
TEST(UsbPorts, BrokenEntriesAreSkipped) {
  FakeDeviceRoot root;
  root.addUsbSerial("ttyUSB0", "Good One USB to UART", "1-1");
  // A class link that leads nowhere.
  root.symlink("../../devices/gone/ttyUSB1", "sys/class/tty/ttyUSB1");
  // A device link that loops.
  root.dir().mkdirs("sys/devices/loop/ttyUSB2");
  root.symlink("device", "sys/devices/loop/ttyUSB2/device");
  root.symlink("../../devices/loop/ttyUSB2", "sys/class/tty/ttyUSB2");
  // A device link that leaves sys/.
  root.dir().write("elsewhere/product", "Outside USB to UART\n");
  root.dir().mkdirs("sys/devices/out/ttyUSB3");
  root.symlink("../../../../elsewhere", "sys/devices/out/ttyUSB3/device");
  root.symlink("../../devices/out/ttyUSB3", "sys/class/tty/ttyUSB3");
  // A product that is not a file: the walk goes on up and finds none.
  root.addUsbSerial("ttyUSB4", "x", "1-4");
  std::string product = root.dir().file(FakeDeviceRoot::usbFolder("1-4") + "/product");
  ASSERT_EQ(unlink(product.c_str()), 0);
  ASSERT_EQ(mkfifo(product.c_str(), 0600), 0);
  root.addUsbSerial("ttyUSB5", "Last One USB to UART", "1-5");

  EXPECT_EQ(listed(), (std::vector<std::string>{"Good One USB to UART (COM1)", "Last One USB to UART (COM6)"}));
}

// Links made by hand may name the test folder itself, or count "/" as the device root.
TEST(UsbPorts, AbsoluteLinksStayBelowTheRoot) {
  FakeDeviceRoot root;
  root.addUsbSerial("ttyUSB0", "Rooted USB to UART", "1-1");
  root.addUsbSerial("ttyUSB1", "Full Path USB to UART", "1-2");
  std::string port0 = FakeDeviceRoot::usbFolder("1-1") + "/1-1:1.0/ttyUSB0";
  ASSERT_EQ(unlink(root.dir().file(port0 + "/tty/ttyUSB0/device").c_str()), 0);
  root.symlink("/" + port0, port0 + "/tty/ttyUSB0/device");
  std::string port1 = FakeDeviceRoot::usbFolder("1-2") + "/1-2:1.0/ttyUSB1";
  ASSERT_EQ(unlink(root.dir().file("sys/class/tty/ttyUSB1").c_str()), 0);
  root.symlink(root.dir().file(port1 + "/tty/ttyUSB1"), "sys/class/tty/ttyUSB1");
  // ".." above the root stops at the root, as it does at "/".
  root.addUsbSerial("ttyUSB2", "Climber USB to UART", "1-3");
  std::string port2 = FakeDeviceRoot::usbFolder("1-3") + "/1-3:1.0/ttyUSB2";
  ASSERT_EQ(unlink(root.dir().file(port2 + "/tty/ttyUSB2/device").c_str()), 0);
  root.symlink("../../../../../../../../../../../../../../../../" + port2, port2 + "/tty/ttyUSB2/device");

  EXPECT_EQ(listed(), (std::vector<std::string>{"Rooted USB to UART (COM1)", "Full Path USB to UART (COM2)",
                                                "Climber USB to UART (COM3)"}));
}

TEST(UsbPorts, MissingRootOrClassFolderGivesAnEmptyList) {
  FakeDeviceRoot root;
  setenv("MOVRA_DEVICE_ROOT", root.dir().file("no/such/root").c_str(), 1);
  EXPECT_TRUE(listed().empty());

  movra::test::TempDir bare;
  setenv("MOVRA_DEVICE_ROOT", bare.path().c_str(), 1);
  EXPECT_TRUE(listed().empty());
}

}  // namespace
