#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "fhir/fhir_bundle.h"
#include "fhir_history.h"
#include "temp_dir.h"

namespace movra {
namespace {

struct Checked {
  int exitCode = -1;
  std::string output;
};

// Runs node/check-bundle.mjs over the files: the JSON schema and Medplum's validator.
Checked Validate(const std::vector<std::string>& files) {
  std::string command = "node --experimental-websocket '" + test::SourceDir() + "/tests/fhir/node/check-bundle.mjs'";
  for (const std::string& f : files) command += " '" + f + "'";
  command += " 2>&1";
  Checked c;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return c;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) c.output.append(buf, n);
  int status = pclose(p);
  c.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return c;
}

// CI installs the validators (scripts/install-deps); a machine without them fails here,
// saying what is missing, rather than passing Bundles nobody checked.
void RequireValidators(const Checked& c) {
  ASSERT_NE(c.exitCode, 127) << "node is not installed (scripts/install-deps installs it): " << c.output;
  ASSERT_NE(c.exitCode, 2) << "the FHIR validators cannot run (scripts/install-deps installs them): " << c.output;
}

TEST(FhirValidators, BundlesMovraWritesPassBoth) {
  test::TempDir dir;
  Patient named = test::TwoMeterPatient();
  named.name = "Anna Müller";
  named.born = *EncodeDate(1948, 2, 29);
  dir.write("small-history.json", test::SmallHistoryBundle());
  dir.write("named.json", FhirBundleJson(named, test::SmallHistory(), {"Movra", "1.0.0"}, test::CentralEurope2024()));
  dir.write("no-results.json", FhirBundleJson(named, {}, {"Movra", "1.0.0"}, test::CentralEurope2024()));
  Checked c = Validate({dir.file("small-history.json"), dir.file("named.json"), dir.file("no-results.json")});
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
  Checked c = Validate({dir.file("broken.json")});
  ASSERT_NO_FATAL_FAILURE(RequireValidators(c));
  EXPECT_EQ(c.exitCode, 1) << c.output;
  EXPECT_NE(c.output.find(": schema: "), std::string::npos) << c.output;
  EXPECT_NE(c.output.find(": medplum: "), std::string::npos) << c.output;
}

}  // namespace
}  // namespace movra
