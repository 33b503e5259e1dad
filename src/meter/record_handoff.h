// The hand-over of parsed records from the transfer thread to their keeper on the owner
// thread. The meter forgets nothing it has not heard acknowledged, so the transfer thread
// waits here until the keeper has stored (and committed) the records before it sends the
// acknowledgement: a record the meter saw acknowledged is on disk, whatever happens next.
#pragma once
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "app/messages.h"

namespace movra {

class RecordHandoff {
 public:
  RecordHandoff();
  ~RecordHandoff();
  RecordHandoff(const RecordHandoff&) = delete;
  RecordHandoff& operator=(const RecordHandoff&) = delete;

  // `keep` takes every record waiting and returns once they are stored; it runs on the
  // thread of `owner` (by default the calling thread's dispatcher). An empty function (the
  // default) keeps nothing: the transfer acknowledges at once, as a mere reader does.
  void SetKeeper(std::function<void()> keep, std::shared_ptr<Dispatcher> owner = nullptr);
  bool HasKeeper() const;

  // Transfer thread: asks the owner to keep what is waiting and waits until it has. False
  // when no keeper is set or the owner can no longer be reached (its loop has closed).
  bool KeepNow();

  // Runs a request that is waiting, if any, when called on the keeper's thread (elsewhere
  // it does nothing). The keeper's thread calls it while it waits for the transfer
  // thread, which may itself be waiting for it.
  void RunPending();
  // RunPending as a function that stays safe to call after this object is gone.
  std::function<void()> Server() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace movra
