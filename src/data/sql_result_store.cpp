#include "data/sql_result_store.h"

#include <cmath>

#include "data/data_module.h"
#include "data/result_export_rows.h"
#include "data/result_queries.h"

namespace movra {

namespace {

// Every row a download stores carries this patient number; the window's list shows
// patient 0, so it starts empty.
constexpr int64_t kDownloadedPatientNumber = -1000;

// Texts compare exactly ("mv200001234" is another meter than "MV200001234"); the days
// are whole, so the last day ends where the next begins.
constexpr const char* kPeriodSql =
    "SELECT * FROM Result_Log WHERE fSN = CAST(:SN AS TEXT) COLLATE BINARY "
    "AND (:AnyPatient = 1 OR ifnull(fMeterType, '') = CAST(:Patient AS TEXT) COLLATE BINARY) "
    "AND fDate >= :FirstDay AND fDate < :DayAfter ORDER BY fDate, fID";

std::vector<InrResult> ReadAll(RowSet& rows) {
  rows.open();
  return ResultRowsInPlace(rows);
}

}  // namespace

StoreOutcome SqlResultStore::Store(const std::vector<InrResult>& batch) {
  const int32_t before = records_.TransferCount;
  StoreOutcome outcome;
  outcome.notices = records_.StoreResults(batch);
  outcome.listed = records_.TransferCount - before;
  outcome.unsaved = records_.UnsavedCount();
  outcome.writeError = records_.LastWriteError();
  return outcome;
}

std::vector<InrResult> SqlResultStore::Listed() {
  RowSet& list = dm_.qryCheckDataEntry;
  if (!list.active()) list.open();
  return ResultRowsInPlace(list);
}

std::vector<InrResult> SqlResultStore::Stored() {
  RowSet stored("qryStoredResults");
  SetupCheckDataEntry(stored, dm_.adoConn);
  stored.parameter("PatientID").value = kDownloadedPatientNumber;
  return ReadAll(stored);
}

std::vector<InrResult> SqlResultStore::ReadPeriod(const ResultPeriod& period) {
  RowSet rows("qryResultPeriod");
  SetupCheckDataEntry(rows, dm_.adoConn);
  rows.setReadOnly(true);
  rows.setCommandText(kPeriodSql);
  rows.addParameter("SN", FieldKind::Text, period.serialNumber);
  rows.addParameter("AnyPatient", FieldKind::Integer, int64_t{period.patientId ? 0 : 1});
  rows.addParameter("Patient", FieldKind::Text, period.patientId.value_or(std::string()));
  rows.addParameter("FirstDay", FieldKind::DateTime, std::floor(period.firstDay));
  rows.addParameter("DayAfter", FieldKind::DateTime, std::floor(period.lastDay) + 1);
  return ReadAll(rows);
}

}  // namespace movra
