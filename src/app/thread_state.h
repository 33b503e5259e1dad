// Worker threads whose state outlives the thread object, so a "still running?" question
// never touches a freed thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace movra {

constexpr uint32_t STILL_ACTIVE = 259;

struct ThreadShared {
  std::atomic<bool> finished{false};
  std::atomic<uint32_t> exitCode{STILL_ACTIVE};
};

// Starts fn on a detached thread; the returned state answers until the last holder drops it.
std::shared_ptr<ThreadShared> StartDetachedThread(std::function<uint32_t()> fn);

// 3 when no thread is given; 1 while it runs (exit code 259); 2 once it has ended.
uint8_t ThreadState(const std::shared_ptr<ThreadShared>& thread);

}  // namespace movra
