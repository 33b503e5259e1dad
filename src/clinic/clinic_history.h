// The clinic's shared history as the window and movra-cli use it: the server's history when
// one is configured and it answers, this PC's otherwise; and the send of what waits here.
#pragma once
#include <memory>
#include <optional>
#include <string>

#include "clinic/clinic_target.h"
#include "data/history_store.h"
#include "data/server_queue.h"

namespace movra {

class SqlDatabase;

// The target of the settings: the URL chosen, the site, and this PC's name.
ClinicTarget ClinicTargetOf(const std::string& url, const std::string& site);
// The target of this run, once the settings are read: the URL of --database (option, when
// given), MOVRA_DATABASE or [DATABASE] Url=, with the settings' site.
ClinicTarget ClinicTargetOfRun(const std::optional<std::string>& option = std::nullopt);

// Results kept from now on wait in the local queue only while a server is configured: a
// PC without one keeps nothing for a server. Raises DbError when the file cannot be written.
void PrepareClinicQueue(SqlDatabase& db, const ClinicTarget& target);

// What reaching the server did with the queue.
struct ClinicSend {
  bool attempted = false;    // a server is configured
  QueueSendOutcome sent;     // what went (all that waited when failure is empty)
  std::string failure;       // why the rest still waits: the server's or libpq's reason
};

// Sends what waits in the queue; with nothing waiting the server is not asked. Never raises:
// a failure is returned, the queue kept.
ClinicSend SendToClinic(SqlDatabase& db, const ClinicTarget& target);

struct ClinicHistory {
  std::shared_ptr<HistoryStore> store;  // never null
  bool onServer = false;                // store is the server's
  ClinicSend send;                      // the queue's send on connecting
};

// The history to read: with a server configured the queue is prepared and sent, then the
// server's history is used; when that fails, this PC's, and send.failure says why. The
// local store reads dbForLocal's file (the TDM's database).
ClinicHistory OpenHistory(SqlDatabase& db, const ClinicTarget& target);

}  // namespace movra
