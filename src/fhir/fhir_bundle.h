// The results of one patient as a FHIR R4 transaction Bundle, the form a clinic's record
// system takes them in: a Device per meter, the Patient, and one Observation per patient
// result. Every resource is created only when the server has none with its identifier, so
// the same results sent twice create nothing twice.
#pragma once
#include <string>
#include <vector>

#include "data/history_store.h"
#include "data/inr_result.h"
#include "fhir/utc_offset.h"

namespace movra {

// The identifier systems of Movra's resources.
inline constexpr const char* kFhirMeterSystem = "urn:movra:meter-serial";            // serial
inline constexpr const char* kFhirPatientSystem = "urn:movra:meter-patient";         // SERIAL/PATIENT
inline constexpr const char* kFhirTestSystem = "urn:movra:inr-test";                 // SERIAL/PATIENT/yyyy-mm-ddThh:nn

// The program that wrote the Bundle, named in every resource's meta.source.
struct FhirSoftware {
  std::string name;     // "Movra"
  std::string version;  // "1.0.0"
};

// The Bundle as pretty-printed UTF-8 JSON. Control results and results without a number are
// left out; the rest keep their order. The output depends on the arguments alone.
// Throws std::invalid_argument when the patient has no meter, or a patient result belongs
// to a meter and patient ID the patient does not have.
std::string FhirBundleJson(const Patient& patient, const std::vector<InrResult>& results,
                           const FhirSoftware& software, const UtcOffsets& offsets);

// "urn:movra:software:Movra/1.0.0": the meta.source of every resource, a URI even where
// the name or the version has spaces.
std::string FhirSoftwareSource(const FhirSoftware& software);

// "2024-03-31T03:15:00+02:00": a local wall-clock time with its offset from UTC.
std::string FhirDateTime(const DateParts& local, int minutesEast);

// The token search "identifier=system|value", escaped for a query string; with several
// values, "identifier=system|a,system|b" finds a resource that has any of them.
std::string FhirIdentifierQuery(const std::string& system, const std::vector<std::string>& values);

}  // namespace movra
