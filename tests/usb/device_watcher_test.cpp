#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <cstdio>
#include <thread>

#include "app/event_loop.h"
#include "comm/device_watcher.h"
#include "usb_fixtures.h"

using namespace movra;
using namespace std::chrono_literals;
using movra::test::TempDir;

namespace {

// The owner: an event loop on the test thread and the target the watcher posts to.
class DeviceWatcherTest : public ::testing::Test {
 protected:
  DeviceWatcherTest()
      : loop(EventLoop::createForThisThread()), target([this](Message& m) {
          EXPECT_TRUE(loop->isOwnerThread());
          EXPECT_EQ(m.id, MessageId::DeviceChange);
          received.push_back(static_cast<DeviceEvent>(m.wParam));
        }) {}

  // Runs the loop until `n` changes came; generous, the machine may be busy.
  bool waitFor(size_t n) {
    return loop->runUntil([&] { return received.size() >= n; }, 10s);
  }

  std::shared_ptr<EventLoop> loop;
  MessageTarget target;
  std::vector<DeviceEvent> received;
  TempDir root;
};

TEST_F(DeviceWatcherTest, EntriesCreatedAndDeletedInDev) {
  root.mkdirs("dev");
  DeviceWatcher watcher(target.handle(), root.file("dev"));
  EXPECT_TRUE(watcher.Watching());

  root.write("dev/ttyUSB0", "");
  ASSERT_TRUE(waitFor(1));
  ASSERT_EQ(symlink("/dev/pts/7", root.file("dev/ttyACM0").c_str()), 0);
  ASSERT_TRUE(waitFor(2));
  ASSERT_EQ(unlink(root.file("dev/ttyUSB0").c_str()), 0);
  ASSERT_TRUE(waitFor(3));
  // Any device counts, and an entry renamed in or out counts as made or removed.
  root.mkdirs("dev/bus");
  ASSERT_TRUE(waitFor(4));
  root.write("spare", "");
  ASSERT_EQ(rename(root.file("spare").c_str(), root.file("dev/ttyUSB1").c_str()), 0);
  ASSERT_TRUE(waitFor(5));
  ASSERT_EQ(rename(root.file("dev/ttyUSB1").c_str(), root.file("spare").c_str()), 0);
  ASSERT_TRUE(waitFor(6));
  // Changes further down the tree are not entries of dev/.
  root.write("dev/bus/001", "");
  root.write("elsewhere", "");

  loop->runUntil([] { return false; }, 200ms);
  EXPECT_EQ(received, (std::vector<DeviceEvent>{DeviceEvent::Arrival, DeviceEvent::Arrival, DeviceEvent::Removal,
                                                DeviceEvent::Arrival, DeviceEvent::Arrival, DeviceEvent::Removal}));
}

TEST_F(DeviceWatcherTest, DevFolderThatComesLater) {
  DeviceWatcher watcher(target.handle(), root.file("dev"));
  EXPECT_FALSE(watcher.Watching());
  loop->runUntil([] { return false; }, 100ms);
  EXPECT_TRUE(received.empty());

  root.mkdirs("dev");
  ASSERT_TRUE(loop->runUntil([&] { return watcher.Watching(); }, 10s));
  root.write("dev/ttyUSB0", "");
  ASSERT_TRUE(waitFor(1));
  EXPECT_EQ(received[0], DeviceEvent::Arrival);
}

TEST_F(DeviceWatcherTest, DevFolderRemovedAndMadeAgain) {
  root.mkdirs("dev");
  root.write("dev/ttyUSB0", "");
  DeviceWatcher watcher(target.handle(), root.file("dev"));
  ASSERT_TRUE(watcher.Watching());

  std::filesystem::remove_all(root.file("dev"));
  ASSERT_TRUE(waitFor(1));
  EXPECT_EQ(received[0], DeviceEvent::Removal);
  ASSERT_TRUE(loop->runUntil([&] { return !watcher.Watching(); }, 10s));

  root.mkdirs("dev");
  ASSERT_TRUE(loop->runUntil([&] { return watcher.Watching(); }, 10s));
  root.write("dev/ttyUSB0", "");
  ASSERT_TRUE(waitFor(2));
  EXPECT_EQ(received[1], DeviceEvent::Arrival);
}

TEST_F(DeviceWatcherTest, NoRootAtAllIsNoError) {
  DeviceWatcher watcher(target.handle(), root.file("missing/root/dev"));
  EXPECT_FALSE(watcher.Watching());
  loop->runUntil([] { return false; }, 100ms);
  EXPECT_TRUE(received.empty());
}

// The watcher takes its folder from the device root unless told otherwise.
TEST_F(DeviceWatcherTest, WatchesTheDeviceRootsDev) {
  movra::test::FakeDeviceRoot deviceRoot;
  DeviceWatcher watcher(target.handle());
  EXPECT_EQ(watcher.DevDir(), deviceRoot.path() + "/dev");
  EXPECT_TRUE(watcher.Watching());
  deviceRoot.addUsbSerial("ttyUSB0", "CP2102 USB to UART Bridge Controller", "1-1");
  ASSERT_TRUE(waitFor(1));
  EXPECT_EQ(received[0], DeviceEvent::Arrival);
}

// Changes after the owner's target is gone are dropped; stopping never waits for a change.
TEST_F(DeviceWatcherTest, OwnerGoneFirst) {
  root.mkdirs("dev");
  auto shortLived = std::make_unique<MessageTarget>([](Message&) { FAIL() << "delivered to a dead target"; });
  DeviceWatcher watcher(shortLived->handle(), root.file("dev"));
  shortLived.reset();
  root.write("dev/ttyUSB0", "");
  loop->runUntil([] { return false; }, 200ms);
}

}  // namespace
