#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>

#include "app/event_loop.h"
#include "comm/device_watcher.h"
#include "comm/usb_device_change.h"
#include "usb_fixtures.h"

using namespace movra;
using namespace std::chrono_literals;
using movra::test::FakeDeviceRoot;
using movra::test::ScopedTonePlayer;
using Tones = std::vector<std::pair<uint32_t, uint32_t>>;

namespace {

// A stand-in for the main window: its port list, panel 0 and the meter's running state.
struct WindowState {
  std::vector<std::string> usbPorts{"COM9"};
  std::string panel0;
  int redraws = 0;
  bool running = false;

  DeviceChangeHooks hooks() {
    DeviceChangeHooks h;
    h.usbPorts = &usbPorts;
    h.isRunning = [this] { return running; };
    h.setStatusText = [this](const std::string& s) { panel0 = s; };
    h.redrawStatusBar = [this] { ++redraws; };
    return h;
  }
};

TEST(DeviceChange, ArrivalAndRemoval) {
  struct Case {
    uint64_t wParam;
    bool running;
    Tones tones;
    const char* panel0;
    std::vector<std::string> usbPorts;
  };
  const std::vector<std::string> present{"COM1"};
  const std::vector<std::string> old{"COM9"};
  const Case cases[] = {
      {ToParam(DeviceEvent::Arrival), false, {{500, 150}, {800, 150}}, "USB device connected", present},
      {ToParam(DeviceEvent::Removal), false, {{800, 150}, {500, 150}}, "USB device disconnected", present},
      // During a transfer only the tone and the text change.
      {ToParam(DeviceEvent::Arrival), true, {{500, 150}, {800, 150}}, "USB device connected", old},
      {ToParam(DeviceEvent::Removal), true, {{800, 150}, {500, 150}}, "USB device disconnected", old},
      // Other device events: nothing but the redraw.
      {0x0007, false, {}, "", old},
      {0x8001, false, {}, "", old},
  };
  FakeDeviceRoot root;
  root.addUsbSerial("ttyUSB0", "CP2102 USB to UART Bridge Controller", "1-1");
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.wParam << " running " << c.running);
    ScopedTonePlayer player;
    WindowState window;
    window.running = c.running;
    HandleDeviceChange(c.wParam, window.hooks());
    EXPECT_EQ(player->played(), c.tones);
    EXPECT_EQ(window.panel0, c.panel0);
    EXPECT_EQ(window.usbPorts, c.usbPorts);
    EXPECT_EQ(window.redraws, 1);
  }
}

// A port listing that fails keeps the old list and is handed to the window to tell.
TEST(DeviceChange, AFailedListingIsToldThroughTheWindow) {
  ScopedTonePlayer player;
  WindowState window;
  std::vector<Notice> told;
  DeviceChangeHooks h = window.hooks();
  h.lister = [](std::vector<std::string>&) { throw std::runtime_error("listing broke"); };
  h.tell = [&told](const Notice& n) { told.push_back(n); };
  HandleDeviceChange(ToParam(DeviceEvent::Arrival), h);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].text, "listing broke");
  EXPECT_EQ(told[0].caption, "Error");
  EXPECT_EQ(window.usbPorts, std::vector<std::string>{"COM9"});
}

// Plugging an adapter in and pulling it out under a device root, from the watcher to the
// refreshed port list.
TEST(DeviceChange, PlugAndUnplugRefreshThePortList) {
  auto loop = EventLoop::createForThisThread();
  FakeDeviceRoot root;
  ScopedTonePlayer player;
  WindowState window;
  window.usbPorts.clear();
  int changes = 0;
  MessageTarget mainWindow([&](Message& m) {
    if (m.id != MessageId::DeviceChange) return;
    ++changes;
    HandleDeviceChange(m.wParam, window.hooks());
  });
  DeviceWatcher watcher(mainWindow.handle());
  ASSERT_TRUE(watcher.Watching());

  root.addUsbSerial("ttyUSB0", "CP2102 USB to UART Bridge Controller", "1-1");
  ASSERT_TRUE(loop->runUntil([&] { return changes >= 1; }, 10s));
  EXPECT_EQ(window.usbPorts, std::vector<std::string>{"COM1"});
  EXPECT_EQ(window.panel0, "USB device connected");

  // Unplugged: the kernel drops the sysfs entry before the device node goes.
  std::filesystem::remove(root.dir().file("sys/class/tty/ttyUSB0"));
  std::filesystem::remove(root.dir().file("dev/ttyUSB0"));
  ASSERT_TRUE(loop->runUntil([&] { return changes >= 2; }, 10s));
  EXPECT_TRUE(window.usbPorts.empty());
  EXPECT_EQ(window.panel0, "USB device disconnected");
  EXPECT_EQ(player->played(), (Tones{{500, 150}, {800, 150}, {800, 150}, {500, 150}}));
}

}  // namespace
