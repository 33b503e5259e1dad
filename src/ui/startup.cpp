#include "ui/startup.h"

#include <QApplication>
#include <QMainWindow>
#include <exception>
#include <memory>

#include "app/config.h"
#include "app/dialogs.h"
#include "app/folders.h"
#include "app/language.h"
#include "app/single_instance.h"
#include "app/trace.h"
#include "ui/qt_dispatcher.h"
#include "ui/qt_presenter.h"

namespace movra {

int RunMovra(QApplication& app, const std::string& exeDirArg) {
  auto dispatcher = QtDispatcher::installForThisThread(&app);
  auto oldPresenter = CurrentDialogPresenter();
  // Tests install their own presenter before start-up; keep it.
  if (dynamic_cast<StderrPresenter*>(oldPresenter.get())) SetDialogPresenter(std::make_shared<QtPresenter>(&app));

  std::string exeDir = exeDirArg.empty() ? RunningExeDir() : exeDirArg;
  if (CheckSingleInstance(exeDir)) return 0;
  PrepareFolders(exeDir);

  std::unique_ptr<QMainWindow> mainWindow;
  bool terminate = false;
  try {
    QCoreApplication::setApplicationName("Movra Data Management Software");
    if (!OpenTrace()) terminate = true;
    ScanLanguages(ExeDir);
    mainWindow = std::make_unique<QMainWindow>();
    mainWindow->setWindowTitle(QString::fromStdString(GlobalOption.Title));
    mainWindow->resize(1000, 700);
  } catch (const std::exception& e) {
    PlainMessageBox(e.what(), "Error", MB_OK | MB_ICONERROR);
    CloseTrace();
    return 1;
  }
  int rc = 0;
  if (!terminate) {
    mainWindow->show();
    mainWindow->repaint();
    rc = app.exec();
  }
  mainWindow.reset();
  CloseTrace();
  dispatcher->close();
  return rc;
}

}  // namespace movra
