// movra-cli fhir end to end: a download of the meter simulator kept in the history, its
// patient's results written as a Bundle both FHIR validators accept, and posted to Medplum's
// FHIR router on a loopback port (node/fhir-server.mjs). Linux only, where Node runs.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "bundle_check.h"
#include "fhir_server.h"
#include "program_folder.h"
#include "sim_process.h"

namespace movra::test {
namespace {

const char kMeter[] = "MV20240001X";
const std::string kAnna = std::string(kMeter) + "/345";

// The identifiers of a Bundle's or a search result's Observations.
std::multiset<std::string> ObservationIds(const nlohmann::json& bundle) {
  std::multiset<std::string> out;
  for (const auto& e : bundle.value("entry", nlohmann::json::array()))
    if (e["resource"]["resourceType"] == "Observation") out.insert(e["resource"]["identifier"][0]["value"]);
  return out;
}

class CliFhir : public ::testing::Test {
 protected:
  // history_first.txt: four tests of patient 345 (one an arrow), a control, one of 346.
  void SetUp() override {
    ASSERT_EQ(folder.setupError(), "");
    ASSERT_TRUE(sim.start({"--records", SourceDir() + "/tests/cli/data/history_first.txt", "--no-pace",
                           "--device-root", root.path(), "--serial", kMeter}))
        << sim.lastError();
    setenv("MOVRA_DEVICE_ROOT", root.path().c_str(), 1);
    ProcessResult r = folder.run({"download", "--port", "COM1", "--store", "--clear"});
    unsetenv("MOVRA_DEVICE_ROOT");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    unsetenv("MOVRA_FHIR_TOKEN");
  }
  TempDir root;
  TempDir out;
  ProgramFolder folder;
  SimProcess sim;
};

TEST_F(CliFhir, WritesABundleBothValidatorsAcceptWithOneObservationPerPatientResult) {
  struct Case {
    std::vector<std::string> period;
    std::set<std::string> days;  // of the Observations
  } cases[] = {
      {{}, {"2024-01-02", "2024-01-09", "2024-01-23", "2024-02-06"}},  // the control of 02-10 left out
      {{"--from", "2024-01-09", "--to", "2024-01-23"}, {"2024-01-09", "2024-01-23"}},
  };
  std::vector<std::string> files;
  for (const Case& c : cases) {
    const std::string file = out.file("anna" + std::to_string(files.size()) + ".json");
    std::vector<std::string> args{"fhir", "--group", kAnna, "--out", file};
    args.insert(args.end(), c.period.begin(), c.period.end());
    ProcessResult r = folder.run(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Written\t" + file + "\n");
    auto bundle = nlohmann::json::parse(out.read("anna" + std::to_string(files.size()) + ".json"));
    std::set<std::string> days;
    for (const auto& e : bundle["entry"]) {
      const auto& res = e["resource"];
      if (res["resourceType"] != "Observation") continue;
      days.insert(res["effectiveDateTime"].get<std::string>().substr(0, 10));
      EXPECT_EQ(res["identifier"][0]["value"].get<std::string>().rfind(kAnna + "/", 0), 0u) << res.dump();
    }
    EXPECT_EQ(days, c.days);
    EXPECT_EQ(ObservationIds(bundle).size(), c.days.size()) << "one Observation per result";
    files.push_back(file);
  }
  Checked checked = ValidateBundles(files);
  ASSERT_NO_FATAL_FAILURE(RequireValidators(checked));
  EXPECT_EQ(checked.exitCode, 0) << checked.output;
}

TEST_F(CliFhir, PostedTwiceTheServerKeepsOneObservationPerResult) {
  FhirServer server;
  ASSERT_TRUE(server.start({})) << server.error();
  const std::string file = out.file("sent.json");
  ProcessResult first = folder.run({"fhir", "--group", kAnna, "--out", file, "--post", server.baseUrl()});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.out, "Written\t" + file + "\nResults created on the server: 4; already there: 0.\n");
  ProcessResult second = folder.run({"fhir", "--group", kAnna, "--post", server.baseUrl()});
  ASSERT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(second.out, "Results created on the server: 0; already there: 4.\n");

  auto kept = nlohmann::json::parse(HttpGet(server.baseUrl() + "/Observation?_count=100"), nullptr, false);
  ASSERT_TRUE(kept.is_object()) << "the server's search failed";
  EXPECT_EQ(ObservationIds(kept), ObservationIds(nlohmann::json::parse(out.read("sent.json"))));
}

// The server wants a token: without one it refuses with its own words; the settings' token
// file gives it.
TEST_F(CliFhir, ARefusedPostTellsTheServersTextAndExitsEight) {
  FhirServer server;
  ASSERT_TRUE(server.start({"--token", "s3cret"})) << server.error();
  ProcessResult refused = folder.run({"fhir", "--group", kAnna, "--post", server.baseUrl()});
  EXPECT_EQ(refused.exitCode, 8);
  EXPECT_NE(refused.err.find("(HTTP 401)"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("a valid bearer token is required"), std::string::npos) << refused.err;
  EXPECT_EQ(refused.out, "");

  out.write("token.txt", "s3cret\n");
  std::ofstream(folder.path("MovraT.INI"), std::ios::app) << "\n[FHIR]\nTokenFile=" << out.file("token.txt") << "\n";
  ProcessResult sent = folder.run({"fhir", "--group", kAnna, "--post", server.baseUrl()});
  EXPECT_EQ(sent.exitCode, 0) << sent.err;
  EXPECT_EQ(sent.out, "Results created on the server: 4; already there: 0.\n");
}

TEST_F(CliFhir, RefusesBadInputWithItsExitCodeAndWritesNothing) {
  const std::string file = out.file("f.json");
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    const char* errPart;
  } cases[] = {
      {{"fhir", "--group", kAnna}, 2, "wants --out FILE, --post URL, or both"},
      {{"fhir", "--out", file}, 2, "--group is required"},
      {{"fhir", "--group", kAnna, "--out", file, "--from", "2024-02-30"}, 2, "--from wants a day"},
      {{"fhir", "--group", "PT999/1", "--out", file}, 2, "holds no results of PT999/1"},
      {{"fhir", "--group", kAnna, "--post", "http://clinic.example.org/fhir"}, 2, "Plain http"},
      {{"fhir", "--group", kAnna, "--out", file, "--from", "2024-02-07", "--to", "2024-02-12"}, 6,
       "no results in this period"},  // the control of 02-10 alone
      {{"fhir", "--group", kAnna, "--out", out.file("no/such/folder.json")}, 1, "cannot be written"},
  };
  for (const Case& c : cases) {
    ProcessResult r = folder.run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args.back() << "\n" << r.err;
    EXPECT_NE(r.err.find(c.errPart), std::string::npos) << r.err;
    EXPECT_FALSE(std::ifstream(file).good()) << c.args.back();
  }
}

}  // namespace
}  // namespace movra::test
