// What the fault tests share: records with values of their own for the simulated meter,
// the rows that reached Result_Log, the meter's acknowledgements, and a Download command
// run under a watchdog so that a hang fails the test instead of stalling it.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "recording_presenter.h"
#include "temp_dir.h"
#include "ui_test_env.h"

namespace movra {
class TFrmMain;
}

namespace movra::test {

class SimProcess;

// A month and day a record carries instead of its own (a meter with a broken clock).
using DateOverrides = std::map<int, std::pair<int, int>>;

// The simulator's --records text: records count down to 1, as a meter sends them, record
// k with INR RecordInr(k) and a date and time of its own (24-hour clock, so no 12-hour
// rule is involved).
std::string MeterRecordsText(int count, const DateOverrides& dates = {});
// The date text the meter's record k carries, as the record frame gives it.
std::string MeterDateText(int number, const DateOverrides& dates = {});
float RecordInr(int number);

// One row of Result_Log as the database file holds it.
struct StoredRow {
  std::string recordNumber;
  double inr = 0;
  std::string serial;
};
// Every row of Result_Log, in the order the rows were written.
std::vector<StoredRow> ReadStoredRows(const std::string& databasePath);
std::vector<int> RecordNumbersOf(const std::vector<StoredRow>& rows);

// Record numbers the meter saw acknowledged ("ack N" in its journal), in order.
std::vector<int> AckedRecords(const SimProcess& sim);

// Runs the Download command as a click on its button. A command that has not returned
// within limitMs fails the test and is abandoned (the application is told to quit). Events
// are served for a moment afterwards, so a message that comes late is seen too.
// True when the command returned in time.
bool RunDownload(TFrmMain& w, int limitMs);

// A window at rest: not downloading, commands enabled, no hourglass, timer off.
void ExpectIdle(TFrmMain& w);

// Dialogs as "[caption] text", for exact comparison.
std::vector<std::string> DialogLines(const std::vector<DialogRequest>& shown);

// The started program with its window shown, a device root for simulators, and every box
// recorded.
class WindowWithMeter : public ::testing::Test {
 protected:
  // Every box is recorded and answered with OK; the test compares the list.
  void SetUp() override;
  void TearDown() override { program.reset(); }
  TFrmMain& w() { return program->window(); }
  // A --records file for the simulator holding MeterRecordsText(count, dates).
  std::string recordsFile(int count, const DateOverrides& dates = {});
  // The rows of Result_Log: the numbers given, in that order, each with its own INR.
  void expectStored(const std::vector<int>& numbers, const std::string& serial);

  ProgramFolder folder;
  TempDir scratch;
  ScopedPresenter boxes;
  std::unique_ptr<StartedProgram> program;
};

}  // namespace movra::test
