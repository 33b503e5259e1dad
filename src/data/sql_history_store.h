// The history and the patients in the encrypted database: Result_History (kept by the
// trigger on Result_Log), Patient_info (the design's own patient rows, fProviderID -1000
// as the standing query reads them) and Patient_Meter (which pairs belong to which patient).
#pragma once
#include "data/history_store.h"

namespace movra {

class SqlDatabase;
class TDM;

class SqlHistoryStore : public HistoryStore {
 public:
  // Every call raises DbError with the reason when the file cannot be read or written, and
  // with kNoHistoryText when the file has not gained the history (it was read-only).
  explicit SqlHistoryStore(SqlDatabase& db) : db_(db) {}
  explicit SqlHistoryStore(TDM& dm);

  std::vector<HistoryEntry> Read(const HistoryQuery& query) override;
  // Deleted results are kept, marked, so that the next download of their meter does not
  // bring them back; they are never read again.
  int Delete(const std::vector<int64_t>& ids) override;
  // An unnamed pair with control results alone is no patient and is not listed.
  std::vector<PatientSummary> Patients() override;
  Patient PatientOf(const MeterPatient& pair) override;
  // Raises DbError for a patient without a pair or a name longer than 50 characters.
  int64_t SavePatient(const Patient& patient) override;

 private:
  void requireHistory();
  std::vector<MeterPatient> pairsOf(int64_t patientId);
  SqlDatabase& db_;
};

// The patient rows the history's patients are kept as (fProviderID).
constexpr int64_t kHistoryPatientProvider = -1000;

}  // namespace movra
