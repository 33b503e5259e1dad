// A dialog presenter for tests: records every box and answers from a script. A box the
// test did not expect fails the test.
#pragma once
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/dialogs.h"

namespace movra::test {

class RecordingPresenter : public DialogPresenter {
 public:
  int present(const DialogRequest& request) override;

  // Expects one more dialog whose text contains `textPart`; it is answered with `answer`.
  void expect(const std::string& textPart, int answer = IDOK);
  // Answers every dialog with `answer` and records it, without failing the test.
  void allowAny(int answer = IDOK);
  std::vector<DialogRequest> shown() const;
  // Fails the test when an expected dialog did not come.
  void verifyAllShown() const;

 private:
  mutable std::mutex mutex_;
  std::vector<DialogRequest> shown_;
  std::deque<std::pair<std::string, int>> expected_;
  bool allowAny_ = false;
  int anyAnswer_ = IDOK;
};

// Installs a RecordingPresenter for the life of the guard, then restores the old one.
class ScopedPresenter {
 public:
  ScopedPresenter();
  ~ScopedPresenter();
  RecordingPresenter& operator*() { return *p_; }
  RecordingPresenter* operator->() { return p_.get(); }

 private:
  std::shared_ptr<RecordingPresenter> p_;
  std::shared_ptr<DialogPresenter> old_;
};

}  // namespace movra::test
