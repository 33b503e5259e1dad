#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "bundle_check.h"
#include "fhir/fhir_bundle.h"
#include "fhir_history.h"
#include "temp_dir.h"

namespace movra {
namespace {

using test::Checked;
using test::RequireValidators;
using test::ValidateBundles;

TEST(FhirValidators, BundlesMovraWritesPassBoth) {
  test::TempDir dir;
  Patient named = test::TwoMeterPatient();
  named.name = "Anna Müller";
  named.born = *EncodeDate(1948, 2, 29);
  dir.write("small-history.json", test::SmallHistoryBundle());
  dir.write("named.json", FhirBundleJson(named, test::SmallHistory(), {"Movra", "1.0.0"}, test::CentralEurope2024()));
  dir.write("no-results.json", FhirBundleJson(named, {}, {"Movra", "1.0.0"}, test::CentralEurope2024()));
  Checked c = ValidateBundles({dir.file("small-history.json"), dir.file("named.json"), dir.file("no-results.json")});
  ASSERT_NO_FATAL_FAILURE(RequireValidators(c));
  EXPECT_EQ(c.exitCode, 0) << c.output;
  EXPECT_EQ(c.output, "");
}

// The same Bundle with one fault each validator must see, so a pass above means something.
TEST(FhirValidators, BothRejectABrokenObservation) {
  test::TempDir dir;
  auto bundle = nlohmann::json::parse(test::SmallHistoryBundle());
  for (auto& e : bundle["entry"])
    if (e["resource"]["resourceType"] == "Observation") e["resource"]["effectiveDateTime"] = "2024-03-31T09:00:00+2:00";
  dir.write("broken.json", bundle.dump(2));
  Checked c = ValidateBundles({dir.file("broken.json")});
  ASSERT_NO_FATAL_FAILURE(RequireValidators(c));
  EXPECT_EQ(c.exitCode, 1) << c.output;
  EXPECT_NE(c.output.find(": schema: "), std::string::npos) << c.output;
  EXPECT_NE(c.output.find(": medplum: "), std::string::npos) << c.output;
}

}  // namespace
}  // namespace movra
