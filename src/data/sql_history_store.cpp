#include "data/sql_history_store.h"

#include <cmath>
#include <map>
#include <set>
#include <stdexcept>

#include "app/language.h"
#include "data/data_module.h"
#include "data/history_row.h"
#include "data/history_listing.h"
#include "data/history_schema.h"
#include "data/sql_database.h"
#include "data/sql_transaction.h"

namespace movra {

namespace {

// Control tests check the meter and its strips: they belong to no patient's figures.
// The same sample types as kControlSampleTypes.
constexpr const char* kPatientResultSql =
    "fDeleted = 0 AND fSampleType NOT IN ('EC', 'CS', 'Downloaded EC', 'Downloaded CS')";
// "(fSN = ? AND fPatientNo = ?) OR …" for the pairs, binding from `first`.
std::string PairsCondition(size_t count) {
  std::string sql;
  for (size_t i = 0; i < count; ++i) sql += std::string(i ? " OR " : "") + "(fSN = ? AND fPatientNo = ?)";
  return "(" + sql + ")";
}


}  // namespace

std::string MeterPatientName(const MeterPatient& pair) { return pair.serialNumber + " / " + pair.patientId; }

SqlHistoryStore::SqlHistoryStore(TDM& dm) : db_(dm.adoConn.database()) {}

void SqlHistoryStore::requireHistory() {
  if (SchemaVersion(db_) < 1) throw DbError(TranslateText(kNoHistoryText));
}

std::vector<HistoryEntry> SqlHistoryStore::Read(const HistoryQuery& query) {
  requireHistory();
  std::string sql = std::string("SELECT ") + kHistoryEntryColumns + " FROM Result_History WHERE fDeleted = 0";
  if (!query.meters.empty()) sql += " AND " + PairsCondition(query.meters.size());
  if (query.firstDay) sql += " AND fDate >= ?";
  if (query.lastDay) sql += " AND fDate < ?";
  sql += " ORDER BY fDate, fID";
  SqlStatement st(db_, sql);
  int index = 1;
  for (const MeterPatient& m : query.meters) {
    st.bind(index++, m.serialNumber);
    st.bind(index++, m.patientId);
  }
  // Whole days: the last one ends where the next begins.
  if (query.firstDay) st.bind(index++, std::floor(*query.firstDay));
  if (query.lastDay) st.bind(index++, std::floor(*query.lastDay) + 1);
  std::vector<HistoryEntry> out;
  while (st.step()) out.push_back(HistoryEntryOfRow(st));
  return out;
}

int SqlHistoryStore::Delete(const std::vector<int64_t>& ids) {
  requireHistory();
  SqlTransaction tx(db_);
  SqlStatement st(db_, "UPDATE Result_History SET fDeleted = 1 WHERE fID = ? AND fDeleted = 0");
  int removed = 0;
  for (int64_t id : ids) {
    st.reset();
    st.bind(1, id);
    st.step();
    removed += db_.changes();
  }
  tx.Commit();
  return removed;
}

std::vector<MeterPatient> SqlHistoryStore::pairsOf(int64_t patientId) {
  SqlStatement st(db_, "SELECT fSN, fPatientNo FROM Patient_Meter WHERE fPatient = ? ORDER BY fSN, fPatientNo");
  st.bind(1, patientId);
  std::vector<MeterPatient> pairs;
  while (st.step()) pairs.push_back({TextOf(st.column(0)), TextOf(st.column(1))});
  return pairs;
}

Patient SqlHistoryStore::PatientOf(const MeterPatient& pair) {
  requireHistory();
  SqlStatement st(db_,
                  "SELECT p.fID, p.fFullName, p.fBirthDate, p.fTarget_lo, p.fTarget_hi FROM Patient_Meter m "
                  "JOIN Patient_info p ON p.fID = m.fPatient AND p.fProviderID = ? "
                  "WHERE m.fSN = ? AND m.fPatientNo = ?");
  st.bind(1, kHistoryPatientProvider);
  st.bind(2, pair.serialNumber);
  st.bind(3, pair.patientId);
  Patient p;
  if (!st.step()) {
    p.meters = {pair};
    return p;
  }
  p.id = IntegerOf(st.column(0));
  p.name = TextOf(st.column(1));
  if (auto born = NumberOf(st.column(2))) p.born = *born;
  auto lo = NumberOf(st.column(3)), hi = NumberOf(st.column(4));
  if (lo && hi) p.range = TenthsRange{static_cast<int>(*lo), static_cast<int>(*hi)};
  p.meters = pairsOf(p.id);
  return p;
}

std::vector<PatientSummary> SqlHistoryStore::Patients() {
  requireHistory();
  // Each pair's count of patient results and the row of its newest one.
  std::map<PairKey, PairFigures> figures;
  {
    SqlStatement st(db_, std::string("SELECT fSN, fPatientNo, count(*), max(fDate) FROM Result_History WHERE ") +
                             kPatientResultSql + " GROUP BY fSN, fPatientNo");
    SqlStatement last(db_, std::string("SELECT ") + kHistoryEntryColumns + " FROM Result_History WHERE " +
                               kPatientResultSql + " AND fSN = ? AND fPatientNo = ? ORDER BY fDate DESC, fID DESC LIMIT 1");
    while (st.step()) {
      PairFigures& f = figures[{TextOf(st.column(0)), TextOf(st.column(1))}];
      f.results = static_cast<int>(IntegerOf(st.column(2)));
      last.reset();
      last.bind(1, st.column(0));
      last.bind(2, st.column(1));
      if (last.step()) f.last = HistoryEntryOfRow(last).result;
    }
  }
  SqlStatement saved(db_, "SELECT DISTINCT m.fSN, m.fPatientNo FROM Patient_Meter m JOIN Patient_info p "
                          "ON p.fID = m.fPatient AND p.fProviderID = ? ORDER BY m.fPatient");
  saved.bind(1, kHistoryPatientProvider);
  std::vector<MeterPatient> linked;
  while (saved.step()) linked.push_back({TextOf(saved.column(0)), TextOf(saved.column(1))});
  std::vector<Patient> patients;
  std::set<int64_t> seen;
  for (const MeterPatient& pair : linked) {
    Patient p = PatientOf(pair);
    if (seen.insert(p.id).second) patients.push_back(std::move(p));
  }
  return ListPatients(patients, std::move(figures));
}

int64_t SqlHistoryStore::SavePatient(const Patient& patient) {
  requireHistory();
  if (auto problem = PatientProblem(patient)) throw DbError(*problem);
  SqlTransaction tx(db_);
  int64_t id = patient.id;
  if (id == 0) {
    SqlStatement next(db_, "SELECT ifnull(max(fID), 0) + 1 FROM Patient_info");
    next.step();
    id = IntegerOf(next.column(0));
    SqlStatement add(db_, "INSERT INTO Patient_info (fID, fProviderID, fCreateDate) VALUES (?, ?, ?)");
    add.bind(1, id);
    add.bind(2, kHistoryPatientProvider);
    add.bind(3, Now());
    add.step();
  }
  SqlStatement update(db_,
                      "UPDATE Patient_info SET fFullName = ?, fBirthDate = ?, fTarget_lo = ?, fTarget_hi = ?, "
                      "fUpdateDate = ? WHERE fID = ? AND fProviderID = ?");
  update.bind(1, patient.name.empty() ? FieldValue{} : FieldValue{patient.name});
  update.bind(2, patient.born ? FieldValue{std::floor(*patient.born)} : FieldValue{});
  update.bind(3, patient.range ? FieldValue{int64_t{patient.range->lowTenths}} : FieldValue{});
  update.bind(4, patient.range ? FieldValue{int64_t{patient.range->highTenths}} : FieldValue{});
  update.bind(5, Now());
  update.bind(6, id);
  update.bind(7, kHistoryPatientProvider);
  update.step();
  if (db_.changes() == 0) throw DbError("No saved patient has the number " + std::to_string(id));

  // A pair belongs to one patient: linking it here takes it from any other.
  SqlStatement unlink(db_, "DELETE FROM Patient_Meter WHERE fPatient = ?");
  unlink.bind(1, id);
  unlink.step();
  SqlStatement link(db_, "INSERT OR REPLACE INTO Patient_Meter (fSN, fPatientNo, fPatient) VALUES (?, ?, ?)");
  for (const MeterPatient& m : patient.meters) {
    link.reset();
    link.bind(1, m.serialNumber);
    link.bind(2, m.patientId);
    link.bind(3, id);
    link.step();
  }
  // A patient left with no pair is gone.
  SqlStatement orphans(db_,
                       "DELETE FROM Patient_info WHERE fProviderID = ? AND fID NOT IN (SELECT fPatient FROM Patient_Meter)");
  orphans.bind(1, kHistoryPatientProvider);
  orphans.step();
  tx.Commit();
  return id;
}

}  // namespace movra
