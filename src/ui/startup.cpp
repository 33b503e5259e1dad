#include "ui/startup.h"

#include <QApplication>
#include <exception>
#include <memory>

#include "app/config.h"
#include "app/dialogs.h"
#include "app/folders.h"
#include "app/single_instance.h"
#include "app/trace.h"
#include "data/data_module.h"
#include "ui/desktop_identity.h"
#include "ui/frm_about.h"
#include "ui/frm_main.h"
#include "ui/qt_dispatcher.h"
#include "ui/qt_presenter.h"
#include "ui/qt_translations.h"
#include "ui/result_data.h"
#include "ui/running_copy.h"
#include "ui/window_texts.h"

namespace movra {

namespace {
// How long a second start waits for the running copy's answer, the copy's own start-up
// included.
constexpr int kRunningCopyAnswerMs = 3000;
}  // namespace

int RunMovra(QApplication& app, const std::string& exeDirArg) {
  auto dispatcher = QtDispatcher::installForThisThread(&app);
  auto oldPresenter = CurrentDialogPresenter();
  // Tests install their own presenter before start-up; keep it.
  if (dynamic_cast<StderrPresenter*>(oldPresenter.get())) SetDialogPresenter(std::make_shared<QtPresenter>(&app));

  std::string exeDir = exeDirArg.empty() ? RunningExeDir() : exeDirArg;
  // Every start that ends before the message loop ends with this status.
  constexpr int kStartFailed = 1;
  LocateFolders(exeDir);
  const QString channel = RunningCopyChannel(DataRoot + "/Data");
  if (RunningCopyHoldsLock(LockFilePath())) {
    // The user's own copy comes to the front and this start has done its job; a copy that
    // does not answer, or another user's, gets the refusal.
    if (AskRunningCopyToRaise(channel, kRunningCopyAnswerMs)) return 0;
    ShowNotice(RunningCopyRefusal());
    return kStartFailed;
  }
  ShowNotice(PrepareFolders(exeDir));
  // Records that stop reaching the trace are told as a box, from whichever thread wrote.
  struct TraceFailureShown {
    TraceFailureHandler old = SetTraceFailureHandler([](const Notice& n) { ShowNotice(n); });
    ~TraceFailureShown() { SetTraceFailureHandler(old); }
  } traceFailureShown;

  std::unique_ptr<TDM> dm;
  std::unique_ptr<TFrmMain> mainWindow;
  std::unique_ptr<RunningCopyServer> runningCopy;
  bool failed = false;
  try {
    // Before the first window: the window class is fixed when it is made.
    SetDesktopIdentity(GlobalOption.Title);
    // The data module opens the trace and the database; when either fails it asks the
    // program to end, and the windows are still made.
    CreatedDataModule created = CreateDataModule();
    dm = std::move(created.dm);
    // Shown at once, before Qt's own translations are installed.
    ShowNotices(created.notices);
    SetDataModule(dm.get());
    // Holding the database, this copy answers later starts; before its window exists a
    // request is served once the message loop runs.
    if (!dm->TerminateRequested())
      runningCopy = std::make_unique<RunningCopyServer>(channel, [&](const QByteArray& token) {
        if (mainWindow) mainWindow->BringToFront(token);
      });
    // The data module has chosen the interface language.
    InstallQtTranslations(app);
    mainWindow = std::make_unique<TFrmMain>();
    FrmMain = mainWindow.get();
    // The about box, made now and shown on demand.
    mainWindow->FrmAbout = new TFrmAbout(mainWindow.get());
    TranslateWindowTexts(mainWindow.get());
  } catch (const std::exception& e) {
    PlainMessageBox(e.what(), "Error", MB_OK | MB_ICONERROR);
    failed = true;
  }
  int rc = kStartFailed;
  if (!failed && !dm->TerminateRequested()) {
    mainWindow->show();
    mainWindow->repaint();
    rc = app.exec();
  }
  // The windows go first; the data module closes the database and the trace last.
  runningCopy.reset();
  mainWindow.reset();
  SetDataModule(nullptr);
  dm.reset();
  dispatcher->close();
  return rc;
}

}  // namespace movra
