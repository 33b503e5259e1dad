// The small history the FHIR tests write: one patient with two meters, arrows both ways,
// a control, and a daylight-saving change between the tests.
#pragma once
#include <string>
#include <vector>

#include "data/history_store.h"
#include "data/inr_result.h"
#include "fhir/utc_offset.h"

namespace movra::test {

InrResult FhirResult(const std::string& serial, const std::string& patientId, int year, int month, int day,
                     int hour, int minute, double inr, const std::string& sampleType = "Downloaded Sample");

// Unnamed, born unknown, on PT00000001A/001 and PT00000002B/017.
Patient TwoMeterPatient();
// Oldest first: 2.4, 7.5 (above), a control, 0.5 (below), 3.1.
std::vector<InrResult> SmallHistory();

// Offsets that change at given local times: each step holds from its time on.
class SteppedOffsets : public UtcOffsets {
 public:
  struct Step {
    DateParts from;
    int minutesEast;
  };
  explicit SteppedOffsets(std::vector<Step> steps) : steps_(std::move(steps)) {}
  int MinutesEastAt(const DateParts& local) const override;

 private:
  std::vector<Step> steps_;
};

// Central Europe in 2024: summer time from 31 March 02:00 to 27 October 03:00.
SteppedOffsets CentralEurope2024();

// The Bundle of the small history, as the golden file holds it.
std::string SmallHistoryBundle();

}  // namespace movra::test
