// A save dialog that gives the same answer each time and keeps what it was asked.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "ui/save_file_chooser.h"

namespace movra::test {

class AnswerChooser : public SaveFileChooser {
 public:
  explicit AnswerChooser(std::optional<std::string> answer) : answer_(std::move(answer)) {}
  std::optional<std::string> Execute(const SaveDialogOptions& o) override {
    asked.push_back(o);
    return answer_;
  }
  std::vector<SaveDialogOptions> asked;

 private:
  std::optional<std::string> answer_;
};

}  // namespace movra::test
