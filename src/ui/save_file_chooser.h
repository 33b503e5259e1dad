// The save dialog of the exports, behind an interface so tests can answer it. The
// dialog never asks its own overwrite question: the export command asks it.
#pragma once
#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace movra {

struct SaveDialogOptions {
  std::string title;
  std::string filter;    // a name filter, e.g. "Excel files (*.xls)"; names match it in any case
  std::string fileName;  // the proposed name; a bare name opens in the last folder used (at first the documents folder)
};

class SaveFileChooser {
 public:
  virtual ~SaveFileChooser() = default;
  // The chosen file name, or nullopt when the user cancelled.
  virtual std::optional<std::string> Execute(const SaveDialogOptions& options) = 0;
};

// The toolkit's save dialog; opens in the user's documents folder, then remembers the
// folder of the last chosen file.
std::shared_ptr<SaveFileChooser> MakeQtSaveFileChooser(QWidget* parent);

}  // namespace movra
