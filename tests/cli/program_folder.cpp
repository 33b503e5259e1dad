#include "program_folder.h"

#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>

#include "data/connection.h"
#include "data/connection_string.h"
#include "data/row_set.h"

namespace fs = std::filesystem;

namespace movra::test {

ProgramFolder::ProgramFolder(FolderParts parts) {
  const std::string bin = BuildDir() + "/bin/";
  std::error_code ec;
  fs::copy_file(bin + "movra-cli", cli(), fs::copy_options::overwrite_existing, ec);
  if (ec) {
    setupError_ = "cannot copy movra-cli: " + ec.message();
    return;
  }
  dir_.mkdirs("data");
  ProcessResult made = RunProcess({bin + "movra-make-template", path("data/MovraTemplate.xls")}, 30000);
  if (made.exitCode != 0) {
    setupError_ = "movra-make-template: " + made.err;
    return;
  }
  if (!parts.dataFolder) return;
  dir_.mkdirs("PTDATA/Data");
  chmod(path("PTDATA").c_str(), 0700);
  chmod(path("PTDATA/Data").c_str(), 0700);
  if (!parts.database) return;
  made = RunProcess({bin + "movra-make-database", databasePath()}, 30000);
  if (made.exitCode != 0) setupError_ = "movra-make-database: " + made.err;
}

std::string ProgramFolder::path(const std::string& rel) const { return rel.empty() ? dir_.path() : dir_.file(rel); }

ProcessResult ProgramFolder::run(const std::vector<std::string>& args, int timeoutMs) const {
  std::vector<std::string> argv{cli()};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProcess(argv, timeoutMs);
}

std::vector<StoredRow> ProgramFolder::storedRows() const {
  TAdoConnection conn;
  conn.setConnectionString(BuildConnectionString(databasePath()));
  conn.open();
  RowSet q("Result_Log");
  q.setConnection(&conn);
  q.setCommandText("Select * from Result_Log Order By fID");
  q.setReadOnly(true);
  q.open();
  std::vector<StoredRow> rows;
  for (q.first(); !q.eof(); q.next())
    rows.push_back({q.fieldByName("fRecordNumber").asString(), q.fieldByName("fSN").asString(),
                    q.fieldByName("fINR_v").asFloat(), q.fieldByName("fPatientID").asInteger(),
                    q.fieldByName("fChecked").asBoolean()});
  return rows;
}

std::vector<std::string> ProgressLines(const std::string& out) {
  std::vector<std::string> lines;
  for (const std::string& l : Lines(out))
    if (l.rfind("Reading ", 0) == 0) lines.push_back(l);
  return lines;
}

std::vector<std::string> ListLines(const std::string& out) {
  std::vector<std::string> lines;
  for (const std::string& l : Lines(out))
    if (l.rfind("Reading ", 0) != 0) lines.push_back(l);
  return lines;
}

std::vector<std::string> AckedNumbers(const std::vector<std::string>& journal) {
  std::vector<std::string> numbers;
  for (const std::string& l : journal)
    if (l.rfind("ack ", 0) == 0) numbers.push_back(l.substr(4));
  return numbers;
}

}  // namespace movra::test
