#include "ui_test_env.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/dialogs.h"
#include "app/folders.h"
#include "comm/tone.h"
#include "data/data_module.h"
#include "data/schema.h"
#include "data/sql_database.h"
#include "ui/frm_main.h"
#include "ui/qt_dispatcher.h"
#include "ui/result_data.h"

namespace movra::test {

namespace fs = std::filesystem;

namespace {

// No sound card in tests: the device tones are silent.
class SilentTones : public TonePlayer {
 public:
  void Play(uint32_t, uint32_t) override {}
};

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "movra-ui-test";
    static char* argv[] = {name, nullptr};
    // No display in tests; ctest sets the same.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    dispatcher_ = QtDispatcher::installForThisThread(app_.get());
    SetTonePlayer(std::make_shared<SilentTones>());
  }
  void TearDown() override {
    dispatcher_->close();
    Dispatcher::setCurrent(nullptr);
    app_.reset();
  }

 private:
  std::unique_ptr<QApplication> app_;
  std::shared_ptr<QtDispatcher> dispatcher_;
};

[[maybe_unused]] auto* const gQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

void CopyFile(const fs::path& from, const fs::path& to) {
  fs::create_directories(to.parent_path());
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

}  // namespace

ProgramFolder::ProgramFolder() {
  fs::path exe = exeDir();
  fs::create_directories(exe / "PTDATA/Data");
  fs::create_directories(deviceRoot() + "/dev");
  fs::create_directories(deviceRoot() + "/sys/class/tty");
  setenv("MOVRA_DEVICE_ROOT", deviceRoot().c_str(), 1);
  fs::path src = SourceDir();
  CopyFile(src / "install/MovraT.INI", exe / "MovraT.INI");
  CopyFile(src / "install/lang/1033/MovraT.txt", exe / "1033/MovraT.txt");
  fs::path images = fs::path(BuildDir()) / "installdata/Image";
  if (fs::is_directory(images)) {
    for (const auto& e : fs::directory_iterator(images)) CopyFile(e.path(), exe / "Image" / e.path().filename());
  }
  // The installation step makes the database; without the tool the same code makes it.
  fs::path tool = fs::path(BuildDir()) / "bin/movra-make-database";
  if (fs::exists(tool)) {
    std::string cmd = "'" + tool.string() + "' '" + databasePath() + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "movra-make-database failed";
  } else {
    CreateDatabaseFile(databasePath());
  }
}

void ProgramFolder::setIni(const std::string& section, const std::string& key, const std::string& value) {
  std::string path = exeDir() + "MovraT.INI";
  std::ifstream in(path);
  std::stringstream out;
  std::string line, current;
  bool done = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') {
      if (!done && current == section) {
        out << key << "=" << value << "\n";
        done = true;
      }
      current = line.substr(1, line.find(']') - 1);
    } else if (current == section && line.rfind(key + "=", 0) == 0) {
      out << key << "=" << value << "\n";
      done = true;
      continue;
    }
    out << line << "\n";
  }
  if (!done) out << (current == section ? "" : "[" + section + "]\n") << key << "=" << value << "\n";
  std::ofstream(path, std::ios::trunc) << out.str();
}

StartedProgram::StartedProgram(ProgramFolder& folder) : folder_(folder) { start(); }
StartedProgram::~StartedProgram() { stop(); }

void StartedProgram::start() {
  ShowNotice(PrepareFolders(folder_.exeDir()));
  CreatedDataModule created = CreateDataModule();
  ShowNotices(created.notices);
  dm_ = std::move(created.dm);
  EXPECT_FALSE(dm_->TerminateRequested()) << "the data module did not start";
  SetDataModule(dm_.get());
  window_ = std::make_unique<TFrmMain>();
  FrmMain = window_.get();
}

void StartedProgram::stop() {
  window_.reset();
  SetDataModule(nullptr);
  dm_.reset();
}

void StartedProgram::restart() {
  stop();
  start();
}

RowSet& StartedProgram::list() { return dm_->qryCheckDataEntry; }

void AddResultRow(RowSet& list, const std::string& recordNumber, double inr, bool checked, const std::string& serial) {
  list.append();
  list.fieldByName("fRecordNumber").setAsString(recordNumber);
  list.fieldByName("fPatientID").setAsInteger(-1000);
  list.fieldByName("fProviderID").setAsInteger(std::atoi(recordNumber.c_str()));
  list.fieldByName("fChecked").setAsBoolean(checked);
  list.fieldByName("fINR_v").setAsFloat(inr);
  list.fieldByName("fSN").setAsString(serial);
  list.fieldByName("fMeterType").setAsString("345");
  list.fieldByName("fTime_String").setAsString("14:05");
  list.post();
  list.updateBatch();
}

int CountTableRows(const std::string& databasePath) {
  SqlDatabase db;
  db.open(databasePath, kDatabasePassword);
  SqlStatement st(db, "SELECT COUNT(*) FROM Result_Log");
  st.step();
  return static_cast<int>(std::get<int64_t>(st.column(0)));
}

void MakeFakeUsbPort(const std::string& root, const std::string& tty, const std::string& product, bool deviceNode) {
  fs::path usb = fs::path(root) / "sys/devices/pci0000:00/usb1/1-1";
  fs::path port = usb / "1-1:1.0" / tty;
  fs::create_directories(port / "tty" / tty);
  std::ofstream(usb / "product") << product << "\n";
  fs::create_symlink("../../../" + tty, port / "tty" / tty / "device");
  fs::create_directories(fs::path(root) / "sys/class/tty");
  fs::create_symlink("../../devices/pci0000:00/usb1/1-1/1-1:1.0/" + tty + "/tty/" + tty,
                     fs::path(root) / "sys/class/tty" / tty);
  if (deviceNode) {
    fs::create_directories(fs::path(root) / "dev");
    std::ofstream(fs::path(root) / "dev" / tty) << "";
  }
}

std::string ReadTrace(ProgramFolder& folder) { return ReadFileBytes(folder.exeDir() + "PTDATA/Data/MovraT.dbg"); }

int CountOccurrences(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + part.size())) ++n;
  return n;
}

QColor LogicalPixel(const QImage& shot, int x, int y) {
  qreal r = shot.devicePixelRatio();
  return shot.pixelColor(qRound(x * r), qRound(y * r));
}

QImage LogicalCopy(const QImage& shot, const QRect& logical) {
  qreal r = shot.devicePixelRatio();
  return shot.copy(QRect(qRound(logical.x() * r), qRound(logical.y() * r), qRound(logical.width() * r),
                         qRound(logical.height() * r)));
}

bool ProcessEventsUntil(const std::function<bool()>& pred, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(5);
  }
  return true;
}

RowSet& StartedProgramTest::list() { return program->list(); }

}  // namespace movra::test
