#include "ui/startup.h"

#include <QApplication>
#include <exception>
#include <memory>

#include "app/config.h"
#include "app/dialogs.h"
#include "app/folders.h"
#include "app/trace.h"
#include "data/data_module.h"
#include "data/program_start.h"
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

  // Every start that ends before the message loop ends with this status.
  constexpr int kStartFailed = 1;
  std::unique_ptr<TFrmMain> mainWindow;
  // The window's own steps of the shared start-up.
  class WindowStart : public StartFrontEnd {
   public:
    ~WindowStart() override {
      if (traceFailureShown_) SetTraceFailureHandler(oldTraceFailure_);
    }
    bool OtherCopyCameForward() override {
      // The user's own copy comes to the front; a copy that does not answer, or another
      // user's, gets the refusal.
      return AskRunningCopyToRaise(RunningCopyChannel(DataRoot + "/Data"), kRunningCopyAnswerMs);
    }
    // Shown at once, the data module's before Qt's own translations are installed.
    void Tell(const std::vector<Notice>& notices) override { ShowNotices(notices); }
    void SettingsRead() override {
      // Records that stop reaching the trace are told as a box, from whichever thread wrote.
      oldTraceFailure_ = SetTraceFailureHandler([](const Notice& n) { ShowNotice(n); });
      traceFailureShown_ = true;
      // Before the first window: the window class is fixed when it is made.
      SetDesktopIdentity(GlobalOption.Title);
    }

   private:
    TraceFailureHandler oldTraceFailure_;
    bool traceFailureShown_ = false;
  } windowStart;

  std::unique_ptr<TDM> dm;
  std::unique_ptr<RunningCopyServer> runningCopy;
  bool failed = false;
  try {
    // The data module opens the trace and the database; when either fails it asks the
    // program to end, and the windows are still made.
    ProgramStartOutcome started = StartProgram(exeDirArg, windowStart);
    if (started.end == StartEnd::OtherCopyCameForward) return 0;
    if (started.end == StartEnd::Refused) return kStartFailed;
    dm = std::move(started.dm);
    SetDataModule(dm.get());
    // Holding the database, this copy answers later starts; before its window exists a
    // request is served once the message loop runs.
    if (!dm->TerminateRequested())
      runningCopy = std::make_unique<RunningCopyServer>(RunningCopyChannel(DataRoot + "/Data"), [&](const QByteArray& token) {
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
