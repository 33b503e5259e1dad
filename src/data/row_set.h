// RowSet: a query's whole result held in memory, as the Jet client-side cursor held
// it. Rows are appended and edited in memory; posted changes stay pending until one batch
// update writes all of them in one transaction. Calculated fields are recomputed whenever
// a row is loaded or changed. Attached views (the grid) watch it through RowSetObserver.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/field_value.h"

namespace movra {

class RowSet;
class SqlStatement;
class TAdoConnection;

// Read access to one field of one row.
class FieldRef {
 public:
  FieldRef(const FieldDef& def, const FieldValue& value) : def_(&def), value_(&value) {}
  const FieldDef& def() const { return *def_; }
  const std::string& name() const { return def_->name; }
  const FieldValue& value() const { return *value_; }
  bool isNull() const { return IsNull(*value_); }
  std::string asString() const { return ValueAsString(*def_, *value_); }
  int32_t asInteger() const { return ValueAsInteger(*def_, *value_); }
  double asFloat() const { return ValueAsFloat(*def_, *value_); }
  TDateTime asDateTime() const { return ValueAsDateTime(*def_, *value_); }
  bool asBoolean() const { return ValueAsBoolean(*def_, *value_); }

 private:
  const FieldDef* def_;
  const FieldValue* value_;
};

// A field of the row set's current row. Reads follow the current row as it moves; writes
// need the row to be in edit or insert state.
class Field {
 public:
  Field(RowSet& set, int index) : set_(&set), index_(index) {}
  const FieldDef& def() const;
  const std::string& name() const { return def().name; }
  int index() const { return index_; }

  FieldValue value() const { return ref().value(); }
  bool isNull() const { return ref().isNull(); }
  std::string asString() const { return ref().asString(); }
  int32_t asInteger() const { return ref().asInteger(); }
  double asFloat() const { return ref().asFloat(); }
  TDateTime asDateTime() const { return ref().asDateTime(); }
  bool asBoolean() const { return ref().asBoolean(); }

  void setValue(const FieldValue& v);
  void setAsString(const std::string& s);
  void setAsInteger(int64_t n);
  void setAsFloat(double d);
  void setAsDateTime(TDateTime t);
  void setAsBoolean(bool b);
  void clear();

 private:
  FieldRef ref() const;
  RowSet* set_;
  int index_;
};

// What a view of the row set is told. While controls are disabled nothing is told; the
// re-enabling tells dataSetChanged once.
class RowSetObserver {
 public:
  virtual ~RowSetObserver() = default;
  // Rows were loaded, replaced, sorted, added or removed, or controls were re-enabled.
  virtual void dataSetChanged(RowSet& rs) = 0;
  // The values of one row changed (index in the current order).
  virtual void rowChanged(RowSet& rs, int row) = 0;
  // The current row moved.
  virtual void currentRowChanged(RowSet& rs) = 0;
  // Browse, edit, insert or inactive.
  virtual void stateChanged(RowSet&) {}
};

enum class RowSetState { Inactive, Browse, Edit, Insert };

struct QueryParameter {
  std::string name;
  FieldKind kind = FieldKind::Integer;
  FieldValue value;
};

// One row's values as the calculated-field handler sees them.
class CalcRow {
 public:
  CalcRow(const RowSet& set, std::vector<FieldValue>& values) : set_(set), values_(values) {}
  FieldRef field(const std::string& name) const;
  // Assigns a calculated field; raises DbError for a field that is not calculated.
  void set(const std::string& name, FieldValue v);

 private:
  const RowSet& set_;
  std::vector<FieldValue>& values_;
};

// A read-only copy of a row set's cursor: walks the posted rows without moving the row
// set's own current row and without telling its observers anything.
class RowSetCursor {
 public:
  explicit RowSetCursor(const RowSet& set);
  void first();
  void next();
  bool eof() const;
  int recordCount() const;
  int recNo() const { return pos_; }
  FieldRef fieldByName(const std::string& name) const;

 private:
  const RowSet* set_;
  int pos_ = 0;
};

class RowSet {
 public:
  using Bookmark = uint64_t;  // 0: none

  explicit RowSet(std::string name = "RowSet");
  ~RowSet();
  RowSet(const RowSet&) = delete;
  RowSet& operator=(const RowSet&) = delete;

  const std::string& name() const { return name_; }

  // ---- Definition, while closed
  void setConnection(TAdoConnection* c);
  TAdoConnection* connection() const { return connection_; }
  void setCommandText(std::string sql) { commandText_ = std::move(sql); }
  const std::string& commandText() const { return commandText_; }
  void addParameter(const std::string& name, FieldKind kind, FieldValue value);
  // By name, case-insensitive; raises DbError when there is none such.
  QueryParameter& parameter(const std::string& name);
  const std::vector<QueryParameter>& parameters() const { return params_; }
  // The fields the row set declares, bound by name to the result's columns: opening
  // fails when one is missing. Without declared fields every result column is a field.
  void setFields(std::vector<FieldDef> fields);
  void addCalcField(FieldDef def);
  void setOnCalcFields(std::function<void(CalcRow&)> fn) { onCalcFields_ = std::move(fn); }
  void setAfterPost(std::function<void(RowSet&)> fn) { afterPost_ = std::move(fn); }
  void setReadOnly(bool ro) { readOnly_ = ro; }
  bool readOnly() const { return readOnly_; }
  // The table and key column a batch update writes to.
  void setUpdateTable(std::string table, std::string keyField);

  // ---- Opening
  // Runs the statement with its parameters and fetches every row. Does nothing when open.
  void open();
  void close();
  bool active() const { return state_ != RowSetState::Inactive; }
  RowSetState state() const { return state_; }
  // Runs the statement again; the new result replaces every row, pending changes included.
  void requery();

  // ---- Moving. Leaving a row that is being edited posts it first.
  void first();
  void next();
  void prior();
  void last();
  bool eof() const { return eof_ || rows_.empty(); }
  bool bof() const { return bof_ || rows_.empty(); }
  // Rows in the set, a row being appended included.
  int recordCount() const { return static_cast<int>(rows_.size()); }
  bool isEmpty() const { return rows_.empty(); }
  // Index of the current row in the current order; -1 when there is none.
  int recNo() const { return rows_.empty() ? -1 : current_; }
  void moveTo(int row);

  // ---- Fields
  int fieldCount() const { return static_cast<int>(fields_.size()); }
  const FieldDef& fieldDef(int i) const { return fields_.at(static_cast<size_t>(i)); }
  const std::vector<FieldDef>& fields() const { return fields_; }
  // -1 when there is no such field (case-insensitive).
  int findField(const std::string& name) const;
  // Raises DbError "<row set>: Field '<name>' not found".
  Field fieldByName(const std::string& name);
  Field field(int index) { return Field(*this, index); }
  // Any row without moving to it (the grid reads this way); the row being edited shows
  // its edited values.
  FieldRef fieldAt(int row, int index) const;
  FieldRef fieldAt(int row, const std::string& name) const;

  // ---- Changes
  void append();
  void edit();
  void post();
  void cancel();
  bool modified() const { return modified_; }
  // Posted rows not yet written to the database.
  int pendingCount() const;
  // Of those, the appended ones: rows the file does not hold at all.
  int pendingNewCount() const;
  // Runs a statement over the file (values bound to its "?" in order) and adds the rows it
  // returns at the end, as rows the file already holds: nothing of them is pending. The
  // statement must return the columns the row set declares. Returns the rows added.
  int addStoredRows(const std::string& sql, const std::vector<FieldValue>& values);
  // Writes every pending row in one transaction: all of them or, on error, none (the
  // rows stay pending and the error is raised). Appended rows then carry their new key.
  void updateBatch();

  // ---- Order, kept in memory: "fSN" or "fSN DESC, fRecordNumber"; "" for the order of
  // the statement. Applied again after each re-query. The current row stays current.
  void setSort(const std::string& spec);
  const std::string& sort() const { return sort_; }

  // ---- Position
  Bookmark bookmark() const;
  bool bookmarkValid(Bookmark b) const;
  void gotoBookmark(Bookmark b);

  // ---- Attached views
  void disableControls();
  void enableControls();
  bool controlsDisabled() const { return disableCount_ > 0; }
  void addObserver(RowSetObserver* o);
  void removeObserver(RowSetObserver* o);

  RowSetCursor clone() const { return RowSetCursor(*this); }

 private:
  friend class Field;
  friend class CalcRow;
  friend class RowSetCursor;

  enum class RowStatus : uint8_t { Unchanged, New, Inserted, Modified };
  struct Row {
    uint64_t id = 0;  // the bookmark; grows with every row loaded or appended
    RowStatus status = RowStatus::Unchanged;
    std::vector<FieldValue> values;  // declared fields, then calculated ones
    std::vector<bool> changed;       // per field: assigned since last written
  };

  // Names compare without regard to case; lookups need no copy of the name.
  struct NameHash {
    size_t operator()(const std::string& s) const;
  };
  struct NameEqual {
    bool operator()(const std::string& a, const std::string& b) const { return SameName(a, b); }
  };

  std::vector<Row> readRows(SqlStatement& st, std::vector<FieldDef>& fields);
  const std::vector<FieldValue>& activeValues() const;
  const std::vector<FieldValue>& editValues() const;
  void setFieldValue(int index, FieldValue v);
  void calculate(std::vector<FieldValue>& values) const;
  void checkBrowseMode();
  void requireActive() const;
  void fetch();
  void applySort();
  void rebuildIndex();
  void setState(RowSetState s);
  void notifyDataSet();
  void notifyRow(int row);
  void notifyCurrent();

  std::string name_;
  TAdoConnection* connection_ = nullptr;
  std::string commandText_;
  std::vector<QueryParameter> params_;
  std::vector<FieldDef> declared_;
  std::vector<FieldDef> calcDefs_;
  std::vector<FieldDef> fields_;
  std::unordered_map<std::string, int, NameHash, NameEqual> index_;
  std::function<void(CalcRow&)> onCalcFields_;
  std::function<void(RowSet&)> afterPost_;
  bool readOnly_ = false;
  std::string updateTable_;
  std::string keyField_;

  RowSetState state_ = RowSetState::Inactive;
  std::vector<Row> rows_;
  int current_ = 0;
  bool eof_ = true;
  bool bof_ = true;
  uint64_t nextId_ = 1;
  // The row being edited or appended. Its calculated fields are brought up to date when
  // next read, so a run of assignments computes them once.
  mutable std::vector<FieldValue> buffer_;
  mutable bool bufferCalcStale_ = false;
  std::vector<bool> bufferChanged_;
  bool modified_ = false;
  std::string sort_;
  std::vector<FieldValue> nullRow_;

  int disableCount_ = 0;
  std::vector<RowSetObserver*> observers_;
};

}  // namespace movra
