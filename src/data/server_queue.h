// The kept results on their way to the clinic's server. A download keeps its results locally
// first and never waits for the server; what did not reach it waits in the local queue
// (History_Queue) until the next start, download or `movra-cli database sync` sends it.
#pragma once
#include <string>

#include "data/result_sink.h"

namespace movra {

class SqlDatabase;

// Whether kept results are queued for a server from now on: on where a server is configured.
// Called at every start and command; turning it off leaves what is queued in the queue.
void SetServerQueueing(SqlDatabase& db, bool on);

// Kept results waiting for the server.
int QueuedCount(SqlDatabase& db);

struct QueueSendOutcome {
  int sent = 0;          // results the server took (new there or already there)
  int created = 0;
  int alreadyThere = 0;
  int left = 0;          // still waiting afterwards
  bool operator==(const QueueSendOutcome&) const = default;
};

// Sends the queue oldest first in batches, each batch one Keep; a batch leaves the queue once
// the server took it. Results deleted from the history meanwhile are not sent (they leave the
// queue). Raises ClinicError when a batch is refused: that batch and the rest stay queued,
// those sent before it are gone from the queue. DbError when the file cannot be written.
QueueSendOutcome SendQueue(SqlDatabase& db, ResultSink& server);

// Copies the whole history (not the deleted results) to the server at `url`, oldest first in
// batches. How far it came is kept per URL after each batch, so a copy cut off goes on where
// it stopped and one done sends nothing again. `left`: results not yet copied to that URL.
QueueSendOutcome CopyHistory(SqlDatabase& db, ResultSink& server, const std::string& url);

// Results a batch holds at most.
constexpr int kServerBatchSize = 500;

}  // namespace movra
