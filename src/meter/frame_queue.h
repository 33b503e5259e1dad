// TBufQuery: complete record frames on their way from the receive handler (owner thread)
// to the transfer thread, which sleeps in WaitForFrame until one is queued.
#pragma once
#include <string>

#include "meter/locked_queue.h"

namespace movra {

class TBufQuery : public LockedQueue<std::string> {
 public:
  bool WaitForFrame(std::chrono::milliseconds timeout, const std::atomic<bool>& interrupt) {
    return WaitForItem(timeout, interrupt);
  }
};

}  // namespace movra
