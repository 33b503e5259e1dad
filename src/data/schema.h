// The tables of movradata1.dat, and the making of an empty database with them. The
// program itself only opens the file; the installation step and the tests make it.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "data/field_value.h"

namespace movra {

// The password every copy of the database is made and opened with.
constexpr const char* kDatabasePassword = "7315KRTsleB";

enum class JetType { AutoNumber, Integer, Short, Double, DateTime, Text, YesNo };

struct ColumnSpec {
  const char* name;
  JetType type;
  int size = 0;  // characters, for Text
};

struct TableSpec {
  const char* name;
  std::vector<ColumnSpec> columns;  // in declaration order
};

// Result_Log, Result_Log_His, Patient_info, System_Info, Result_Value_Status, result_Value_Type.
const std::vector<TableSpec>& DatabaseTables();
// One of them by name (case-insensitive); raises DbError for an unknown name.
const TableSpec& TableByName(const std::string& name);
// The row-set field a column is read into.
FieldDef FieldDefOf(const ColumnSpec& c);
std::vector<FieldDef> FieldDefsOf(const TableSpec& t);

// What an empty database is made with. Tests leave out tables or columns, or use another
// password, to make damaged copies.
struct DatabaseOptions {
  std::string password = kDatabasePassword;
  std::set<std::string> omitTables;
  std::map<std::string, std::set<std::string>> omitColumns;  // table -> columns
  bool systemInfoRow = true;  // one settings row with the defaults below
  // The history's tables come with version 1, the server queue with 2; 0 makes the
  // designed file alone.
  int schemaVersion = 2;
};

// The CREATE TABLE statement of one table, without the columns named in `omit`.
std::string CreateTableSql(const TableSpec& t, const std::set<std::string>& omit = {});

// Makes the encrypted database at `path` with every table and, unless told otherwise, the
// settings row. Never replaces an existing file: raises DbError when one is there or when
// anything fails, and then leaves nothing behind. The file is readable by its owner only.
void CreateDatabaseFile(const std::string& path, const DatabaseOptions& options = {});
// How the private name of a database being made begins, beside the file it becomes
// (its journal is that name + "-journal").
inline constexpr const char* kNewDatabasePrefix = ".movradata-new-";

}  // namespace movra
