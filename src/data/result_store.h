// Where results are kept: storing a downloaded batch, reading the list and the stored
// results, reading one patient's results on one meter over a period. The program keeps
// them in the encrypted database (SqlResultStore); callers need only this.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/datetime.h"
#include "app/notice.h"
#include "data/inr_result.h"

namespace movra {

struct StoreOutcome {
  int32_t listed = 0;      // results of the batch now in the list (new ones and stored copies)
  int32_t unsaved = 0;     // listed results the file does not hold: their batch could not be written
  std::string writeError;  // the engine's reason, "" when the batch was written
  std::vector<Notice> notices;  // results a field of the list refused, for the caller to tell
};

// The results of one meter from the first day to the last, both whole days. Without a
// patient, every patient's and every control test of the meter.
struct ResultPeriod {
  std::string serialNumber;
  std::optional<std::string> patientId;
  TDateTime firstDay = 0;
  TDateTime lastDay = 0;
};

class ResultStore {
 public:
  virtual ~ResultStore() = default;
  // Lists and keeps each result of the batch once: a result the list or the file already
  // holds is not stored again.
  virtual StoreOutcome Store(const std::vector<InrResult>& batch) = 0;
  // The result list as the window shows it, in its order.
  virtual std::vector<InrResult> Listed() = 0;
  // Every result earlier downloads stored, in the list's order (meter, record number).
  virtual std::vector<InrResult> Stored() = 0;
  // Oldest first, as the report charts them.
  virtual std::vector<InrResult> ReadPeriod(const ResultPeriod& period) = 0;
};

}  // namespace movra
