// A program folder for movra-cli in a scratch folder, laid out as the installation lays
// it out: the executable, PTDATA/Data with a new database, data/MovraTemplate.xls.
// movra-cli finds all of it beside itself, so each test gets a database of its own.
#pragma once
#include <string>
#include <vector>

#include "run_process.h"
#include "temp_dir.h"

namespace movra::test {

struct FolderParts {
  bool dataFolder = true;  // PTDATA/Data
  bool database = true;    // PTDATA/Data/movradata1.dat, made by movra-make-database
};

// One row of Result_Log as the file holds it, in the order the rows were written.
struct StoredRow {
  std::string recordNumber;
  std::string serialNumber;
  double inr = 0;
  int patientId = 0;
  bool checked = false;
};

class ProgramFolder {
 public:
  explicit ProgramFolder(FolderParts parts = {});
  // Empty when the folder could be laid out; otherwise what went wrong.
  const std::string& setupError() const { return setupError_; }

  std::string path(const std::string& rel = "") const;
  std::string cli() const { return path("movra-cli"); }
  std::string databasePath() const { return path("PTDATA/Data/movradata1.dat"); }
  std::string tracePath() const { return path("PTDATA/Data/MovraT.dbg"); }

  // movra-cli with these arguments, to its end (killed after timeoutMs).
  ProcessResult run(const std::vector<std::string>& args, int timeoutMs = 60000) const;
  // Every row of Result_Log, read from the file with the program's own connection (the
  // program must have ended: it holds the database while it runs).
  std::vector<StoredRow> storedRows() const;

 private:
  TempDir dir_;
  std::string setupError_;
};

// The lines of a result list that are progress lines ("Reading …") and the others.
std::vector<std::string> ProgressLines(const std::string& out);
std::vector<std::string> ListLines(const std::string& out);
// The record numbers of the "ack N" lines of a simulator journal, in order.
std::vector<std::string> AckedNumbers(const std::vector<std::string>& journal);

}  // namespace movra::test
