// The in-memory side of RowSet: fields, moving, editing, order, bookmarks, views.
// Fetching and the batch update are in row_set_io.cpp.
#include "data/row_set.h"

#include <algorithm>
#include <cctype>

#include "app/utf8.h"
#include "data/connection.h"

namespace movra {

namespace {
std::string lower(const std::string& s) {
  std::string r = s;
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

// Text compares as the database does, without regard to (ASCII) case.
int compareText(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(AsciiLower(a[i]));
    unsigned char y = static_cast<unsigned char>(AsciiLower(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Empty first, then numbers, then texts.
int compareValues(const FieldValue& a, const FieldValue& b) {
  auto rank = [](const FieldValue& v) { return IsNull(v) ? 0 : std::holds_alternative<std::string>(v) ? 2 : 1; };
  int ra = rank(a), rb = rank(b);
  if (ra != rb) return ra < rb ? -1 : 1;
  if (ra == 0) return 0;
  if (ra == 2) return compareText(std::get<std::string>(a), std::get<std::string>(b));
  auto num = [](const FieldValue& v) {
    return std::holds_alternative<int64_t>(v) ? static_cast<double>(std::get<int64_t>(v)) : std::get<double>(v);
  };
  if (std::holds_alternative<int64_t>(a) && std::holds_alternative<int64_t>(b)) {
    int64_t x = std::get<int64_t>(a), y = std::get<int64_t>(b);
    return x == y ? 0 : (x < y ? -1 : 1);
  }
  double x = num(a), y = num(b);
  return x == y ? 0 : (x < y ? -1 : 1);
}
}  // namespace

// ---------------------------------------------------------------- Field, CalcRow, cursor

const FieldDef& Field::def() const { return set_->fieldDef(index_); }

FieldRef Field::ref() const { return FieldRef(set_->fieldDef(index_), set_->activeValues()[static_cast<size_t>(index_)]); }

void Field::setValue(const FieldValue& v) { set_->setFieldValue(index_, v); }
void Field::setAsString(const std::string& s) { set_->setFieldValue(index_, ValueFromString(def(), s)); }
void Field::setAsInteger(int64_t n) { set_->setFieldValue(index_, ValueFromInteger(def(), n)); }
void Field::setAsFloat(double d) { set_->setFieldValue(index_, ValueFromFloat(def(), d)); }
void Field::setAsDateTime(TDateTime t) { set_->setFieldValue(index_, ValueFromDateTime(def(), t)); }
void Field::setAsBoolean(bool b) { set_->setFieldValue(index_, ValueFromBoolean(def(), b)); }
void Field::clear() { set_->setFieldValue(index_, FieldValue{}); }

FieldRef CalcRow::field(const std::string& name) const {
  int i = set_.findField(name);
  if (i < 0) throw DbError(set_.name() + ": Field '" + name + "' not found");
  return FieldRef(set_.fieldDef(i), values_[static_cast<size_t>(i)]);
}

void CalcRow::set(const std::string& name, FieldValue v) {
  int i = set_.findField(name);
  if (i < 0 || !set_.fieldDef(i).calculated) throw DbError(set_.name() + ": Field '" + name + "' is not a calculated field");
  values_[static_cast<size_t>(i)] = std::move(v);
}

RowSetCursor::RowSetCursor(const RowSet& set) : set_(&set) {}
void RowSetCursor::first() { pos_ = 0; }
void RowSetCursor::next() {
  if (pos_ < recordCount()) ++pos_;
}
bool RowSetCursor::eof() const { return pos_ >= recordCount(); }
int RowSetCursor::recordCount() const { return set_->recordCount(); }
FieldRef RowSetCursor::fieldByName(const std::string& name) const {
  int i = set_->findField(name);
  if (i < 0) throw DbError(set_->name() + ": Field '" + name + "' not found");
  const auto& values = eof() ? set_->nullRow_ : set_->rows_[static_cast<size_t>(pos_)].values;
  return FieldRef(set_->fieldDef(i), values[static_cast<size_t>(i)]);
}

// ---------------------------------------------------------------- definition

size_t RowSet::NameHash::operator()(const std::string& s) const {
  size_t h = 1469598103934665603ull;
  for (char c : s) h = (h ^ static_cast<unsigned char>(AsciiLower(c))) * 1099511628211ull;
  return h;
}

RowSet::RowSet(std::string name) : name_(std::move(name)) {}

RowSet::~RowSet() {
  if (connection_) connection_->detach(this);
}

void RowSet::setConnection(TAdoConnection* c) {
  if (active()) close();
  connection_ = c;
}

void RowSet::addParameter(const std::string& name, FieldKind kind, FieldValue value) {
  params_.push_back(QueryParameter{name, kind, std::move(value)});
}

QueryParameter& RowSet::parameter(const std::string& name) {
  for (auto& p : params_)
    if (SameName(p.name, name)) return p;
  throw DbError(name_ + ": Parameter '" + name + "' not found");
}

void RowSet::setFields(std::vector<FieldDef> fields) {
  if (active()) throw DbError(name_ + ": Cannot perform this operation on an open dataset");
  declared_ = std::move(fields);
}

void RowSet::addCalcField(FieldDef def) {
  if (active()) throw DbError(name_ + ": Cannot perform this operation on an open dataset");
  def.calculated = true;
  calcDefs_.push_back(std::move(def));
}

void RowSet::setUpdateTable(std::string table, std::string keyField) {
  updateTable_ = std::move(table);
  keyField_ = std::move(keyField);
}

void RowSet::rebuildIndex() {
  index_.clear();
  for (size_t i = 0; i < fields_.size(); ++i) index_.emplace(fields_[i].name, static_cast<int>(i));
  nullRow_.assign(fields_.size(), FieldValue{});
}

int RowSet::findField(const std::string& name) const {
  auto it = index_.find(name);
  return it == index_.end() ? -1 : it->second;
}

Field RowSet::fieldByName(const std::string& name) {
  int i = findField(name);
  if (i < 0) throw DbError(name_ + ": Field '" + name + "' not found");
  return Field(*this, i);
}

FieldRef RowSet::fieldAt(int row, int index) const {
  const FieldDef& def = fields_.at(static_cast<size_t>(index));
  if (row < 0 || row >= recordCount()) return FieldRef(def, nullRow_[static_cast<size_t>(index)]);
  if (row == current_ && (state_ == RowSetState::Edit || state_ == RowSetState::Insert))
    return FieldRef(def, editValues()[static_cast<size_t>(index)]);
  return FieldRef(def, rows_[static_cast<size_t>(row)].values[static_cast<size_t>(index)]);
}

FieldRef RowSet::fieldAt(int row, const std::string& name) const {
  int i = findField(name);
  if (i < 0) throw DbError(name_ + ": Field '" + name + "' not found");
  return fieldAt(row, i);
}

const std::vector<FieldValue>& RowSet::editValues() const {
  if (bufferCalcStale_) {
    calculate(buffer_);
    bufferCalcStale_ = false;
  }
  return buffer_;
}

const std::vector<FieldValue>& RowSet::activeValues() const {
  if (state_ == RowSetState::Edit || state_ == RowSetState::Insert) return editValues();
  if (rows_.empty()) return nullRow_;
  return rows_[static_cast<size_t>(current_)].values;
}

void RowSet::calculate(std::vector<FieldValue>& values) const {
  if (calcDefs_.empty()) return;
  size_t firstCalc = fields_.size() - calcDefs_.size();
  for (size_t i = firstCalc; i < fields_.size(); ++i) values[i] = FieldValue{};
  if (onCalcFields_) {
    CalcRow row(*this, values);
    onCalcFields_(row);
  }
}

// ---------------------------------------------------------------- state and moving

void RowSet::requireActive() const {
  if (!active()) throw DbError(name_ + ": Cannot perform this operation on a closed dataset");
}

void RowSet::setState(RowSetState s) {
  if (state_ == s) return;
  state_ = s;
  if (disableCount_ > 0) return;
  for (auto* o : observers_) o->stateChanged(*this);
}

void RowSet::checkBrowseMode() {
  requireActive();
  if (state_ != RowSetState::Edit && state_ != RowSetState::Insert) return;
  // An untouched new row is dropped rather than written.
  if (modified_) post();
  else cancel();
}

void RowSet::first() {
  checkBrowseMode();
  current_ = 0;
  bof_ = true;
  eof_ = rows_.empty();
  notifyCurrent();
}

void RowSet::last() {
  checkBrowseMode();
  current_ = rows_.empty() ? 0 : recordCount() - 1;
  eof_ = true;
  bof_ = rows_.empty();
  notifyCurrent();
}

void RowSet::next() {
  checkBrowseMode();
  if (current_ + 1 < recordCount()) {
    ++current_;
    bof_ = false;
    eof_ = false;
    notifyCurrent();
  } else {
    eof_ = true;
  }
}

void RowSet::prior() {
  checkBrowseMode();
  if (current_ > 0 && !rows_.empty()) {
    --current_;
    bof_ = false;
    eof_ = false;
    notifyCurrent();
  } else {
    bof_ = true;
  }
}

void RowSet::moveTo(int row) {
  checkBrowseMode();
  if (row < 0 || row >= recordCount()) throw DbError(name_ + ": Record not found");
  current_ = row;
  bof_ = eof_ = false;
  notifyCurrent();
}

// ---------------------------------------------------------------- changes

void RowSet::append() {
  checkBrowseMode();
  if (readOnly_) throw DbError(name_ + ": Cannot modify a read-only dataset");
  Row r;
  r.id = nextId_++;
  r.status = RowStatus::New;
  r.values.assign(fields_.size(), FieldValue{});
  r.changed.assign(fields_.size(), false);
  rows_.push_back(std::move(r));
  current_ = recordCount() - 1;
  bof_ = eof_ = false;
  buffer_ = rows_.back().values;
  bufferChanged_.assign(fields_.size(), false);
  bufferCalcStale_ = !calcDefs_.empty();
  modified_ = false;
  setState(RowSetState::Insert);
  notifyDataSet();
}

void RowSet::edit() {
  requireActive();
  if (state_ == RowSetState::Edit || state_ == RowSetState::Insert) return;
  if (readOnly_) throw DbError(name_ + ": Cannot modify a read-only dataset");
  if (rows_.empty()) throw DbError(name_ + ": Cannot perform this operation on an empty dataset");
  buffer_ = rows_[static_cast<size_t>(current_)].values;
  bufferChanged_.assign(fields_.size(), false);
  bufferCalcStale_ = false;
  modified_ = false;
  setState(RowSetState::Edit);
}

void RowSet::setFieldValue(int index, FieldValue v) {
  const FieldDef& def = fields_.at(static_cast<size_t>(index));
  if (def.calculated || def.kind == FieldKind::AutoInc)
    throw DbError(name_ + ": Field '" + def.name + "' cannot be modified");
  if (readOnly_) throw DbError(name_ + ": Cannot modify a read-only dataset");
  if (state_ != RowSetState::Edit && state_ != RowSetState::Insert)
    throw DbError(name_ + ": Dataset not in edit or insert mode");
  buffer_[static_cast<size_t>(index)] = std::move(v);
  bufferChanged_[static_cast<size_t>(index)] = true;
  modified_ = true;
  bufferCalcStale_ = !calcDefs_.empty();
  notifyRow(current_);
}

void RowSet::post() {
  requireActive();
  if (state_ != RowSetState::Edit && state_ != RowSetState::Insert)
    throw DbError(name_ + ": Dataset not in edit or insert mode");
  // A text longer than its column is refused here, before it can stop a whole batch.
  for (size_t i = 0; i < fields_.size(); ++i) {
    const FieldDef& f = fields_[i];
    if (f.calculated || f.kind != FieldKind::Text || f.size <= 0) continue;
    const auto* s = std::get_if<std::string>(&buffer_[i]);
    if (s && Utf8Length(*s) > static_cast<size_t>(f.size))
      throw DbError("The field '" + f.name + "' is too small to accept the amount of data you attempted to add (" +
                    std::to_string(Utf8Length(*s)) + " characters, at most " + std::to_string(f.size) + ").");
  }
  Row& row = rows_[static_cast<size_t>(current_)];
  for (size_t i = 0; i < fields_.size(); ++i)
    if (bufferChanged_[i]) row.changed[i] = true;
  row.values = editValues();
  if (state_ == RowSetState::Insert) row.status = RowStatus::Inserted;
  else if (row.status == RowStatus::Unchanged && modified_) row.status = RowStatus::Modified;
  modified_ = false;
  setState(RowSetState::Browse);
  notifyRow(current_);
  if (afterPost_) afterPost_(*this);
}

void RowSet::cancel() {
  requireActive();
  if (state_ == RowSetState::Insert) {
    rows_.erase(rows_.begin() + current_);
    if (current_ >= recordCount()) current_ = std::max(0, recordCount() - 1);
    modified_ = false;
    setState(RowSetState::Browse);
    notifyDataSet();
    return;
  }
  if (state_ == RowSetState::Edit) {
    modified_ = false;
    setState(RowSetState::Browse);
    notifyRow(current_);
  }
}

int RowSet::pendingCount() const {
  int n = 0;
  for (const auto& r : rows_)
    if (r.status == RowStatus::Inserted || r.status == RowStatus::Modified) ++n;
  return n;
}

int RowSet::pendingNewCount() const {
  return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.status == RowStatus::Inserted; }));
}

// ---------------------------------------------------------------- order and position

void RowSet::applySort() {
  if (sort_.empty() || rows_.empty()) return;
  std::vector<std::pair<int, bool>> keys;  // field, descending
  size_t i = 0;
  while (i < sort_.size()) {
    size_t comma = sort_.find(',', i);
    std::string part = sort_.substr(i, comma == std::string::npos ? std::string::npos : comma - i);
    i = comma == std::string::npos ? sort_.size() : comma + 1;
    std::string word, name;
    bool desc = false;
    size_t b = part.find_first_not_of(' ');
    if (b == std::string::npos) continue;
    size_t e = part.find(' ', b);
    name = part.substr(b, e == std::string::npos ? std::string::npos : e - b);
    if (e != std::string::npos) {
      size_t wb = part.find_first_not_of(' ', e);
      if (wb != std::string::npos) word = lower(part.substr(wb, part.find(' ', wb) - wb));
      desc = word == "desc";
    }
    int f = findField(name);
    if (f < 0) throw DbError(name_ + ": Field '" + name + "' not found");
    keys.emplace_back(f, desc);
  }
  uint64_t currentId = rows_[static_cast<size_t>(current_)].id;
  std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
    for (auto [f, desc] : keys) {
      int c = compareValues(a.values[static_cast<size_t>(f)], b.values[static_cast<size_t>(f)]);
      if (c != 0) return desc ? c > 0 : c < 0;
    }
    return false;
  });
  for (size_t k = 0; k < rows_.size(); ++k)
    if (rows_[k].id == currentId) current_ = static_cast<int>(k);
}

void RowSet::setSort(const std::string& spec) {
  if (active()) checkBrowseMode();
  std::string old = sort_;
  sort_ = spec;
  try {
    if (active()) applySort();
  } catch (...) {
    sort_ = old;
    throw;
  }
  if (active()) notifyDataSet();
}

RowSet::Bookmark RowSet::bookmark() const { return rows_.empty() ? 0 : rows_[static_cast<size_t>(current_)].id; }

bool RowSet::bookmarkValid(Bookmark b) const {
  return b != 0 && std::any_of(rows_.begin(), rows_.end(), [b](const Row& r) { return r.id == b; });
}

void RowSet::gotoBookmark(Bookmark b) {
  checkBrowseMode();
  for (size_t k = 0; k < rows_.size(); ++k) {
    if (rows_[k].id == b) {
      current_ = static_cast<int>(k);
      bof_ = eof_ = false;
      notifyCurrent();
      return;
    }
  }
  throw DbError(name_ + ": Record not found");
}

// ---------------------------------------------------------------- views

void RowSet::disableControls() { ++disableCount_; }

void RowSet::enableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ == 0)
    for (auto* o : observers_) o->dataSetChanged(*this);
}

void RowSet::addObserver(RowSetObserver* o) {
  if (std::find(observers_.begin(), observers_.end(), o) == observers_.end()) observers_.push_back(o);
}

void RowSet::removeObserver(RowSetObserver* o) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

void RowSet::notifyDataSet() {
  if (disableCount_ > 0) return;
  for (auto* o : observers_) o->dataSetChanged(*this);
}

void RowSet::notifyRow(int row) {
  if (disableCount_ > 0) return;
  for (auto* o : observers_) o->rowChanged(*this, row);
}

void RowSet::notifyCurrent() {
  if (disableCount_ > 0) return;
  for (auto* o : observers_) o->currentRowChanged(*this);
}

}  // namespace movra
