#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "app/event_loop.h"
#include "app/messages.h"

using namespace movra;
using namespace std::chrono_literals;

namespace {

TEST(Messages, OrderIsKeptAndDeliveryIsOnTheOwnerThread) {
  auto loop = EventLoop::createForThisThread();
  std::vector<int64_t> got;
  std::vector<std::thread::id> threads;
  MessageTarget target([&](Message& m) {
    got.push_back(m.lParam);
    threads.push_back(std::this_thread::get_id());
  });
  std::thread worker([&] {
    for (int i = 0; i < 1000; ++i) EXPECT_TRUE(target.post(MessageId::CommData, 0, i));
  });
  worker.join();
  EXPECT_TRUE(got.empty());  // nothing runs until the owner's loop does
  EXPECT_TRUE(loop->runUntil([&] { return got.size() == 1000; }, 5s));
  for (int i = 0; i < 1000; ++i) EXPECT_EQ(got[i], i);
  for (auto id : threads) EXPECT_EQ(id, std::this_thread::get_id());
}


TEST(Messages, DataOfAnUndeliveredMessageIsFreed) {
  auto loop = EventLoop::createForThisThread();
  int delivered = 0;
  auto target = std::make_unique<MessageTarget>([&](Message&) { ++delivered; });
  auto handle = target->handle();
  Message m{MessageId::CommData, 3, 0, std::vector<uint8_t>(1 << 20, 0xAB)};
  EXPECT_TRUE(handle.post(std::move(m)));
  EXPECT_EQ(loop->pending(), 1u);
  target.reset();  // the target goes away with the message still queued
  EXPECT_FALSE(handle.post(MessageId::CommData));
  loop->processPending();
  EXPECT_EQ(delivered, 0);
  EXPECT_EQ(loop->pending(), 0u);
}

TEST(Messages, ClosedLoopDropsAndRefuses) {
  auto loop = EventLoop::createForThisThread();
  int delivered = 0;
  MessageTarget target([&](Message&) { ++delivered; });
  EXPECT_TRUE(target.post(MessageId::CommTxEmpty));
  loop->close();
  EXPECT_EQ(loop->pending(), 0u);
  EXPECT_FALSE(target.post(MessageId::CommTxEmpty));
  loop->processPending();
  EXPECT_EQ(delivered, 0);
}

TEST(Messages, RunUntilWakesForEachMessageWithoutSpinning) {
  auto loop = EventLoop::createForThisThread();
  int delivered = 0;
  MessageTarget target([&](Message&) { ++delivered; });
  std::thread worker([&] {
    std::this_thread::sleep_for(50ms);
    target.post(MessageId::MeterState);
  });
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(loop->runUntil([&] { return delivered == 1; }, 5s));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  worker.join();
  EXPECT_FALSE(loop->runUntil([] { return false; }, 30ms));
}

TEST(Messages, TargetWithoutLoopRefuses) {
  Dispatcher::setCurrent(nullptr);
  MessageTarget target([](Message&) {});
  EXPECT_FALSE(target.post(MessageId::CommData));
}

}  // namespace
