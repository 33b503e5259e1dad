// TDM, the data module: the database connection, the standing queries over it, the
// settings row, and the process-wide date and time formats. Created at start-up before
// the main window and destroyed after it; tools and tests use it without any window.
#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/notice.h"
#include "data/connection.h"
#include "data/row_set.h"

namespace movra {

// What a view binds to: the row set and whether the view may put rows into edit mode.
struct TDataSource {
  RowSet* DataSet = nullptr;
  bool AutoEdit = true;
};

// A statement without rows, run on the connection (qryUpdate).
class TAdoCommand {
 public:
  explicit TAdoCommand(TAdoConnection& conn) : conn_(conn) {}
  std::string SQL;
  void ExecSQL() { conn_.execute(SQL); }

 private:
  TAdoConnection& conn_;
};

class TDM {
 public:
  // Makes the components; nothing is opened yet.
  TDM();
  // Runs DataModuleDestroy when DataModuleCreate ran.
  ~TDM();
  TDM(const TDM&) = delete;
  TDM& operator=(const TDM&) = delete;

  // Start-up, in this order: the debug trace, the database at DataFilePath(), the
  // language scan of ExeDir, the primary language, the date and time formats. A trace or
  // database that cannot be opened asks the program to end (TerminateRequested) and
  // start-up goes on. Returns what the user is to be told, in the order it happened.
  std::vector<Notice> DataModuleCreate();
  // Closes the connection (the lock file goes with it), then the trace.
  void DataModuleDestroy();

  // Connects to the file, opens qryCheckData, qryCheckDataEntry, qryCheckDataEntryHis and
  // reads the settings row. A missing file or a failure at any stage fails with the box
  // that says so; what was opened before a failure stays open.
  StepResult OpenDatabase(const std::string& path);
  // Empty when the open database can be written (the file, and its folder for the
  // engine's journal); otherwise the reason it cannot. A download checks this first,
  // since the meter lets go of every record it has sent.
  std::string DatabaseWriteProblem() const;
  // The first row of System_Info into GlobalOption.MeterSetting and Operator; an empty
  // table changes nothing. Raises DbError when the table or one of its columns is missing.
  void ReadSystemInfo();
  // Date separator "/", dates "mm/dd/yyyy", time separator ":", long time "hh:nn:ss",
  // AM/PM and day names in the interface language; the decimal separator stays the user's.
  static void ApplyFormatSettings();

  // Set when start-up found it cannot go on; the program ends once its windows are made.
  bool TerminateRequested() const { return terminateRequested_.load(); }
  void RequestTerminate() { terminateRequested_ = true; }
  // The stage OpenDatabase reached: 0 connecting … 5 done.
  int ConnectStep() const { return connectStep_; }

  // The language manager's current language index: never set in this program.
  static constexpr int kLanManIndex = -1;

  TAdoConnection adoConn;
  TAdoCommand qryUpdate{adoConn};
  RowSet qryCheckData{"qryCheckData"};
  RowSet qryCheckDataEntry{"qryCheckDataEntry"};
  RowSet qryCheckDataEntryHis{"qryCheckDataEntryHis"};
  TDataSource DSSlave{&qryCheckDataEntry, false};
  TDataSource DSSlaveHis{&qryCheckDataEntryHis, true};

 private:
  // Loads the interface language and the date and time formats.
  void ChooseLanguage();
  std::atomic<bool> terminateRequested_{false};
  int connectStep_ = 0;
  bool created_ = false;
};

// The words under the connect failure when the file proved damaged.
extern const char* const kDamagedDatabaseAdvice;
// The line under "Doesn't Exists!" when the file could not be looked at for a denied permission.
extern const char* const kDatabaseFileNotReachable;
// The first line of the message when a user's own database cannot be made at first start.
extern const char* const kUserDatabaseNotMade;
// The refusal of a download while the database cannot be written; the file and the
// reason follow on their own lines.
extern const char* const kDatabaseNotWritableText;
std::string DatabaseNotWritableMessage(const std::string& path, const std::string& reason);

// A data module after DataModuleCreate, with what its start has to tell the user.
struct CreatedDataModule {
  std::unique_ptr<TDM> dm;
  std::vector<Notice> notices;
};
CreatedDataModule CreateDataModule();

}  // namespace movra
