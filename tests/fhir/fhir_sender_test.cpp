// The sender's own rules, without a server: which addresses may be posted to, how a
// server's answer is read, and where the token comes from.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/language.h"
#include "fhir/fhir_sender.h"
#include "scoped_env.h"
#include "temp_dir.h"

namespace movra {
namespace {

TEST(FhirAddress, LoopbackAloneMayUsePlainHttp) {
  const std::pair<const char*, bool> cases[] = {
      {"https://fhir.example.org/r4", true},
      {"HTTPS://fhir.example.org", true},
      {"http://127.0.0.1:8080/fhir", true},
      {"http://127.12.0.9/fhir", true},
      {"http://localhost:3000/fhir", true},
      {"http://LocalHost/fhir", true},
      {"http://[::1]:8080/fhir", true},
      {"http://user:pw@127.0.0.1/fhir", true},
      {"http://fhir.example.org/r4", false},
      {"http://192.168.1.20/fhir", false},
      {"http://128.0.0.1/fhir", false},
      {"http://127.0.0.1.example.org/fhir", false},   // a name that starts like the address
      {"http://127.0.0.1@fhir.example.org/fhir", false},  // the loopback is the user name
      {"http://localhost.example.org/fhir", false},
      {"http://[::2]/fhir", false},
      {"http://127.0.0.256/fhir", false},
      {"http://127.1/fhir", false},
      {"ftp://127.0.0.1/fhir", false},
      {"file:///etc/passwd", false},
      {"fhir.example.org/r4", false},
      {"https:///r4", false},
      {"", false},
  };
  for (const auto& [url, allowed] : cases) EXPECT_EQ(FhirAddressProblem(url).empty(), allowed) << url;
  // A refused address is told, and nothing is tried.
  FhirSendOutcome o = PostFhirBundle({"http://192.168.1.20/fhir", "{}", "", std::chrono::seconds(5)});
  EXPECT_EQ(o.status, FhirSendStatus::AddressRefused);
  EXPECT_EQ(o.httpStatus, 0);
  EXPECT_EQ(o.message, "Plain http is allowed only to this computer (127.0.0.1, ::1 or localhost); use an https address.");
}

TEST(FhirAnswer, TransactionResponseCounts) {
  // The forms servers write: a bare code, a code with its phrase, a location alone or the
  // resource itself; entries neither created nor found are not counted.
  std::string body = R"({"resourceType":"Bundle","type":"transaction-response","entry":[
    {"response":{"status":"201 Created","location":"Device/1/_history/1"}},
    {"response":{"status":"200","location":"Patient/2"}},
    {"response":{"status":"201"},"resource":{"resourceType":"Observation","id":"3"}},
    {"response":{"status":"201 Created","location":"Observation/4/_history/1"}},
    {"response":{"status":"304 Not Modified","location":"Observation/5"}},
    {"response":{"status":"200 OK","location":"Observation/6/_history/2"}},
    {"response":{"status":"400 Bad Request","location":"Observation/7"}},
    {"fullUrl":"no response here"}]})";
  FhirSendCounts c;
  ASSERT_TRUE(ReadTransactionResponse(body, c));
  EXPECT_EQ(c.created, 3);
  EXPECT_EQ(c.existing, 3);
  EXPECT_EQ(c.observationsCreated, 2);
  EXPECT_EQ(c.observationsExisting, 2);

  FhirSendCounts none;
  EXPECT_TRUE(ReadTransactionResponse(R"({"resourceType":"Bundle","type":"transaction-response"})", none));
  EXPECT_EQ(none.created + none.existing, 0);
  for (const char* other : {R"({"resourceType":"Bundle","type":"batch-response","entry":[]})",
                            R"({"resourceType":"OperationOutcome"})", "<html>OK</html>", "", "[]"})
    EXPECT_FALSE(ReadTransactionResponse(other, none)) << other;
}

TEST(FhirAnswer, OperationOutcomeTexts) {
  const std::pair<const char*, const char*> cases[] = {
      {R"({"resourceType":"OperationOutcome","issue":[{"severity":"error","code":"invalid","diagnostics":"Observation.status: missing"},
          {"severity":"error","code":"invalid","details":{"text":"Unknown code"}},
          {"severity":"error","code":"invalid","diagnostics":"same","details":{"text":"same"}}]})",
       "Observation.status: missing\nUnknown code\nsame"},
      {R"({"resourceType":"OperationOutcome","issue":[{"severity":"error","code":"exception"}]})", ""},
      {R"({"resourceType":"Bundle"})", ""},
      {"Bad Gateway", ""},
  };
  for (const auto& [body, text] : cases) EXPECT_EQ(OperationOutcomeText(body), text) << body;
}

TEST(FhirToken, FromTheEnvironmentOrTheFirstLineOfTheFile) {
  test::TempDir dir;
  dir.write("token", "  abc.def-123 \r\nsecond line\n");
  dir.write("blank", " \r\n");
  dir.write("empty", "");
  test::ScopedEnv noToken(kFhirTokenVariable, nullptr);
  const struct {
    const char* file;
    const char* token;
    const char* errorHas;
  } cases[] = {
      {"token", "abc.def-123", ""},
      {"blank", "", "is empty"},
      {"empty", "", "is empty"},
      {"missing", "", "cannot be read"},
  };
  for (const auto& c : cases) {
    FhirToken t = FindFhirToken(dir.file(c.file));
    EXPECT_EQ(t.token, c.token) << c.file;
    EXPECT_NE(t.error.find(c.errorHas), std::string::npos) << c.file << ": " << t.error;
    if (*c.errorHas) {
      EXPECT_NE(t.error.find(dir.file(c.file)), std::string::npos) << t.error;
    } else {
      EXPECT_EQ(t.error, "");
    }
  }
  EXPECT_EQ(FindFhirToken("").token, "");
  EXPECT_EQ(FindFhirToken("").error, "");
  // The environment comes first; an empty variable counts as unset.
  test::ScopedEnv::Set(kFhirTokenVariable, "from-env");
  EXPECT_EQ(FindFhirToken(dir.file("missing")).token, "from-env");
  EXPECT_EQ(FindFhirToken(dir.file("missing")).error, "");
  test::ScopedEnv::Set(kFhirTokenVariable, "");
  EXPECT_EQ(FindFhirToken(dir.file("token")).token, "abc.def-123");
}

// The texts come in the interface's language, with the path and the server's own words
// filled in as they are.
TEST(FhirMessages, InTheInterfaceLanguage) {
  ScanLanguages(test::SourceDir() + "/install/lang", "MovraT.txt", 1031);
  ASSERT_NE(CurrentLanguage(), nullptr);
  test::TempDir dir;
  dir.write("empty %1 token", "");
  EXPECT_EQ(ReadFhirTokenFile(dir.file("empty %1 token")).error,
            "Die Token-Datei \u201e" + dir.file("empty %1 token") + "\u201c ist leer.");
  FhirSendOutcome o = PostFhirBundle({"ftp://127.0.0.1/fhir", "{}", "", std::chrono::seconds(5)});
  EXPECT_EQ(o.message, "Die Serveradresse muss mit https:// beginnen.");
  ResetLanguages();
}

}  // namespace
}  // namespace movra
