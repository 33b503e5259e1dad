#include "fhir/fhir_bundle.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "fhir/derived_uuid.h"
#include "report/report_rows.h"

namespace movra {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kLoinc = "http://loinc.org";
constexpr const char* kInrCode = "46418-0";
constexpr const char* kInrDisplay = "INR in Capillary blood by Coagulation assay";
constexpr const char* kCategorySystem = "http://terminology.hl7.org/CodeSystem/observation-category";
constexpr const char* kUcum = "http://unitsofmeasure.org";

struct Entry {
  std::string fullUrl;
  Json resource;
  std::string ifNoneExist;
};

Json EntryJson(const Entry& e) {
  Json request = {{"method", "POST"}, {"url", e.resource["resourceType"]}, {"ifNoneExist", e.ifNoneExist}};
  return Json{{"fullUrl", e.fullUrl}, {"resource", e.resource}, {"request", request}};
}

// A resource with its identifier, created only when the server has none with it; its full
// URL is derived from the identifier, so it is the same in every Bundle.
Entry Identified(const std::string& type, const Json& meta, const std::string& system, const std::string& value) {
  Entry e;
  e.fullUrl = "urn:uuid:" + DerivedUuid(type + "|" + system + "|" + value);
  e.resource = Json{{"resourceType", type}, {"meta", meta}};
  e.resource["identifier"] = Json::array({Json{{"system", system}, {"value", value}}});
  e.ifNoneExist = FhirIdentifierQuery(system, {value});
  return e;
}

std::string PairText(const std::string& serial, const std::string& patientId) { return serial + "/" + patientId; }

std::string DayText(const DateParts& d) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
  return text;
}

std::string MinuteText(const DateParts& d) {
  char text[8];
  std::snprintf(text, sizeof text, "T%02d:%02d", d.hour, d.minute);
  return DayText(d) + text;
}

Json ValueQuantity(const InrResult& result) {
  ReportResult shown = ReportResultOf(result);
  Json q = {{"value", shown.tenths / 10.0}};
  // A value beyond the measuring range is known only to lie past the limit.
  if (shown.measured == Measured::Above) q["comparator"] = ">";
  if (shown.measured == Measured::Below) q["comparator"] = "<";
  q["unit"] = "INR";
  q["system"] = kUcum;
  q["code"] = "{INR}";
  return q;
}

}  // namespace

std::string FhirBundleJson(const Patient& patient, const std::vector<InrResult>& results,
                           const FhirSoftware& software, const UtcOffsets& offsets) {
  if (patient.meters.empty()) throw std::invalid_argument("the patient has no meter");
  const Json meta = {{"source", FhirSoftwareSource(software)}};
  std::vector<Entry> entries;

  std::map<std::string, std::string> deviceUrls;  // serial -> full URL
  for (const MeterPatient& pair : patient.meters) {
    if (deviceUrls.count(pair.serialNumber)) continue;
    Entry device = Identified("Device", meta, kFhirMeterSystem, pair.serialNumber);
    device.resource["serialNumber"] = pair.serialNumber;
    device.resource["type"] = Json{{"text", "PT/INR meter"}};
    deviceUrls[pair.serialNumber] = device.fullUrl;
    entries.push_back(device);
  }

  std::vector<std::string> pairs;
  for (const MeterPatient& pair : patient.meters) pairs.push_back(PairText(pair.serialNumber, pair.patientId));
  Entry person = Identified("Patient", meta, kFhirPatientSystem, pairs.front());
  for (size_t i = 1; i < pairs.size(); ++i)
    person.resource["identifier"].push_back(Json{{"system", kFhirPatientSystem}, {"value", pairs[i]}});
  // A server that knows the patient by any of their meters has them already: a meter
  // linked later must not make a second patient.
  person.ifNoneExist = FhirIdentifierQuery(kFhirPatientSystem, pairs);
  if (!patient.name.empty()) person.resource["name"] = Json::array({Json{{"text", patient.name}}});
  if (patient.born) person.resource["birthDate"] = DayText(DecodeDateTime(*patient.born));
  entries.push_back(person);

  std::map<std::string, int> seen;  // test identifiers so far, for two tests in one minute
  for (const InrResult& result : results) {
    // The history gives a patient's results with the controls of their meters, which check
    // the meter and strips, not the patient; a value lost to a damaged record has no number.
    if (IsControlSample(result.sampleType) || std::isnan(result.inr)) continue;
    MeterPatient pair{result.serialNumber, result.patientId};
    bool ours = false;
    for (const MeterPatient& p : patient.meters) ours = ours || p == pair;
    if (!ours)
      throw std::invalid_argument("the result of " + PairText(pair.serialNumber, pair.patientId) +
                                  " is not the patient's");

    DateParts when = DecodeDateTime(result.date);
    std::string key = PairText(pair.serialNumber, pair.patientId) + "/" + MinuteText(when);
    if (int n = ++seen[key]; n > 1) key.append("-").append(std::to_string(n));

    Entry obs = Identified("Observation", meta, kFhirTestSystem, key);
    Json& r = obs.resource;
    r["status"] = "final";
    r["category"] = Json::array({Json{
        {"coding", Json::array({Json{{"system", kCategorySystem}, {"code", "laboratory"}, {"display", "Laboratory"}}})}}});
    r["code"] = Json{{"coding", Json::array({Json{{"system", kLoinc}, {"code", kInrCode}, {"display", kInrDisplay}}})},
                     {"text", "INR"}};
    r["subject"] = Json{{"reference", person.fullUrl}};
    r["effectiveDateTime"] = FhirDateTime(when, offsets.MinutesEastAt(when));
    r["valueQuantity"] = ValueQuantity(result);
    r["device"] = Json{{"reference", deviceUrls.at(pair.serialNumber)}};
    entries.push_back(obs);
  }

  Json bundle = {{"resourceType", "Bundle"}, {"meta", meta}, {"type", "transaction"}};
  bundle["entry"] = Json::array();
  for (const Entry& e : entries) bundle["entry"].push_back(EntryJson(e));
  return bundle.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace movra
