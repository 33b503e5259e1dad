#include "data/server_queue.h"

#include <vector>

#include "app/language.h"
#include "data/history_row.h"
#include "data/history_schema.h"
#include "data/sql_database.h"
#include "data/sql_transaction.h"

namespace movra {

namespace {

int CountOf(SqlDatabase& db, const std::string& sql, const FieldValue& bound = {}) {
  SqlStatement st(db, sql);
  if (!IsNull(bound)) st.bind(1, bound);
  st.step();
  return static_cast<int>(IntegerOf(st.column(0)));
}

// The results of the history not yet copied to a URL.
constexpr const char* kNotCopied =
    "fDeleted = 0 AND fID > (SELECT ifnull(max(fLastID), 0) FROM History_Copy WHERE fUrl = ?)";

// A file that has not gained the queue (it could not be written when it was opened).
void RequireQueue(SqlDatabase& db) {
  if (SchemaVersion(db) < 2) throw DbError(TranslateText(kNoHistoryText));
}

void Add(QueueSendOutcome& total, const SinkOutcome& batch, int sent) {
  total.sent += sent;
  total.created += batch.created;
  total.alreadyThere += batch.alreadyThere;
}

// The next batch of the queue: the queued row ids in order (a deleted result's too) and the
// results among them still in the history.
struct QueueBatch {
  std::vector<int64_t> queued;
  std::vector<InrResult> results;
};

QueueBatch NextQueueBatch(SqlDatabase& db) {
  // A queue row whose history row is gone or deleted comes with no result and leaves the
  // queue with the batch.
  SqlStatement st(db, std::string("SELECT ") + kHistoryEntryColumns +
                          ", q.fHistory, h.fDeleted FROM History_Queue q LEFT JOIN Result_History h ON h.fID = q.fHistory "
                          "ORDER BY q.fHistory LIMIT " + std::to_string(kServerBatchSize));
  QueueBatch batch;
  while (st.step()) {
    batch.queued.push_back(IntegerOf(st.column(kHistoryEntryColumnCount)));
    const FieldValue deleted = st.column(kHistoryEntryColumnCount + 1);
    if (IsNull(deleted) || IntegerOf(deleted) != 0) continue;
    batch.results.push_back(HistoryEntryOfRow(st).result);
  }
  return batch;
}

}  // namespace

void SetServerQueueing(SqlDatabase& db, bool on) {
  RequireQueue(db);
  if (on == (CountOf(db, "SELECT count(*) FROM History_Server") > 0)) return;
  db.exec(on ? "INSERT OR IGNORE INTO History_Server (fOne) VALUES (1)" : "DELETE FROM History_Server");
}

int QueuedCount(SqlDatabase& db) {
  RequireQueue(db);
  return CountOf(db, "SELECT count(*) FROM History_Queue");
}

QueueSendOutcome SendQueue(SqlDatabase& db, ResultSink& server) {
  RequireQueue(db);
  QueueSendOutcome outcome;
  for (;;) {
    QueueBatch batch = NextQueueBatch(db);
    if (batch.queued.empty()) break;
    SinkOutcome kept;
    if (!batch.results.empty()) kept = server.Keep(batch.results);
    // Only now does the batch leave the queue. Should the program end between the server's
    // commit and this one, the next send offers the batch again and the server keeps each
    // result once by its identity (its insert does nothing on a conflict): sent twice,
    // kept once, never lost.
    SqlTransaction tx(db);
    SqlStatement done(db, "DELETE FROM History_Queue WHERE fHistory = ?");
    for (int64_t id : batch.queued) {
      done.reset();
      done.bind(1, id);
      done.step();
    }
    tx.Commit();
    Add(outcome, kept, static_cast<int>(batch.results.size()));
  }
  outcome.left = QueuedCount(db);
  return outcome;
}

QueueSendOutcome CopyHistory(SqlDatabase& db, ResultSink& server, const std::string& url) {
  RequireQueue(db);
  QueueSendOutcome outcome;
  for (;;) {
    SqlStatement st(db, std::string("SELECT ") + kHistoryEntryColumns + " FROM Result_History WHERE " +
                            kNotCopied + " ORDER BY fID LIMIT " + std::to_string(kServerBatchSize));
    st.bind(1, url);
    std::vector<InrResult> results;
    int64_t lastId = 0;
    while (st.step()) {
      HistoryEntry e = HistoryEntryOfRow(st);
      lastId = e.id;
      results.push_back(std::move(e.result));
    }
    if (results.empty()) break;
    SinkOutcome kept = server.Keep(results);
    // As with the queue: cut off before this, the batch is offered again and kept once.
    SqlTransaction tx(db);
    SqlStatement progress(db, "INSERT OR REPLACE INTO History_Copy (fUrl, fLastID) VALUES (?, ?)");
    progress.bind(1, url);
    progress.bind(2, lastId);
    progress.step();
    tx.Commit();
    Add(outcome, kept, static_cast<int>(results.size()));
  }
  outcome.left = CountOf(db, std::string("SELECT count(*) FROM Result_History WHERE ") + kNotCopied, url);
  return outcome;
}

}  // namespace movra
