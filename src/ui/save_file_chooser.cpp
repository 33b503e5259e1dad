#include "ui/save_file_chooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <filesystem>

#include "app/dialogs.h"

namespace movra {

namespace {

// The user's documents folder, else the home folder: never the program's own folder,
// which the user may not be able to write to and would not look in.
QString FirstFolder() {
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
  return QDir::homePath();
}

class QtSaveFileChooser : public SaveFileChooser {
 public:
  explicit QtSaveFileChooser(QWidget* parent) : parent_(parent) {}

  std::optional<std::string> Execute(const SaveDialogOptions& o) override {
    QFileDialog dlg(parent_.data(), QString::fromStdString(o.title));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    // The export command asks about an existing file itself, about the name as chosen.
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    dlg.setNameFilter(QString::fromStdString(o.filter));
    QString name = QString::fromStdString(o.fileName);
    QFileInfo info(name);
    if (info.isAbsolute()) {
      dlg.setDirectory(info.absolutePath());
      dlg.selectFile(info.fileName());
    } else {
      dlg.setDirectory(lastDir_.isEmpty() ? FirstFolder() : lastDir_);
      dlg.selectFile(name);
    }
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    QStringList files = dlg.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty()) return std::nullopt;
    lastDir_ = QFileInfo(files.first()).absolutePath();
    return files.first().toStdString();
  }

 private:
  QPointer<QWidget> parent_;
  QString lastDir_;
};

}  // namespace

std::shared_ptr<SaveFileChooser> MakeQtSaveFileChooser(QWidget* parent) {
  return std::make_shared<QtSaveFileChooser>(parent);
}

std::optional<std::string> ChooseFileToWrite(SaveFileChooser* chooser, SaveDialogOptions options,
                                             const std::function<std::string(const std::string&)>& targetOf) {
  for (;;) {
    std::optional<std::string> answer = chooser ? chooser->Execute(options) : std::nullopt;
    if (!answer) return std::nullopt;
    options.fileName = *answer;
    std::string target = targetOf(*answer);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(target, ec)) return target;
    int reply = PlainMessageBox(target + " " + "already exists, do you want to overwrite this file?", "Warning",
                                MB_YESNOCANCEL | MB_ICONQUESTION);
    if (reply == IDYES) return target;
    if (reply != IDNO) return std::nullopt;
  }
}

}  // namespace movra
