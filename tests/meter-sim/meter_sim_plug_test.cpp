// Plugging the simulator in as a USB-to-UART adapter under a device root, and pulling it.
#include <gtest/gtest.h>

#include <ostream>

#include <filesystem>

#include "sim_test_fixture.h"

namespace movra::test {
namespace {

namespace fs = std::filesystem;

bool Exists(const fs::path& p) { return fs::exists(fs::symlink_status(p)); }

// Walks from the tty class entry the way port discovery does and returns the USB device
// folder: tty entry -> device (the usb-serial port) -> interface -> USB device.
fs::path UsbDeviceOf(const fs::path& root, const std::string& tty) {
  fs::path entry = root / "sys/class/tty" / tty;
  EXPECT_TRUE(fs::is_symlink(entry));
  EXPECT_TRUE(fs::read_symlink(entry).is_relative());
  fs::path port = fs::canonical(fs::canonical(entry) / "device");
  EXPECT_EQ(port.filename(), tty);
  return port.parent_path().parent_path();
}

TEST_F(SimTest, PlugsInWithTheSysfsShapeOfAUsbSerialAdapter) {
  const fs::path root = dir.path();
  Start({"--device-root", root.string(), "--usb-index", "1", "--generate", "1", "--no-pace"});

  fs::path usb = UsbDeviceOf(root, "ttyUSB1");
  EXPECT_EQ(usb.filename(), "1-2");
  EXPECT_EQ(fs::canonical(fs::canonical(root / "sys/class/tty/ttyUSB1") / "device").parent_path().filename(),
            "1-2:1.0");
  EXPECT_EQ(usb.string().rfind(fs::canonical(root / "sys").string(), 0), 0u) << usb;
  EXPECT_EQ(ReadFileBytes(usb / "product"), "CP2102 USB to UART Bridge Controller\n");
  EXPECT_EQ(ReadFileBytes(usb / "idVendor"), "10c4\n");
  EXPECT_EQ(ReadFileBytes(usb / "idProduct"), "ea60\n");
  EXPECT_EQ(fs::canonical(root / "dev/ttyUSB1"), fs::canonical(sim.devicePath()));

  // The device node is the meter.
  HostLine host((root / "dev/ttyUSB1").string(), B4800);
  ASSERT_TRUE(host.isOpen()) << host.error();
  Greet(host);

  EXPECT_EQ(sim.stop(), 0);
  EXPECT_FALSE(Exists(root / "dev/ttyUSB1"));
  EXPECT_FALSE(Exists(root / "sys/class/tty/ttyUSB1"));
  EXPECT_FALSE(Exists(usb));
  EXPECT_TRUE(host.waitHangUp(2000));
  EXPECT_EQ(sim.journalLines().back(), "unplug");
}

TEST_F(SimTest, UnplugSignalPullsTheCable) {
  const fs::path root = dir.path();
  Start({"--device-root", root.string(), "--product", "Meter USB to UART Cable"});
  fs::path usb = UsbDeviceOf(root, "ttyUSB0");
  EXPECT_EQ(ReadFileBytes(usb / "product"), "Meter USB to UART Cable\n");
  HostLine host((root / "dev/ttyUSB0").string(), B4800);
  ASSERT_TRUE(host.isOpen()) << host.error();

  sim.unplug();
  EXPECT_TRUE(host.waitHangUp(5000));
  EXPECT_EQ(sim.waitForExit(5000), 0);
  EXPECT_FALSE(Exists(root / "dev/ttyUSB0"));
  EXPECT_FALSE(Exists(root / "sys/class/tty/ttyUSB0"));
  EXPECT_FALSE(Exists(usb));
  EXPECT_EQ(sim.journalLines().back(), "unplug");
}

TEST_F(SimTest, SimulatorsShareOneDeviceRoot) {
  const fs::path root = dir.path();
  Start({"--device-root", root.string(), "--usb-index", "0"});
  SimProcess second;
  ASSERT_TRUE(second.start({"--device-root", root.string(), "--usb-index", "3", "--product", "Second USB to UART"}))
      << second.lastError();

  EXPECT_EQ(fs::canonical(root / "dev/ttyUSB0"), fs::canonical(sim.devicePath()));
  EXPECT_EQ(fs::canonical(root / "dev/ttyUSB3"), fs::canonical(second.devicePath()));
  EXPECT_EQ(ReadFileBytes(UsbDeviceOf(root, "ttyUSB3") / "product"), "Second USB to UART\n");

  EXPECT_EQ(sim.stop(), 0);
  EXPECT_FALSE(Exists(root / "dev/ttyUSB0"));
  EXPECT_FALSE(Exists(root / "sys/class/tty/ttyUSB0"));
  // The other adapter stays plugged in, whole.
  EXPECT_EQ(fs::canonical(root / "dev/ttyUSB3"), fs::canonical(second.devicePath()));
  EXPECT_EQ(ReadFileBytes(UsbDeviceOf(root, "ttyUSB3") / "product"), "Second USB to UART\n");
  EXPECT_EQ(second.stop(), 0);
  EXPECT_FALSE(Exists(root / "sys/class/tty/ttyUSB3"));
}

// Unplug options: the cable comes out at a set point of the transfer.
struct UnplugCase {
  const char* name;
  std::vector<std::string> args;
  int recordsBefore;  // records received and acknowledged before the cable comes out
};
void PrintTo(const UnplugCase& c, std::ostream* os) { *os << c.name; }

class UnplugMidTransfer : public SimTest, public ::testing::WithParamInterface<UnplugCase> {};

TEST_P(UnplugMidTransfer, PullsTheCableAtThatPoint) {
  const auto& c = GetParam();
  const fs::path root = dir.path();
  std::vector<std::string> args = {"--device-root", root.string(), "--generate", "3", "--count-up", "--no-pace"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  Start(args);
  HostLine host((root / "dev/ttyUSB0").string(), B4800);
  ASSERT_TRUE(host.isOpen()) << host.error();
  Greet(host);
  host.send(Hex(kDownload));
  for (int n = 1; n <= c.recordsBefore; ++n) {
    ASSERT_EQ(ReadFrame(host)[7], n);
    host.send(AckFor(n));
  }
  EXPECT_TRUE(host.waitHangUp(5000));
  EXPECT_EQ(sim.waitForExit(5000), 0);
  EXPECT_FALSE(Exists(root / "dev/ttyUSB0"));
  EXPECT_EQ(sim.countJournal("send " + std::to_string(c.recordsBefore + 1)), 0);
  EXPECT_EQ(sim.journalLines().back(), "unplug");
}

INSTANTIATE_TEST_SUITE_P(Options, UnplugMidTransfer,
                         ::testing::Values(UnplugCase{"BeforeFirst", {"--unplug-before", "1"}, 0},
                                           UnplugCase{"BeforeSecond", {"--unplug-before", "2"}, 1},
                                           UnplugCase{"DuringSecondAck", {"--unplug-during-ack", "2"}, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace movra::test
