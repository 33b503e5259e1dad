// Where kept results go beyond this PC: the clinic's shared history. The local list and
// history never wait for it; what has not reached it waits in the local queue.
#pragma once
#include <vector>

#include "app/notice.h"
#include "data/inr_result.h"

namespace movra {

// Why the clinic's database could not be used, as the user is told it: what failed, in the
// user's language, then the server's or libpq's own reason.
class ClinicError : public TranslatedError {
 public:
  using TranslatedError::TranslatedError;
};

// What one batch did on the server: results new there, and results it already held (another
// desk downloaded the same meter, or an earlier send was cut off after the server kept it).
struct SinkOutcome {
  int created = 0;
  int alreadyThere = 0;
  bool operator==(const SinkOutcome&) const = default;
};

class ResultSink {
 public:
  virtual ~ResultSink() = default;
  // Keeps the batch in one transaction, each result once by its identity. All or nothing:
  // raises ClinicError with the reason when the batch did not reach the server whole.
  virtual SinkOutcome Keep(const std::vector<InrResult>& results) = 0;
};

}  // namespace movra
