#include "shot_program.h"

#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <filesystem>

#include "app/dialogs.h"
#include "app/folders.h"
#include "comm/tone.h"
#include "data/data_module.h"
#include "data/row_set.h"
#include "data/schema.h"
#include "shot_error.h"
#include "shot_presenter.h"
#include "ui/frm_about.h"
#include "ui/frm_main.h"
#include "ui/qt_dispatcher.h"
#include "ui/qt_translations.h"
#include "ui/result_data.h"
#include "ui/window_texts.h"

namespace movra::shots {

namespace fs = std::filesystem;

namespace {

// The pictures are made on build machines: no tone is played when the cable comes.
class SilentTones : public TonePlayer {
 public:
  void Play(uint32_t, uint32_t) override {}
};

void CopyInto(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::create_directories(to.parent_path(), ec);
  if (!fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec))
    throw ShotError("cannot copy " + from.string() + " to " + to.string() + ": " + ec.message());
}

void LayOutProgramFolder(const ShotInputs& in, const fs::path& exe) {
  const fs::path src = in.sourceDir.toStdString();
  const fs::path data = in.installData.toStdString();
  const std::string lang = std::to_string(in.language);
  if (!fs::is_regular_file(src / "install/lang" / lang / "MovraT.txt"))
    throw ShotError("no translation file for language " + lang + " in " + (src / "install/lang").string());
  CopyInto(src / "install/MovraT.INI", exe / "MovraT.INI");
  CopyInto(src / "install/lang" / lang / "MovraT.txt", exe / lang / "MovraT.txt");
  CopyInto(data / "MovraTemplate.xls", exe / "data/MovraTemplate.xls");
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(data / "Image", ec)) CopyInto(e.path(), exe / "Image" / e.path().filename());
  if (ec) throw ShotError("no rendered pictures in " + (data / "Image").string() + ": " + ec.message());
  fs::create_directories(exe / "PTDATA/Data");
  CreateDatabaseFile((exe / "PTDATA/Data/movradata1.dat").string());
}

// A home as a reader of each language has one, with the documents folder the desktop
// makes there.
struct UserHome {
  std::string user;
  std::string documents;
};

UserHome UserHomeFor(int language) {
  switch (language) {
    case 2052: return {"lihua", "文档"};
    case 1031: return {"anna", "Dokumente"};
    default: return {"anna", "Documents"};
  }
}

}  // namespace

bool ServeEventsUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(5);
  }
  return true;
}

ShotProgram::ShotProgram(const ShotInputs& in, const QString& workDir) : workDir_(workDir.toStdString()) {
  std::error_code ec;
  fs::remove_all(workDir_, ec);
  const fs::path exe = fs::path(workDir_) / "prog";
  deviceRoot_ = (fs::path(workDir_) / "devroot").string();
  fs::create_directories(fs::path(deviceRoot_) / "dev");
  fs::create_directories(fs::path(deviceRoot_) / "sys/class/tty");
  setenv("MOVRA_DEVICE_ROOT", deviceRoot_.c_str(), 1);
  LayOutProgramFolder(in, exe);
  // The home lies in the scratch folder, so nothing of the build machine's own user (its
  // settings, its folders) gets into a picture.
  const UserHome user = UserHomeFor(in.language);
  const fs::path home = fs::path(workDir_) / "home" / user.user;
  documentsDir_ = (home / user.documents).string();
  fs::create_directories(documentsDir_);
  setenv("HOME", home.c_str(), 1);
  for (const char* xdg : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) unsetenv(xdg);

  SetTonePlayer(std::make_shared<SilentTones>());
  dispatcher_ = QtDispatcher::installForThisThread(qApp);
  presenter_ = std::make_shared<ShotPresenter>(in.outDir, workDir_);
  presenter_->showHomeAs(home.string(), "/home/" + user.user);
  SetDialogPresenter(presenter_);
  // The program's own start-up order: folders and settings, the data module (which
  // chooses the interface language), Qt's translations, the windows.
  ShowNotice(PrepareFolders(exe.string() + "/"));
  CreatedDataModule created = CreateDataModule();
  ShowNotices(created.notices);
  dm_ = std::move(created.dm);
  if (dm_->TerminateRequested()) throw ShotError("the program did not start in " + exe.string());
  SetDataModule(dm_.get());
  InstallQtTranslations(*qApp);
  window_ = std::make_unique<TFrmMain>();
  FrmMain = window_.get();
  window_->FrmAbout = new TFrmAbout(window_.get());
  TranslateWindowTexts(window_.get());
  window_->show();
  ServeEventsUntil([] { return false; }, 100);
}

ShotProgram::~ShotProgram() {
  window_.reset();
  FrmMain = nullptr;
  SetDataModule(nullptr);
  dm_.reset();
  SetDialogPresenter(std::make_shared<StderrPresenter>());
  if (dispatcher_) dispatcher_->close();
  Dispatcher::setCurrent(nullptr);
}

int ShotProgram::recordCount() const { return dm_->qryCheckDataEntry.recordCount(); }

}  // namespace movra::shots
