#include "recording_presenter.h"

#include <gtest/gtest.h>

namespace movra::test {

int RecordingPresenter::present(const DialogRequest& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  shown_.push_back(request);
  if (!expected_.empty() && request.text.find(expected_.front().first) != std::string::npos) {
    int answer = expected_.front().second;
    expected_.pop_front();
    return answer;
  }
  if (allowAny_) return anyAnswer_;
  ADD_FAILURE() << "unexpected dialog: [" << request.caption << "] " << request.text;
  return IDCANCEL;
}

void RecordingPresenter::expect(const std::string& textPart, int answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  expected_.emplace_back(textPart, answer);
}

void RecordingPresenter::allowAny(int answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  allowAny_ = true;
  anyAnswer_ = answer;
}

std::vector<DialogRequest> RecordingPresenter::shown() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shown_;
}

void RecordingPresenter::verifyAllShown() const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& e : expected_) ADD_FAILURE() << "expected dialog not shown: " << e.first;
}

ScopedPresenter::ScopedPresenter() : p_(std::make_shared<RecordingPresenter>()) { old_ = SetDialogPresenter(p_); }
ScopedPresenter::~ScopedPresenter() {
  p_->verifyAllShown();
  SetDialogPresenter(old_);
}

}  // namespace movra::test
