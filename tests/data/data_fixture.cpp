#include "data_fixture.h"

#include <filesystem>
#include <fstream>

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
  std::error_code ec;
  if (std::filesystem::create_directory(DataRoot + "/Data", ec))
    std::filesystem::permissions(DataRoot + "/Data", std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace, ec);
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

int DamageTablePage(const std::string& dataFile, const std::string& table) {
  int64_t page = 0, pageSize = 0;
  {
    RawDb db(dataFile);
    page = std::get<int64_t>(db.scalar("SELECT rootpage FROM sqlite_master WHERE name = '" + table + "'"));
    pageSize = std::get<int64_t>(db.scalar("PRAGMA page_size"));
  }
  std::fstream f(dataFile, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp((page - 1) * pageSize + pageSize / 2);
  const char garbage[16] = {'d', 'a', 'm', 'a', 'g', 'e', 'd', '!', 'd', 'a', 'm', 'a', 'g', 'e', 'd', '!'};
  f.write(garbage, sizeof garbage);
  return static_cast<int>(page);
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
