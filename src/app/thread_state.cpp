#include "app/thread_state.h"

namespace movra {

std::shared_ptr<ThreadShared> StartDetachedThread(std::function<uint32_t()> fn) {
  auto shared = std::make_shared<ThreadShared>();
  std::thread([shared, fn = std::move(fn)]() {
    uint32_t code = 0;
    try {
      code = fn();
    } catch (...) {
      code = 1;
    }
    shared->exitCode = code;
    shared->finished = true;
  }).detach();
  return shared;
}

uint8_t ThreadState(const std::shared_ptr<ThreadShared>& thread) {
  if (!thread) return 3;
  if (!thread->finished.load() || thread->exitCode.load() == STILL_ACTIVE) return 1;
  return 2;
}

}  // namespace movra
