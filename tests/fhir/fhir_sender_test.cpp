// The sender's own rules, without a server: which addresses may be posted to, how a
// server's answer is read, and where the token comes from.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>

#include "app/language.h"
#include "canned_http_server.h"
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

// What goes on the wire, and the answer read back, through the system's HTTP library on
// each platform (WinHTTP under Wine included).
TEST(FhirPost, RequestAndAnswerOnLoopback) {
  const std::string created = R"({"resourceType":"Bundle","type":"transaction-response","entry":[
      {"response":{"status":"201 Created","location":"Patient/1"}},
      {"response":{"status":"201 Created","location":"Observation/2"}},
      {"response":{"status":"200 OK","location":"Observation/3"}}]})";
  const std::string rejected =
      R"({"resourceType":"OperationOutcome","issue":[{"severity":"error","code":"invalid","diagnostics":"Observation.code: unknown"}]})";
  const struct {
    int status;
    std::string body;
    std::string token;
    FhirSendStatus expected;
    const char* messageHas;
  } cases[] = {
      {200, created, "t0k.en", FhirSendStatus::Sent, "Results created on the server: 1; already there: 1."},
      {422, rejected, "", FhirSendStatus::Rejected, "(HTTP 422).\nObservation.code: unknown"},
      {200, "<html>welcome</html>", "", FhirSendStatus::BadAnswer, "no transaction-response"},
      {302, "", "", FhirSendStatus::Rejected, "(HTTP 302)"},  // a redirect is not followed
  };
  const std::string bundle = R"({"resourceType":"Bundle","type":"transaction","entry":[]})";
  for (const auto& c : cases) {
    test::CannedHttpServer server(c.status, c.body);
    ASSERT_NE(server.port(), 0);
    std::string base = "http://127.0.0.1:" + std::to_string(server.port()) + "/fhir/R4";
    FhirSendOutcome o = PostFhirBundle({base, bundle, c.token, std::chrono::seconds(30)});
    EXPECT_EQ(o.status, c.expected) << o.message;
    EXPECT_EQ(o.httpStatus, c.status);
    EXPECT_NE(o.message.find(c.messageHas), std::string::npos) << o.message;
    std::string request = server.request();
    std::string lower = request;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(request.rfind("POST /fhir/R4 HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(lower.find("\r\ncontent-type: application/fhir+json\r\n"), std::string::npos) << request;
    EXPECT_NE(lower.find("\r\naccept: application/fhir+json\r\n"), std::string::npos) << request;
    if (c.token.empty()) {
      EXPECT_EQ(lower.find("authorization:"), std::string::npos) << request;
    } else {
      EXPECT_NE(request.find("\r\nAuthorization: Bearer t0k.en\r\n"), std::string::npos) << request;
    }
    EXPECT_EQ(request.substr(request.find("\r\n\r\n") + 4), bundle);
  }
}

// The texts come in the interface's language, with the path and the server's own words
// filled in as they are.
TEST(TranslatePatterns, InTheInterfaceLanguage) {
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
