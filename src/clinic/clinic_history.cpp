#include "clinic/clinic_history.h"

#include <exception>

#include "app/clinic_settings.h"
#include "app/config.h"
#include "app/host_name.h"
#include "clinic/pg_history_store.h"
#include "data/sql_database.h"
#include "data/sql_history_store.h"

namespace movra {

ClinicTarget ClinicTargetOf(const std::string& url, const std::string& site) {
  return ClinicTarget{url, site, HostName()};
}

ClinicTarget ClinicTargetOfRun(const std::optional<std::string>& option) {
  return ClinicTargetOf(ClinicUrlOfRun(option), GlobalOption.Database.Site);
}

void PrepareClinicQueue(SqlDatabase& db, const ClinicTarget& target) { SetServerQueueing(db, !target.url.empty()); }

namespace {

// Sends the queue through a store already connected; a failure is kept, not raised.
void SendThrough(SqlDatabase& db, PgHistoryStore& server, ClinicSend& send) {
  try {
    send.sent = SendQueue(db, server);
  } catch (const std::exception& e) {
    send.failure = e.what();
    send.sent.left = QueuedCount(db);
  }
}

// A malformed address or site is told as the server's refusal would be: nothing is sent.
std::unique_ptr<PgHistoryStore> ConnectUsable(const ClinicTarget& target) {
  if (std::string problem = ClinicSettingsProblem(target.url, target.site); !problem.empty())
    throw ClinicError(problem);
  return PgHistoryStore::Connect(target);
}

}  // namespace

ClinicSend SendToClinic(SqlDatabase& db, const ClinicTarget& target) {
  ClinicSend send;
  if (target.url.empty()) return send;
  send.attempted = true;
  try {
    // Nothing waits: a server that is away is not asked, and nobody is told of it.
    if (QueuedCount(db) == 0) return send;
    SendThrough(db, *ConnectUsable(target), send);
  } catch (const std::exception& e) {
    send.failure = e.what();
    try {
      send.sent.left = QueuedCount(db);
    } catch (const std::exception&) {
      // The count only adds to the message.
    }
  }
  return send;
}

ClinicHistory OpenHistory(SqlDatabase& db, const ClinicTarget& target) {
  ClinicHistory history;
  if (!target.url.empty()) {
    history.send.attempted = true;
    try {
      PrepareClinicQueue(db, target);
      std::shared_ptr<PgHistoryStore> server = ConnectUsable(target);
      SendThrough(db, *server, history.send);
      history.store = server;
      history.onServer = true;
      return history;
    } catch (const std::exception& e) {
      history.send.failure = e.what();
    }
  }
  history.store = std::make_shared<SqlHistoryStore>(db);
  return history;
}

}  // namespace movra
