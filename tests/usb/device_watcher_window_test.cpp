// The notification window of the device watcher: a device change the system sends it
// (arrival 0x8000, removal 0x8004) reaches the owner's loop as MessageId::DeviceChange with
// its DeviceEvent; other device events do not. (No arrival can be made to happen here, so
// the message is sent as the system would send it.)
#include <gtest/gtest.h>

#include <chrono>

#include "app/event_loop.h"
#include "comm/device_watcher.h"
// After the program's own headers: <windows.h> defines some of their names as macros.
#include "app/win32_strings.h"

using namespace movra;
using namespace std::chrono_literals;

TEST(DeviceWatcherWindow, DeviceChangesReachTheOwner) {
  auto loop = EventLoop::createForThisThread();
  std::vector<uint64_t> seen;
  MessageTarget target(loop, [&](Message& m) {
    if (m.id == MessageId::DeviceChange) seen.push_back(m.wParam);
  });
  DeviceWatcher watcher(target.handle());
  EXPECT_TRUE(watcher.Watching());
  HWND window = FindWindowExW(HWND_MESSAGE, nullptr, L"MovraDeviceWatcher", nullptr);
  ASSERT_NE(window, nullptr);

  const uint64_t sent[] = {0x8000, 0x0007, 0x8004, 0x8001};
  for (uint64_t wParam : sent) SendMessageW(window, 0x0219, static_cast<WPARAM>(wParam), 0);
  EXPECT_TRUE(loop->runUntil([&] { return seen.size() >= 2; }, 2000ms));
  loop->processPending();
  EXPECT_EQ(seen, (std::vector<uint64_t>{ToParam(DeviceEvent::Arrival), ToParam(DeviceEvent::Removal)}));
}

TEST(DeviceWatcherWindow, NothingIsPostedAfterTheWatcherIsGone) {
  auto loop = EventLoop::createForThisThread();
  int seen = 0;
  MessageTarget target(loop, [&](Message&) { ++seen; });
  { DeviceWatcher watcher(target.handle()); }
  EXPECT_EQ(FindWindowExW(HWND_MESSAGE, nullptr, L"MovraDeviceWatcher", nullptr), nullptr);
  loop->processPending();
  EXPECT_EQ(seen, 0);
}
