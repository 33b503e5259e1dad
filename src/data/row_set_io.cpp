// The database side of RowSet: running the statement, fetching, and the batch update.
#include <algorithm>
#include <cctype>

#include "data/connection.h"
#include "data/row_set.h"
#include "data/sql_database.h"

namespace movra {

namespace {

std::string upper(const std::string& s) {
  std::string r = s;
  for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return r;
}

// The field a result column becomes when the row set declares none: from the column's
// declared type as the installation step writes it ("TEXT(30)", "DATETIME REAL" …).
FieldDef fieldFromColumn(const std::string& name, const std::string& declType, const FieldValue& firstValue) {
  FieldDef d;
  d.name = name;
  std::string t = upper(declType);
  if (t.empty()) {
    d.kind = std::holds_alternative<int64_t>(firstValue) ? FieldKind::Integer
             : std::holds_alternative<double>(firstValue) ? FieldKind::Float
                                                          : FieldKind::Text;
  } else if (t.rfind("DATETIME", 0) == 0 || t == "DATE" || t == "TIME") {
    d.kind = FieldKind::DateTime;
  } else if (t.rfind("YESNO", 0) == 0 || t.rfind("BOOL", 0) == 0 || t == "BIT") {
    d.kind = FieldKind::Boolean;
  } else if (t.rfind("SMALLINT", 0) == 0) {
    d.kind = FieldKind::SmallInt;
  } else if (t.find("INT") != std::string::npos) {
    d.kind = FieldKind::Integer;
  } else if (t.find("CHAR") != std::string::npos || t.find("TEXT") != std::string::npos || t.find("CLOB") != std::string::npos) {
    d.kind = FieldKind::Text;
    size_t open = t.find('(');
    if (open != std::string::npos) d.size = std::atoi(t.c_str() + open + 1);
  } else {
    d.kind = FieldKind::Float;
  }
  return d;
}

// A value fetched from the file, in the form its field keeps.
FieldValue normalise(const FieldDef& def, FieldValue v) {
  switch (def.kind) {
    case FieldKind::Integer:
    case FieldKind::SmallInt:
    case FieldKind::AutoInc:
    case FieldKind::Boolean:
      if (auto* d = std::get_if<double>(&v); d && *d == static_cast<double>(static_cast<int64_t>(*d)))
        return static_cast<int64_t>(*d);
      return v;
    case FieldKind::Float:
    case FieldKind::DateTime:
      if (auto* i = std::get_if<int64_t>(&v)) return static_cast<double>(*i);
      return v;
    case FieldKind::Text:
      if (auto* i = std::get_if<int64_t>(&v)) return std::to_string(*i);
      if (auto* d = std::get_if<double>(&v)) return FloatToStr(*d);
      return v;
  }
  return v;
}

// A parameter as the Jet engine used it. There a text parameter compared with a
// number is read as that number ("0" = 0 is true); SQLite compares a bound text with a
// number as unequal. A text that is exactly a number in its plain decimal form is
// therefore bound as that number: compared with a text column it turns back into the
// same text, compared with a number it counts as the number.
FieldValue bindValue(const QueryParameter& p) {
  if (IsNull(p.value)) return {};
  switch (p.kind) {
    case FieldKind::Text: {
      if (const auto* s = std::get_if<std::string>(&p.value)) {
        int32_t n = StrToIntDef(*s, 0);
        if (!s->empty() && std::to_string(n) == *s) return int64_t{n};
        return *s;
      }
      return p.value;
    }
    case FieldKind::Float:
    case FieldKind::DateTime:
      if (auto* i = std::get_if<int64_t>(&p.value)) return static_cast<double>(*i);
      return p.value;
    default:
      if (auto* d = std::get_if<double>(&p.value)) return static_cast<int64_t>(*d);
      return p.value;
  }
}

std::string quoted(const std::string& n) { return "\"" + n + "\""; }

}  // namespace

void RowSet::open() {
  if (active()) return;
  if (!connection_ || !connection_->connected()) throw DbError(name_ + ": Missing Connection or ConnectionString");
  fetch();
  connection_->attach(this);
  setState(RowSetState::Browse);
  notifyDataSet();
}

void RowSet::close() {
  if (connection_) connection_->detach(this);
  if (!active()) return;
  rows_.clear();
  buffer_.clear();
  current_ = 0;
  eof_ = bof_ = true;
  modified_ = false;
  setState(RowSetState::Inactive);
  notifyDataSet();
}

void RowSet::requery() {
  requireActive();
  // The rows are replaced as a whole, so an open edit has nothing left to go to.
  if (state_ == RowSetState::Edit || state_ == RowSetState::Insert) cancel();
  fetch();
  notifyDataSet();
}

void RowSet::fetch() {
  SqlStatement st(connection_->database(), commandText_);
  for (int i = 1; i <= st.parameterCount(); ++i) {
    std::string pname = st.parameterName(i);
    if (!pname.empty() && (pname[0] == ':' || pname[0] == '@' || pname[0] == '$')) pname.erase(0, 1);
    st.bind(i, bindValue(parameter(pname)));
  }
  std::vector<FieldDef> fields;
  std::vector<Row> rows = readRows(st, fields);

  // Only now does the row set change: a failed open or re-query leaves it as it was.
  fields_ = std::move(fields);
  rebuildIndex();
  for (auto& r : rows) calculate(r.values);
  rows_ = std::move(rows);
  current_ = 0;
  bof_ = true;
  eof_ = rows_.empty();
  modified_ = false;
  if (!sort_.empty()) applySort();
  current_ = 0;
}

std::vector<RowSet::Row> RowSet::readRows(SqlStatement& st, std::vector<FieldDef>& fields) {
  std::vector<Row> rows;
  std::vector<int> fieldOfColumn;  // result column -> field, -1 when not used
  bool first = true;
  auto layout = [&](bool haveRow) {
    int n = st.columnCount();
    fieldOfColumn.assign(static_cast<size_t>(n), -1);
    if (!declared_.empty()) {
      fields = declared_;
      for (size_t f = 0; f < fields.size(); ++f) {
        int found = -1;
        for (int c = 0; c < n && found < 0; ++c)
          if (SameName(st.columnName(c), fields[f].name)) found = c;
        if (found < 0) throw DbError(name_ + ": Field '" + fields[f].name + "' not found");
        fieldOfColumn[static_cast<size_t>(found)] = static_cast<int>(f);
      }
    } else {
      fields.clear();
      for (int c = 0; c < n; ++c) {
        fields.push_back(fieldFromColumn(st.columnName(c), st.columnDeclType(c), haveRow ? st.column(c) : FieldValue{}));
        fieldOfColumn[static_cast<size_t>(c)] = c;
      }
    }
    for (const auto& cd : calcDefs_) fields.push_back(cd);
  };

  while (st.step()) {
    if (first) {
      layout(true);
      first = false;
    }
    Row r;
    r.id = nextId_++;
    r.values.assign(fields.size(), FieldValue{});
    r.changed.assign(fields.size(), false);
    for (size_t c = 0; c < fieldOfColumn.size(); ++c) {
      int f = fieldOfColumn[c];
      if (f >= 0) r.values[static_cast<size_t>(f)] = normalise(fields[static_cast<size_t>(f)], st.column(static_cast<int>(c)));
    }
    rows.push_back(std::move(r));
  }
  if (first) layout(false);
  return rows;
}

int RowSet::addStoredRows(const std::string& sql, const std::vector<FieldValue>& values) {
  checkBrowseMode();
  if (!connection_ || !connection_->connected()) throw DbError(name_ + ": Missing Connection or ConnectionString");
  SqlStatement st(connection_->database(), sql);
  for (size_t i = 0; i < values.size(); ++i) st.bind(static_cast<int>(i) + 1, values[i]);
  std::vector<FieldDef> fields;
  std::vector<Row> rows = readRows(st, fields);
  if (rows.empty()) return 0;
  if (fields.size() != fields_.size()) throw DbError(name_ + ": the rows do not match the fields of the list");
  for (auto& r : rows) {
    calculate(r.values);
    rows_.push_back(std::move(r));
  }
  current_ = recordCount() - 1;
  bof_ = eof_ = false;
  notifyDataSet();
  return static_cast<int>(rows.size());
}

void RowSet::updateBatch() {
  checkBrowseMode();
  if (pendingCount() == 0) return;
  if (readOnly_) throw DbError(name_ + ": Cannot modify a read-only dataset");
  if (!connection_ || !connection_->connected()) throw DbError(name_ + ": Missing Connection or ConnectionString");
  if (updateTable_.empty()) throw DbError(name_ + ": Insufficient key column information for updating or refreshing");
  int keyIndex = findField(keyField_);
  if (keyIndex < 0) throw DbError(name_ + ": Field '" + keyField_ + "' not found");

  // New rows go in the order they were appended, whatever the current sort.
  std::vector<size_t> order;
  for (size_t k = 0; k < rows_.size(); ++k)
    if (rows_[k].status == RowStatus::Inserted || rows_[k].status == RowStatus::Modified) order.push_back(k);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return rows_[a].id < rows_[b].id; });

  SqlDatabase& db = connection_->database();
  // Consecutive rows that write the same columns share one prepared statement.
  std::unique_ptr<SqlStatement> st;
  std::vector<int> stCols;
  RowStatus stKind = RowStatus::Unchanged;
  std::vector<std::pair<size_t, int64_t>> newKeys;
  std::vector<int> cols;
  db.exec("BEGIN IMMEDIATE");
  try {
    for (size_t k : order) {
      Row& row = rows_[k];
      cols.clear();
      for (size_t f = 0; f < fields_.size(); ++f) {
        const FieldDef& def = fields_[f];
        if (def.calculated || def.kind == FieldKind::AutoInc) continue;
        if (row.changed[f]) cols.push_back(static_cast<int>(f));
      }
      if (row.status == RowStatus::Modified && cols.empty()) continue;
      if (!st || stKind != row.status || stCols != cols) {
        std::string sql;
        if (row.status == RowStatus::Inserted) {
          if (cols.empty()) {
            sql = "INSERT INTO " + quoted(updateTable_) + " DEFAULT VALUES";
          } else {
            std::string names, marks;
            for (int f : cols) {
              names += (names.empty() ? "" : ", ") + quoted(fields_[static_cast<size_t>(f)].name);
              marks += marks.empty() ? "?" : ", ?";
            }
            sql = "INSERT INTO " + quoted(updateTable_) + " (" + names + ") VALUES (" + marks + ")";
          }
        } else {
          std::string sets;
          for (int f : cols) sets += (sets.empty() ? "" : ", ") + quoted(fields_[static_cast<size_t>(f)].name) + " = ?";
          sql = "UPDATE " + quoted(updateTable_) + " SET " + sets + " WHERE " + quoted(keyField_) + " = ?";
        }
        st.reset();
        st = std::make_unique<SqlStatement>(db, sql);
        stCols = cols;
        stKind = row.status;
      }
      st->reset();
      int p = 1;
      for (int f : cols) st->bind(p++, row.values[static_cast<size_t>(f)]);
      if (row.status == RowStatus::Modified) st->bind(p, row.values[static_cast<size_t>(keyIndex)]);
      st->step();
      if (row.status == RowStatus::Inserted) {
        newKeys.emplace_back(k, db.lastInsertRowId());
      } else if (db.changes() == 0) {
        throw DbError("Row cannot be located for updating. Some values may have been changed since it was last read.");
      }
    }
    st.reset();
    db.exec("COMMIT");
  } catch (...) {
    st.reset();
    if (db.inTransaction()) {
      try {
        db.exec("ROLLBACK");
      } catch (...) {
      }
    }
    throw;
  }

  // Written: the rows carry their keys and are no longer pending.
  for (auto& [k, key] : newKeys) rows_[k].values[static_cast<size_t>(keyIndex)] = key;
  for (size_t k : order) {
    rows_[k].status = RowStatus::Unchanged;
    std::fill(rows_[k].changed.begin(), rows_[k].changed.end(), false);
  }
  notifyDataSet();
}

}  // namespace movra
