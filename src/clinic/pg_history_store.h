// The clinic's shared history on its PostgreSQL server: the same questions as the local
// history (SqlHistoryStore) answered from the rows of this desk's site, and the results a
// desk keeps sent there as well.
#pragma once
#include <memory>

#include "clinic/clinic_target.h"
#include "clinic/pg_connection.h"
#include "data/history_store.h"
#include "data/result_sink.h"

namespace movra {

// One connection, used by one thread at a time: the download's thread and the window each
// connect their own.
class PgHistoryStore : public HistoryStore, public ResultSink {
 public:
  // Connects (connect_timeout 5 s unless the URL says otherwise, application_name Movra),
  // sets the session's site and checks the server's schema version. Raises ClinicError:
  // unreachable or refused (libpq's reason), tables missing ("… run movra-cli database
  // init"), tables newer than this program, a login without Movra's roles or without the
  // site's, a site name that cannot be one.
  static std::unique_ptr<PgHistoryStore> Connect(const ClinicTarget& target);

  // Every call raises ClinicError with the reason.
  std::vector<HistoryEntry> Read(const HistoryQuery& query) override;
  // Marks them deleted; movra_admin's alone (a workstation is told so).
  int Delete(const std::vector<int64_t>& ids) override;
  std::vector<PatientSummary> Patients() override;
  Patient PatientOf(const MeterPatient& pair) override;
  int64_t SavePatient(const Patient& patient) override;
  // One transaction; a result the server holds already (from any desk of the site) is
  // counted, not kept again. Records this desk's name and the time the server got it.
  SinkOutcome Keep(const std::vector<InrResult>& results) override;

 private:
  PgHistoryStore(std::unique_ptr<PgConnection> conn, ClinicTarget target)
      : conn_(std::move(conn)), target_(std::move(target)) {}
  std::vector<MeterPatient> pairsOf(int64_t patientId);
  std::unique_ptr<PgConnection> conn_;
  ClinicTarget target_;
};

}  // namespace movra
