#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>

#include "fhir/fhir_bundle.h"
#include "fhir_history.h"

namespace movra {
namespace {

using nlohmann::json;
using test::FhirResult;

json Bundle(const std::vector<InrResult>& results, const UtcOffsets& offsets = test::CentralEurope2024(),
            const Patient& patient = test::TwoMeterPatient()) {
  return json::parse(FhirBundleJson(patient, results, {"Movra", "1.0.0"}, offsets));
}

std::vector<json> Entries(const json& bundle, const std::string& type) {
  std::vector<json> found;
  for (const json& e : bundle["entry"])
    if (e["resource"]["resourceType"] == type) found.push_back(e);
  return found;
}

// Values as the list shows them: an arrow at 0.7 and below, and above 7.0.
TEST(FhirBundle, OneObservationPerPatientResultWithItsValueAndArrow) {
  struct Case {
    double inr;
    double value;
    const char* comparator;  // "" for none
  } cases[] = {
      {2.4, 2.4, ""}, {7.0, 7.0, ""}, {7.04, 7.0, ""}, {7.1, 7.0, ">"}, {12.0, 7.0, ">"},
      {0.8, 0.8, ""}, {0.7, 0.7, "<"}, {0.6, 0.7, "<"}, {0.2, 0.7, "<"}, {2.34, 2.3, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.inr);
    auto obs = Entries(Bundle({FhirResult("PT00000001A", "001", 2024, 5, 1, 8, 0, c.inr)}), "Observation");
    ASSERT_EQ(obs.size(), 1u);
    const json& q = obs[0]["resource"]["valueQuantity"];
    EXPECT_DOUBLE_EQ(q["value"].get<double>(), c.value);
    EXPECT_EQ(q.value("comparator", ""), c.comparator);
    EXPECT_EQ(q["unit"], "INR");
    EXPECT_EQ(q["system"], "http://unitsofmeasure.org");
    EXPECT_EQ(q["code"], "{INR}");
  }
}

TEST(FhirBundle, ControlsAndResultsWithoutANumberAreLeftOut) {
  auto results = test::SmallHistory();
  for (const char* control : {"EC", "CS", "Downloaded CS"})
    results.push_back(FhirResult("PT00000002B", "", 2024, 4, 4, 8, 0, 2.5, control));
  results.push_back(FhirResult("PT00000002B", "017", 2024, 4, 5, 8, 0, std::nan("")));
  json bundle = Bundle(results);
  EXPECT_EQ(Entries(bundle, "Observation").size(), 4u);
  EXPECT_EQ(Entries(bundle, "Device").size(), 2u);
  EXPECT_EQ(Entries(bundle, "Patient").size(), 1u);
}

// Each row's local time and the offset the bundle must carry for it.
TEST(FhirBundle, EffectiveTimeCarriesTheOffsetInForceAtTheTest) {
  test::SteppedOffsets newYork({{{2024, 1, 1, 0, 0, 0, 0}, -300}, {{2024, 3, 10, 2, 0, 0, 0}, -240},
                                {{2024, 11, 3, 2, 0, 0, 0}, -300}});
  test::SteppedOffsets india({{{2024, 1, 1, 0, 0, 0, 0}, 330}});
  test::SteppedOffsets utc({{{2024, 1, 1, 0, 0, 0, 0}, 0}});
  test::SteppedOffsets europe = test::CentralEurope2024();
  struct Case {
    const UtcOffsets& zone;
    int month, day, hour, minute;
    const char* expected;
  } cases[] = {
      {europe, 3, 31, 1, 59, "2024-03-31T01:59:00+01:00"}, {europe, 3, 31, 3, 0, "2024-03-31T03:00:00+02:00"},
      {europe, 10, 27, 1, 59, "2024-10-27T01:59:00+02:00"}, {europe, 10, 27, 3, 0, "2024-10-27T03:00:00+01:00"},
      {newYork, 3, 10, 1, 59, "2024-03-10T01:59:00-05:00"}, {newYork, 3, 10, 3, 0, "2024-03-10T03:00:00-04:00"},
      {newYork, 11, 3, 2, 30, "2024-11-03T02:30:00-05:00"}, {india, 7, 1, 23, 59, "2024-07-01T23:59:00+05:30"},
      {utc, 12, 31, 0, 0, "2024-12-31T00:00:00+00:00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    json bundle = Bundle({FhirResult("PT00000001A", "001", 2024, c.month, c.day, c.hour, c.minute, 2.5)}, c.zone);
    EXPECT_EQ(Entries(bundle, "Observation").at(0)["resource"]["effectiveDateTime"], c.expected);
  }
}

TEST(FhirBundle, ObservationIdentifiersAreUniqueAndStable) {
  auto results = test::SmallHistory();
  // Two tests of one patient in the same minute are still two results.
  results.push_back(FhirResult("PT00000002B", "017", 2024, 4, 3, 7, 45, 3.3));
  json bundle = Bundle(results);
  std::set<std::string> identifiers, fullUrls;
  for (const json& e : bundle["entry"]) {
    EXPECT_TRUE(fullUrls.insert(e["fullUrl"].get<std::string>()).second) << e["fullUrl"];
    if (e["resource"]["resourceType"] != "Observation") continue;
    const json& id = e["resource"]["identifier"].at(0);
    EXPECT_EQ(id["system"], kFhirTestSystem);
    EXPECT_TRUE(identifiers.insert(id["value"].get<std::string>()).second) << id["value"];
    EXPECT_EQ(e["request"]["ifNoneExist"], "identifier=urn:movra:inr-test|" + id["value"].get<std::string>());
  }
  EXPECT_EQ(identifiers.size(), 5u);
  EXPECT_EQ(*identifiers.begin(), "PT00000001A/001/2024-03-30T08:15");

  // A result keeps its identifier and full URL in a Bundle of another period.
  json later = Bundle({results[3], results[4]});
  EXPECT_EQ(Entries(later, "Observation").at(0), Entries(bundle, "Observation").at(2));
  EXPECT_EQ(FhirBundleJson(test::TwoMeterPatient(), results, {"Movra", "1.0.0"}, test::CentralEurope2024()),
            FhirBundleJson(test::TwoMeterPatient(), results, {"Movra", "1.0.0"}, test::CentralEurope2024()));
}

TEST(FhirBundle, ObservationsReferToTheirPatientAndMeter) {
  json bundle = Bundle(test::SmallHistory());
  std::string patientUrl = Entries(bundle, "Patient").at(0)["fullUrl"];
  std::map<std::string, std::string> meterOf;  // full URL -> serial
  for (const json& d : Entries(bundle, "Device")) {
    meterOf[d["fullUrl"]] = d["resource"]["serialNumber"];
    EXPECT_EQ(d["resource"]["identifier"].at(0)["value"], d["resource"]["serialNumber"]);
    EXPECT_EQ(d["resource"]["type"]["text"], "PT/INR meter");
    EXPECT_EQ(d["request"]["ifNoneExist"], "identifier=urn:movra:meter-serial|" +
                                               d["resource"]["serialNumber"].get<std::string>());
  }
  std::vector<std::string> serials;
  for (const json& o : Entries(bundle, "Observation")) {
    EXPECT_EQ(o["resource"]["subject"]["reference"], patientUrl);
    serials.push_back(meterOf.at(o["resource"]["device"]["reference"]));
    EXPECT_EQ(o["request"]["method"], "POST");
    EXPECT_EQ(o["request"]["url"], "Observation");
  }
  EXPECT_EQ(serials, (std::vector<std::string>{"PT00000001A", "PT00000001A", "PT00000002B", "PT00000002B"}));
  for (const json& e : bundle["entry"]) EXPECT_EQ(e["resource"]["meta"]["source"], "urn:movra:software:Movra/1.0.0");
}

TEST(FhirBundle, PatientCarriesEveryMeterAndWhatTheClinicKnows) {
  Patient named = test::TwoMeterPatient();
  named.name = "Anna Müller";
  named.born = *EncodeDate(1948, 2, 29);
  json patient = Entries(Bundle(test::SmallHistory(), test::CentralEurope2024(), named), "Patient").at(0);
  EXPECT_EQ(patient["resource"]["name"].at(0)["text"], "Anna Müller");
  EXPECT_EQ(patient["resource"]["birthDate"], "1948-02-29");
  EXPECT_EQ(patient["resource"]["identifier"].size(), 2u);
  EXPECT_EQ(patient["resource"]["identifier"].at(1)["value"], "PT00000002B/017");
  EXPECT_EQ(patient["request"]["ifNoneExist"],
            "identifier=urn:movra:meter-patient|PT00000001A/001,urn:movra:meter-patient|PT00000002B/017");

  json unnamed = Entries(Bundle(test::SmallHistory()), "Patient").at(0);
  EXPECT_FALSE(unnamed["resource"].contains("name"));
  EXPECT_FALSE(unnamed["resource"].contains("birthDate"));
}

TEST(FhirBundle, QueriesAndSourceAreEscaped) {
  struct Case {
    std::vector<std::string> values;
    const char* query;
  } cases[] = {
      {{"PT1/001"}, "identifier=urn:x|PT1/001"},
      {{"A B&c=d"}, "identifier=urn:x|A%20B%26c%3Dd"},
      {{"a|b,c$d\\e"}, "identifier=urn:x|a%5C%7Cb%5C%2Cc%5C%24d%5C%5Ce"},
      {{"Zoë"}, "identifier=urn:x|Zo%C3%AB"},
      {{"PT1/001", "PT2/0,1"}, "identifier=urn:x|PT1/001,urn:x|PT2/0%5C%2C1"},
  };
  for (const Case& c : cases) EXPECT_EQ(FhirIdentifierQuery("urn:x", c.values), c.query) << c.query;
  EXPECT_EQ(FhirSoftwareSource({"Movra Beta", "1.0.0 (test)"}), "urn:movra:software:Movra%20Beta/1.0.0%20%28test%29");
}

TEST(FhirBundle, ResultsOfAnotherPatientAreRefused) {
  auto results = test::SmallHistory();
  results.push_back(FhirResult("PT00000001A", "002", 2024, 4, 1, 8, 0, 2.5));
  EXPECT_THROW(Bundle(results), std::invalid_argument);
  EXPECT_THROW(Bundle({}, test::CentralEurope2024(), Patient{}), std::invalid_argument);
}

}  // namespace
}  // namespace movra
