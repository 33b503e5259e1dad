#include "fhir_history.h"

#include "fhir/fhir_bundle.h"

namespace movra::test {

InrResult FhirResult(const std::string& serial, const std::string& patientId, int year, int month, int day,
                     int hour, int minute, double inr, const std::string& sampleType) {
  InrResult r;
  r.serialNumber = serial;
  r.patientId = patientId;
  r.date = *EncodeDate(year, month, day) + *EncodeTime(hour, minute, 0, 0);
  r.inr = inr;
  r.sampleType = sampleType;
  return r;
}

Patient TwoMeterPatient() {
  Patient p;
  p.id = 3;
  p.meters = {{"PT00000001A", "001"}, {"PT00000002B", "017"}};
  return p;
}

std::vector<InrResult> SmallHistory() {
  return {
      FhirResult("PT00000001A", "001", 2024, 3, 30, 8, 15, 2.4),
      FhirResult("PT00000001A", "001", 2024, 3, 31, 9, 0, 7.5),
      FhirResult("PT00000001A", "", 2024, 3, 31, 9, 5, 2.8, "Downloaded EC"),
      FhirResult("PT00000002B", "017", 2024, 4, 2, 7, 30, 0.5),
      FhirResult("PT00000002B", "017", 2024, 4, 3, 7, 45, 3.1),
  };
}

namespace {

TDateTime At(const DateParts& d) {
  return *EncodeDate(d.year, d.month, d.day) + *EncodeTime(d.hour, d.minute, d.second, 0);
}

}  // namespace

int SteppedOffsets::MinutesEastAt(const DateParts& local) const {
  int offset = steps_.empty() ? 0 : steps_.front().minutesEast;
  for (const Step& s : steps_)
    if (At(local) >= At(s.from)) offset = s.minutesEast;
  return offset;
}

SteppedOffsets CentralEurope2024() {
  return SteppedOffsets({{{2024, 1, 1, 0, 0, 0, 0}, 60}, {{2024, 3, 31, 2, 0, 0, 0}, 120}, {{2024, 10, 27, 3, 0, 0, 0}, 60}});
}

std::string SmallHistoryBundle() {
  return FhirBundleJson(TwoMeterPatient(), SmallHistory(), {"Movra", "1.0.0"}, CentralEurope2024());
}

}  // namespace movra::test
