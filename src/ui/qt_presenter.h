// Message boxes with QMessageBox. A box asked for on a worker thread is shown by the GUI
// thread while the worker waits for the answer.
#pragma once
#include <QObject>

#include "app/dialogs.h"

namespace movra {

class QtPresenter : public DialogPresenter {
 public:
  explicit QtPresenter(QObject* guiContext) : gui_(guiContext) {}
  int present(const DialogRequest& request) override;
  // Shows the box on the calling (GUI) thread.
  static int showNow(const DialogRequest& request);

 private:
  QObject* gui_;
};

}  // namespace movra
