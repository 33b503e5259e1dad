#include "clinic/pg_history_store.h"

#include <cmath>
#include <algorithm>
#include <map>

#include "clinic/clinic_schema.h"
#include "data/history_listing.h"
#include "app/translated_pattern.h"

namespace movra {

namespace {

constexpr const char* kEntryColumns =
    "id, serial_number, patient_id, test_date, time_text, am_pm, inr_text, inr, sample_type, control_level, "
    "record_number";
constexpr int kEntryColumnCount = 11;
// Columns a kept result fills beside the site and the workstation, in Keep's order.
constexpr const char* kKeptColumns =
    "serial_number, patient_id, test_date, time_text, am_pm, inr_text, inr, sample_type, control_level, record_number";
constexpr int kKeptColumnCount = 10;
// Rows per INSERT: well below the 65535 parameters one statement may carry.
constexpr size_t kRowsPerInsert = 1000;
// Days are counted from here, as on the desks.
constexpr const char* kDayZero = "date '1899-12-30'";

HistoryEntry EntryOf(const PgResult& r, int row) {
  StoredHistoryRow s;
  s.id = r.integer(row, 0);
  s.serialNumber = r.text(row, 1);
  s.patientId = r.text(row, 2);
  s.date = r.number(row, 3).value_or(0);
  s.timeText = r.text(row, 4);
  s.amPm = r.text(row, 5);
  s.inrText = r.text(row, 6);
  s.inr = r.number(row, 7);
  s.sampleType = r.text(row, 8);
  s.controlLevel = r.text(row, 9);
  s.recordNumber = r.text(row, 10);
  return HistoryEntryOf(s);
}

// "$first, $first+1, …": `count` parameters.
std::string Placeholders(int first, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += (i ? ", $" : "$") + std::to_string(first + i);
  return out;
}

// "sample_type NOT IN (…)" with the control types as parameters from `first`.
std::string PatientResultCondition(std::vector<PgParam>& params) {
  std::string sql = "NOT deleted AND sample_type NOT IN (" +
                    Placeholders(static_cast<int>(params.size()) + 1, static_cast<int>(kControlSampleTypes.size())) + ")";
  for (const std::string& t : kControlSampleTypes) params.push_back(t);
  return sql;
}

// Patient rows: id, name, day of birth, range; `p` is movra.patients.
constexpr const char* kPatientColumns =
    "p.id, p.full_name, p.born - date '1899-12-30', p.target_low_tenths, p.target_high_tenths";

Patient PatientOfRow(const PgResult& r, int row) {
  Patient p;
  p.id = r.integer(row, 0);
  p.name = r.text(row, 1);
  if (auto born = r.number(row, 2)) p.born = *born;
  auto lo = r.number(row, 3), hi = r.number(row, 4);
  if (lo && hi) p.range = TenthsRange{static_cast<int>(*lo), static_cast<int>(*hi)};
  return p;
}

}  // namespace

std::unique_ptr<PgHistoryStore> PgHistoryStore::Connect(const ClinicTarget& target) {
  if (std::string problem = SiteProblem(target.site); !problem.empty()) throw ClinicError(problem);
  auto conn = std::make_unique<PgConnection>(target.url);
  // A login clinic IT has granted none of Movra's roles is told which, not "permission denied".
  PgResult usable = conn->Exec(
      "SELECT has_schema_privilege(oid, 'USAGE'), current_user FROM pg_namespace WHERE nspname = 'movra'");
  if (usable.rows() && usable.text(0, 0) != "t")
    throw ClinicError(TranslatePattern("The clinic's database login \"%1\" may not use Movra's tables: clinic IT "
                                       "grants it the role movra_workstation (or movra_admin)",
                                       {usable.text(0, 1)}));
  RequireClinicSchema(*conn);
  conn->SetSession("movra.site", target.site);
  // Without the site's role every row of the site would be hidden: say so now.
  PgResult allowed = conn->Exec("SELECT movra.session_site() IS NOT NULL, current_user");
  if (allowed.text(0, 0) != "t")
    throw ClinicError(TranslatePattern("The clinic's database login \"%1\" does not belong to the site \"%2\": "
                                       "clinic IT grants it the role movra_site_%2",
                                       {allowed.text(0, 1), target.site}));
  return std::unique_ptr<PgHistoryStore>(new PgHistoryStore(std::move(conn), target));
}

std::vector<HistoryEntry> PgHistoryStore::Read(const HistoryQuery& query) {
  std::vector<PgParam> params = {target_.site};
  std::string sql = std::string("SELECT ") + kEntryColumns + " FROM movra.results WHERE site = $1 AND NOT deleted";
  if (!query.meters.empty()) {
    std::string pairs;
    for (const MeterPatient& m : query.meters) {
      int n = static_cast<int>(params.size()) + 1;
      pairs += std::string(pairs.empty() ? "" : " OR ") + "(serial_number = $" + std::to_string(n) +
               " AND patient_id = $" + std::to_string(n + 1) + ")";
      params.push_back(m.serialNumber);
      params.push_back(m.patientId);
    }
    sql += " AND (" + pairs + ")";
  }
  // Whole days: the last one ends where the next begins.
  if (query.firstDay) {
    params.push_back(PgNumber(std::floor(*query.firstDay)));
    sql += " AND test_date >= $" + std::to_string(params.size());
  }
  if (query.lastDay) {
    params.push_back(PgNumber(std::floor(*query.lastDay) + 1));
    sql += " AND test_date < $" + std::to_string(params.size());
  }
  sql += " ORDER BY test_date, id";
  PgResult r = conn_->Exec(sql, params);
  std::vector<HistoryEntry> out;
  for (int row = 0; row < r.rows(); ++row) out.push_back(EntryOf(r, row));
  return out;
}

int PgHistoryStore::Delete(const std::vector<int64_t>& ids) {
  if (ids.empty()) return 0;
  std::string list;
  for (int64_t id : ids) list += (list.empty() ? "{" : ",") + std::to_string(id);
  try {
    return conn_->Exec("UPDATE movra.results SET deleted = true WHERE site = $1 AND id = ANY ($2::bigint[]) AND NOT deleted",
                       {target_.site, list + "}"})
        .affected();
  } catch (const PgError& e) {
    if (e.sqlState() != kSqlInsufficientPrivilege) throw;
    throw ClinicError(TranslatePattern("Only the clinic's administrators (the role movra_admin) may remove results "
                                       "from the shared history.") +
                      "\n" + e.what());
  }
}

std::vector<MeterPatient> PgHistoryStore::pairsOf(int64_t patientId) {
  PgResult r = conn_->Exec(
      "SELECT serial_number, patient_id FROM movra.patient_meters WHERE site = $1 AND patient = $2 "
      "ORDER BY serial_number COLLATE \"C\", patient_id COLLATE \"C\"",
      {target_.site, PgInteger(patientId)});
  std::vector<MeterPatient> pairs;
  for (int row = 0; row < r.rows(); ++row) pairs.push_back({r.text(row, 0), r.text(row, 1)});
  return pairs;
}

Patient PgHistoryStore::PatientOf(const MeterPatient& pair) {
  PgResult r = conn_->Exec(std::string("SELECT ") + kPatientColumns +
                               " FROM movra.patient_meters m JOIN movra.patients p "
                               "ON p.site = m.site AND p.id = m.patient AND NOT p.removed "
                               "WHERE m.site = $1 AND m.serial_number = $2 AND m.patient_id = $3",
                           {target_.site, pair.serialNumber, pair.patientId});
  if (r.rows() == 0) {
    Patient p;
    p.meters = {pair};
    return p;
  }
  Patient p = PatientOfRow(r, 0);
  p.meters = pairsOf(p.id);
  return p;
}

std::vector<PatientSummary> PgHistoryStore::Patients() {
  // Each pair's count of patient results and its newest one, in one pass.
  std::vector<PgParam> params = {target_.site};
  std::string condition = PatientResultCondition(params);
  PgResult newest = conn_->Exec(
      std::string("SELECT DISTINCT ON (serial_number, patient_id) ") + kEntryColumns +
          ", count(*) OVER (PARTITION BY serial_number, patient_id) FROM movra.results WHERE site = $1 AND " +
          condition + " ORDER BY serial_number, patient_id, test_date DESC, id DESC",
      params);
  std::map<PairKey, PairFigures> figures;
  for (int row = 0; row < newest.rows(); ++row) {
    PairFigures& f = figures[{newest.text(row, 1), newest.text(row, 2)}];
    f.results = static_cast<int>(newest.integer(row, kEntryColumnCount));
    f.last = EntryOf(newest, row).result;
  }
  PgResult saved = conn_->Exec(std::string("SELECT ") + kPatientColumns +
                                   ", m.serial_number, m.patient_id FROM movra.patients p JOIN movra.patient_meters m "
                                   "ON m.site = p.site AND m.patient = p.id WHERE p.site = $1 AND NOT p.removed "
                                   "ORDER BY p.id, m.serial_number COLLATE \"C\", m.patient_id COLLATE \"C\"",
                               {target_.site});
  std::vector<Patient> patients;
  for (int row = 0; row < saved.rows(); ++row) {
    if (patients.empty() || patients.back().id != saved.integer(row, 0)) patients.push_back(PatientOfRow(saved, row));
    patients.back().meters.push_back({saved.text(row, 5), saved.text(row, 6)});
  }
  return ListPatients(patients, std::move(figures));
}

int64_t PgHistoryStore::SavePatient(const Patient& patient) {
  if (auto problem = PatientProblem(patient)) throw ClinicError(*problem);
  PgTransaction tx(*conn_);
  int64_t id = patient.id;
  if (id == 0) id = conn_->Exec("INSERT INTO movra.patients (site) VALUES ($1) RETURNING id", {target_.site}).integer(0, 0);
  PgResult updated = conn_->Exec(
      std::string("UPDATE movra.patients SET full_name = $1, born = ") + kDayZero +
          " + $2::integer, target_low_tenths = $3, target_high_tenths = $4, updated = now() "
          "WHERE site = $5 AND id = $6 AND NOT removed",
      {patient.name.empty() ? PgParam{} : PgParam{patient.name},
       patient.born ? PgInteger(static_cast<int64_t>(std::floor(*patient.born))) : PgParam{},
       patient.range ? PgInteger(patient.range->lowTenths) : PgParam{},
       patient.range ? PgInteger(patient.range->highTenths) : PgParam{}, target_.site, PgInteger(id)});
  if (updated.affected() == 0) throw ClinicError("No saved patient has the number " + std::to_string(id));

  // A pair belongs to one patient: linking it here takes it from any other. A desk may not
  // erase, so a pair let go and a patient left without a pair are marked instead.
  conn_->Exec("UPDATE movra.patient_meters SET patient = NULL WHERE site = $1 AND patient = $2",
              {target_.site, PgInteger(id)});
  try {
    for (const MeterPatient& m : patient.meters)
      conn_->Exec("INSERT INTO movra.patient_meters (site, serial_number, patient_id, patient) VALUES ($1, $2, $3, $4) "
                  "ON CONFLICT (site, serial_number, patient_id) DO UPDATE SET patient = EXCLUDED.patient",
                  {target_.site, m.serialNumber, m.patientId, PgInteger(id)});
  } catch (const PgError& e) {
    if (e.sqlState() != kSqlInsufficientPrivilege) throw;
    throw ClinicError(TranslatePattern("Only the clinic's administrators (the role movra_admin) may merge patients: a "
                                       "meter's patient ID given here belongs to another patient.") +
                      "\n" + e.what());
  }
  conn_->Exec("UPDATE movra.patients p SET removed = true, updated = now() WHERE site = $1 AND NOT removed AND "
              "NOT EXISTS (SELECT FROM movra.patient_meters m WHERE m.site = p.site AND m.patient = p.id)",
              {target_.site});
  tx.Commit();
  return id;
}

SinkOutcome PgHistoryStore::Keep(const std::vector<InrResult>& results) {
  SinkOutcome outcome;
  if (results.empty()) return outcome;
  PgTransaction tx(*conn_);
  for (size_t first = 0; first < results.size(); first += kRowsPerInsert) {
    size_t last = std::min(results.size(), first + kRowsPerInsert);
    std::vector<PgParam> params = {target_.site, target_.workstation};
    std::string rows;
    for (size_t i = first; i < last; ++i) {
      const InrResult& r = results[i];
      rows += (rows.empty() ? "($1, $2, " : ", ($1, $2, ") +
              Placeholders(static_cast<int>(params.size()) + 1, kKeptColumnCount) + ")";
      for (PgParam p : {PgParam{r.serialNumber}, PgParam{r.patientId}, PgNumber(r.date), PgParam{r.timeText},
                        PgParam{r.amPm}, PgParam{r.inrText}, PgNumber(r.inr), PgParam{r.sampleType},
                        PgParam{r.controlLevel}, PgParam{r.recordNumber}})
        params.push_back(std::move(p));
    }
    outcome.created += conn_->Exec(std::string("INSERT INTO movra.results (site, workstation, ") + kKeptColumns +
                                       ") VALUES " + rows + " ON CONFLICT ON CONSTRAINT results_identity DO NOTHING",
                                   params)
                           .affected();
  }
  tx.Commit();
  outcome.alreadyThere = static_cast<int>(results.size()) - outcome.created;
  return outcome;
}

}  // namespace movra
