#include "app/tick.h"

#include <chrono>
#include <memory>
#include <mutex>

namespace movra {

namespace {
std::mutex gTickMutex;
std::shared_ptr<std::function<uint32_t()>> gSource;
}  // namespace

uint32_t GetTickCount() {
  std::shared_ptr<std::function<uint32_t()>> src;
  {
    std::lock_guard<std::mutex> lock(gTickMutex);
    src = gSource;
  }
  if (src && *src) return (*src)();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<uint32_t>(ms.count());
}

void SetTickSource(std::function<uint32_t()> source) {
  std::lock_guard<std::mutex> lock(gTickMutex);
  gSource = source ? std::make_shared<std::function<uint32_t()>>(std::move(source)) : nullptr;
}

}  // namespace movra
