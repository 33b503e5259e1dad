// The program's own message boxes, shown as the program shows them, photographed and
// answered from a script: the boxes a scene expects, in order, each with the picture to
// take of it (none when the name is empty) and the button to press.
#pragma once
#include <QString>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/dialogs.h"

namespace movra::shots {

class ShotPresenter : public DialogPresenter {
 public:
  // workDir: the scene's scratch folder in the build tree, which no picture may show.
  ShotPresenter(QString outDir, std::string workDir) : outDir_(std::move(outDir)), workDir_(std::move(workDir)) {}
  // The scene's home folder lies in the build tree; the boxes show it where a user's home
  // lies (/home/<name>), as the user would see it.
  void showHomeAs(std::string realHome, std::string shownHome);
  // The next box must have a text that `matches` holds for.
  void expect(std::string what, std::function<bool(const std::string&)> matches, QString shot, int answer);
  int present(const DialogRequest& request) override;
  // True once every expected box has come.
  bool allCame() const { return expected_.empty(); }
  // Stops the scene when a box did not come, an unexpected one came, or a picture failed.
  void verify() const;

 private:
  struct Expected {
    std::string what;
    std::function<bool(const std::string&)> matches;
    QString shot;
    int answer;
  };
  int showAndTake(const DialogRequest& request, const Expected& e);

  QString outDir_;
  std::string workDir_;
  std::string realHome_, shownHome_;
  std::deque<Expected> expected_;
  std::vector<std::string> faults_;
};

// A box whose first line is `firstLine` (the message boxes translate line by line).
std::function<bool(const std::string&)> FirstLineIs(std::string firstLine);

}  // namespace movra::shots
