#include "data/schema.h"

#include "app/file_system.h"
#include "data/history_schema.h"
#include "data/sql_database.h"

namespace movra {

namespace {

using J = JetType;

std::vector<TableSpec> makeTables() {
  return {
      {"Result_Log",
       {{"fID", J::AutoNumber},
        {"fProviderID", J::Integer},
        {"fPatientID", J::Integer},
        {"fDate_Format", J::Text, 10},
        {"fTime_Format", J::Text, 10},
        {"fDate_String", J::Text, 30},
        {"fTime_String", J::Text, 20},
        {"fAMPM", J::Text, 2},
        {"fDateTime", J::DateTime},
        {"fDate", J::DateTime},
        {"fTime", J::DateTime},
        {"fMeterType", J::Text, 30},
        {"fSN", J::Text, 30},
        {"fRecordNumber", J::Text, 10},
        {"fINR_s", J::Text, 20},
        {"fINR_v", J::Double},
        {"fCalibrationType", J::Text, 30},
        {"fCalibrationLevel", J::Text, 15},
        {"fControl_s", J::Text, 20},
        {"fControl_v", J::Double},
        {"fComments", J::Text, 20},
        {"fPatientNO", J::Text, 10},
        {"fDeleted", J::YesNo},
        {"fChecked", J::YesNo}}},
      {"Result_Log_His",
       {{"fID", J::Integer},
        {"fProviderID", J::Integer},
        {"fPatientID", J::Integer},
        {"fDateTime_String", J::Text, 30},
        {"fDateTime", J::DateTime},
        {"fDate", J::DateTime},
        {"fTime", J::DateTime},
        {"fMeterType", J::Text, 30},
        {"fSN", J::Text, 30},
        {"fBCHOL_s", J::Text, 20},
        {"fBCHOL_v", J::Double},
        {"fBCHOL_Unit", J::Text, 20},
        {"fBCHOL_Flag", J::Text, 5},
        {"fControl_s", J::Text, 20},
        {"fControl_v", J::Double},
        {"fControl_Unit", J::Text, 20},
        {"fControl_Flag", J::Text, 5},
        {"fComments", J::Text, 50},
        {"fDate_String", J::Text, 30},
        {"fTime_String", J::Text, 20},
        {"fPatientNo", J::Text, 10},
        {"fChecked", J::YesNo},
        {"fDeleted", J::YesNo}}},
      {"Patient_info",
       {{"fID", J::Integer},
        {"fProviderID", J::Integer},
        {"fFirstName", J::Text, 30},
        {"fMiddleName", J::Text, 30},
        {"fLastName", J::Text, 30},
        {"fFullName", J::Text, 50},
        {"fBirthDate", J::DateTime},
        {"fGender", J::Short},
        {"fAddress", J::Text, 100},
        {"fCity", J::Text, 50},
        {"fState", J::Text, 50},
        {"fCountry", J::Text, 40},
        {"fPhone", J::Text, 30},
        {"fEmail", J::Text, 30},
        {"fTarget_lo", J::Integer},
        {"fTarget_hi", J::Integer},
        {"fTarget_hypo", J::Integer},
        {"fTarget_lo2", J::Double},
        {"fTarget_hi2", J::Double},
        {"fTarget_hypo2", J::Double},
        {"fUnitType", J::Integer},
        {"fBf_breakfast", J::Integer},
        {"fAf_breakfast", J::Integer},
        {"fBf_lunch", J::Integer},
        {"fAf_lunch", J::Integer},
        {"fBf_dinner", J::Integer},
        {"fAf_dinner", J::Integer},
        {"fNight", J::Integer},
        {"fCreateDate", J::DateTime},
        {"fUpdateDate", J::DateTime},
        {"fLast_transfer_date", J::DateTime},
        {"fLast_transfer_meter", J::Text, 30}}},
      {"System_Info",
       {{"fID", J::AutoNumber},
        {"fUnit", J::Text, 20},
        {"fUnitScale", J::Double},
        {"fCom", J::Text, 20},
        {"fDefaultMeterType", J::Text, 30},
        {"fDefaultDll", J::Text, 50},
        {"fDefaultUnit", J::Text, 20},
        {"fDefaultHighValue", J::Integer},
        {"fDefaultLowValue", J::Integer},
        {"fDefaultHypoValue", J::Integer},
        {"fLastUser", J::Integer},
        {"fAdminPassword", J::Text, 30}}},
      {"Result_Value_Status", {{"fValueStatus", J::AutoNumber}, {"fValueStatusText", J::Text, 50}}},
      {"result_Value_Type", {{"fValueType", J::AutoNumber}, {"fValueTypeText", J::Text, 50}}},
  };
}

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

// Each column keeps to what its type allows, as the Jet engine did: the kind of
// value, the integer range and the text length in characters.
std::string columnSql(const ColumnSpec& c) {
  std::string n = quoted(c.name);
  auto orNull = [&](const std::string& cond) { return " CHECK (" + n + " IS NULL OR (" + cond + "))"; };
  switch (c.type) {
    case J::AutoNumber:
      return n + " INTEGER PRIMARY KEY AUTOINCREMENT";
    case J::Integer:
      return n + " INTEGER" + orNull("typeof(" + n + ") = 'integer' AND " + n + " BETWEEN -2147483648 AND 2147483647");
    case J::Short:
      return n + " SMALLINT" + orNull("typeof(" + n + ") = 'integer' AND " + n + " BETWEEN -32768 AND 32767");
    case J::Double:
      return n + " DOUBLE" + orNull("typeof(" + n + ") IN ('real', 'integer')");
    case J::DateTime:
      return n + " DATETIME REAL" + orNull("typeof(" + n + ") IN ('real', 'integer')");
    case J::Text:
      // Text compares without regard to case, as it did in the Jet engine.
      return n + " TEXT(" + std::to_string(c.size) + ") COLLATE NOCASE" +
             orNull("typeof(" + n + ") = 'text' AND length(" + n + ") <= " + std::to_string(c.size));
    case J::YesNo:
      return n + " YESNO INTEGER DEFAULT 0" + orNull(n + " IN (0, 1)");
  }
  return n;
}

bool omitted(const std::set<std::string>& names, const std::string& name) {
  for (const auto& o : names)
    if (SameName(o, name)) return true;
  return false;
}

const std::set<std::string>* omittedColumnsOf(const DatabaseOptions& o, const std::string& table) {
  for (const auto& [t, cols] : o.omitColumns)
    if (SameName(t, table)) return &cols;
  return nullptr;
}

std::string parentOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

const std::vector<TableSpec>& DatabaseTables() {
  static const std::vector<TableSpec> tables = makeTables();
  return tables;
}

const TableSpec& TableByName(const std::string& name) {
  for (const auto& t : DatabaseTables())
    if (SameName(t.name, name)) return t;
  throw DbError("Unknown table " + name);
}

FieldDef FieldDefOf(const ColumnSpec& c) {
  FieldDef d;
  d.name = c.name;
  switch (c.type) {
    case J::AutoNumber: d.kind = FieldKind::AutoInc; break;
    case J::Integer: d.kind = FieldKind::Integer; break;
    case J::Short: d.kind = FieldKind::SmallInt; break;
    case J::Double: d.kind = FieldKind::Float; break;
    case J::DateTime: d.kind = FieldKind::DateTime; break;
    case J::Text: d.kind = FieldKind::Text; d.size = c.size; break;
    case J::YesNo: d.kind = FieldKind::Boolean; break;
  }
  return d;
}

std::vector<FieldDef> FieldDefsOf(const TableSpec& t) {
  std::vector<FieldDef> out;
  for (const auto& c : t.columns) out.push_back(FieldDefOf(c));
  return out;
}

std::string CreateTableSql(const TableSpec& t, const std::set<std::string>& omit) {
  std::string sql = "CREATE TABLE " + quoted(t.name) + " (";
  bool first = true;
  for (const auto& c : t.columns) {
    if (omitted(omit, c.name)) continue;
    sql += (first ? "\n  " : ",\n  ") + columnSql(c);
    first = false;
  }
  return sql + "\n)";
}

void CreateDatabaseFile(const std::string& path, const DatabaseOptions& options) {
  if (NameTaken(path)) throw DbError("The file " + path + " already exists");

  // Made under a private name and put into place at the end, so a failure leaves
  // nothing at the path and an existing file is never replaced.
  std::string tmp;
  try {
    tmp = CreateFreshPrivateFile(parentOf(path) + "/" + kNewDatabasePrefix);
  } catch (const std::exception& e) {
    throw DbError("Can't create " + path + ": " + e.what());
  }
  auto discard = [&] {
    RemoveFileQuietly(tmp);
    RemoveFileQuietly(tmp + "-journal");
  };

  try {
    SqlDatabase db;
    db.openNew(tmp, options.password);
    db.exec("BEGIN");
    for (const auto& t : DatabaseTables()) {
      if (omitted(options.omitTables, t.name)) continue;
      const auto* cols = omittedColumnsOf(options, t.name);
      db.exec(CreateTableSql(t, cols ? *cols : std::set<std::string>{}));
    }
    if (options.systemInfoRow && !omitted(options.omitTables, "System_Info")) {
      // Settings as a fresh installation has them: INR results, targets in tenths.
      const auto* cols = omittedColumnsOf(options, "System_Info");
      std::vector<std::pair<std::string, std::string>> row = {
          {"fUnit", "'INR'"},          {"fUnitScale", "1.0"},         {"fCom", "'1'"},
          {"fDefaultMeterType", "'PT'"}, {"fDefaultDll", "''"},        {"fDefaultUnit", "'INR'"},
          {"fDefaultHighValue", "30"},  {"fDefaultLowValue", "20"},    {"fDefaultHypoValue", "15"},
          {"fLastUser", "0"},           {"fAdminPassword", "''"}};
      std::string names, values;
      for (const auto& [n, v] : row) {
        if (cols && omitted(*cols, n)) continue;
        names += (names.empty() ? "" : ", ") + quoted(n);
        values += (values.empty() ? "" : ", ") + v;
      }
      if (!names.empty()) db.exec("INSERT INTO \"System_Info\" (" + names + ") VALUES (" + values + ")");
    }
    // A damaged test copy without Result_Log has nothing for the history to keep.
    if (!omitted(options.omitTables, "Result_Log")) AddHistoryTables(db, 0, options.schemaVersion);
    db.exec("PRAGMA user_version = " + std::to_string(options.schemaVersion));
    db.exec("COMMIT");
    db.close();
  } catch (const std::exception& e) {
    discard();
    throw DbError(std::string("Can't create ") + path + ": " + e.what());
  }

  std::string why;
  PublishOutcome published = PublishWithoutReplacing(tmp, path, why);
  discard();
  if (published == PublishOutcome::Exists) throw DbError("The file " + path + " already exists");
  if (published == PublishOutcome::Failed) throw DbError("Can't create " + path + ": " + why);
}

}  // namespace movra
