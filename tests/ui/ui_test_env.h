// What the window tests share: a QApplication on the offscreen platform, a program folder
// laid out as the installation lays it out, a device root of their own, and the started
// program (data module and main window) in start-up order.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QRect>

#include "recording_presenter.h"
#include "temp_dir.h"

namespace movra {
class TDM;
class TFrmMain;
class RowSet;
}  // namespace movra

namespace movra::test {

// A program folder in a scratch folder: MovraT.INI, the English translation, the pictures
// when the build rendered them, and PTDATA/Data/movradata1.dat made by the installation
// step. MOVRA_DEVICE_ROOT points at an empty device root beside it.
class ProgramFolder {
 public:
  ProgramFolder();
  std::string exeDir() const { return dir_.path() + "/prog/"; }
  std::string deviceRoot() const { return dir_.path() + "/devroot"; }
  std::string databasePath() const { return exeDir() + "PTDATA/Data/movradata1.dat"; }
  TempDir& dir() { return dir_; }
  // Replaces a key of MovraT.INI (section and key as written there).
  void setIni(const std::string& section, const std::string& key, const std::string& value);

 private:
  TempDir dir_;
};

// Start-up as the program does it, without running the outer message loop: folders and
// settings, the data module, the main window.
class StartedProgram {
 public:
  explicit StartedProgram(ProgramFolder& folder);
  ~StartedProgram();  // window first, then the data module
  TFrmMain& window() { return *window_; }
  TDM& dm() { return *dm_; }
  RowSet& list();
  // Closes and reopens the program on the same folder (the table as the next start sees it).
  void restart();

 private:
  void start();
  void stop();
  ProgramFolder& folder_;
  std::unique_ptr<TDM> dm_;
  std::unique_ptr<TFrmMain> window_;
};

// A fixture with the program started on its own folder; boxes are recorded (an unexpected
// one fails the test). Derived fixtures add what they need after SetUp().
class StartedProgramTest : public ::testing::Test {
 protected:
  void SetUp() override { program = std::make_unique<StartedProgram>(folder); }
  void TearDown() override { program.reset(); }
  TFrmMain& w() { return program->window(); }
  RowSet& list();

  ProgramFolder folder;
  ScopedPresenter boxes;
  std::unique_ptr<StartedProgram> program;
};

// Appends one row to the result list as a download stores it (ticked, patient -1000) and
// writes it to the database.
void AddResultRow(RowSet& list, const std::string& recordNumber, double inr, bool checked = true,
                  const std::string& serial = "SN01");
// Rows of Result_Log in the database file itself.
int CountTableRows(const std::string& databasePath);

// A USB-to-UART adapter in the fake sysfs of a device root, as port discovery finds it:
// <root>/sys/class/tty/<tty> leads to a USB device folder holding `product`. The device
// node <root>/dev/<tty> is made (as an empty file) only when asked.
void MakeFakeUsbPort(const std::string& root, const std::string& tty, const std::string& product, bool deviceNode);

// The debug trace of the program folder.
std::string ReadTrace(ProgramFolder& folder);
int CountOccurrences(const std::string& text, const std::string& part);

// A grabbed widget holds device pixels, which a scale factor multiplies: these read it by
// the widget's own (logical) coordinates.
QColor LogicalPixel(const QImage& shot, int x, int y);
QImage LogicalCopy(const QImage& shot, const QRect& logical);

// Serves Qt events until pred() holds or the time is up; true when it held.
bool ProcessEventsUntil(const std::function<bool()>& pred, int timeoutMs);

}  // namespace movra::test
