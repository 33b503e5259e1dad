#include "data_fixture.h"

#include <sys/stat.h>

#include <cctype>

#include "app/config.h"
#include "app/folders.h"
#include "app/format_settings.h"
#include "app/language.h"
#include "app/trace.h"
#include "data/operator_record.h"

namespace movra::test {

DataFolder::DataFolder(const DatabaseOptions& options, bool makeDatabase) {
  // Each test starts from the process state of a fresh start, whatever ran before it in
  // this process, and with "." as the decimal separator whatever the user's locale.
  CloseTrace();
  ResetLanguages();
  FormatSettings() = TFormatSettings{};
  FormatSettings().DecimalSeparator = '.';
  GlobalOption = TGlobalOption{};
  Operator = TOperator{};
  PrepareFolders(dir_.path());
  mkdir((DataRoot + "/Data").c_str(), 0700);
  if (makeDatabase) CreateDatabaseFile(dataFile(), options);
}

std::string DataFolder::dataFile() const { return DataFilePath(); }

RawDb::RawDb(const std::string& path, const std::string& key) { db_.open(path, key); }

FieldValue RawDb::scalar(const std::string& sql) {
  SqlStatement st(db_, sql);
  if (!st.step()) return {};
  return st.column(0);
}

int64_t RawDb::count(const std::string& table) {
  return std::get<int64_t>(scalar("SELECT count(*) FROM \"" + table + "\""));
}

std::string CaseName(const std::string& description) {
  std::string out;
  bool upper = true;
  for (char c : description) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      out += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
      upper = false;
    } else {
      upper = true;
    }
  }
  return out.empty() ? "Case" : out;
}

}  // namespace movra::test
