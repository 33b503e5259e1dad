// The save dialog of the exports, behind an interface so tests can answer it. The
// dialog never asks its own overwrite question: the export command asks it.
#pragma once
#include <functional>
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

// Asks for a file to write until the user picks a new name, agrees to overwrite a file
// that is there, or cancels (nullopt). `targetOf` turns the typed name into the file that
// will be written (the extension added), so the question is about that file.
std::optional<std::string> ChooseFileToWrite(SaveFileChooser* chooser, SaveDialogOptions options,
                                             const std::function<std::string(const std::string&)>& targetOf);

// The toolkit's save dialog; opens in the user's documents folder, then remembers the
// folder of the last chosen file.
std::shared_ptr<SaveFileChooser> MakeQtSaveFileChooser(QWidget* parent);

}  // namespace movra
