// How far the user's clock was from UTC at a moment of the local wall clock: a test result
// carries the meter's local time only, and FHIR wants the offset beside it.
#pragma once
#include "app/datetime.h"

namespace movra {

class UtcOffsets {
 public:
  virtual ~UtcOffsets() = default;
  // Minutes east of UTC (+60 for Berlin in winter, -240 for New York in summer) at this
  // local wall-clock time.
  virtual int MinutesEastAt(const DateParts& local) const = 0;
};

// The computer's own time zone and its daylight-saving rules.
class SystemUtcOffsets : public UtcOffsets {
 public:
  int MinutesEastAt(const DateParts& local) const override;
};

}  // namespace movra
