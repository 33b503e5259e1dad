// Bundles sent to a real FHIR engine (Medplum's router in node/fhir-server.mjs) on a loopback
// port: what the server created and already had, and every way a send can fail.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <set>

#include "fhir/fhir_sender.h"
#include "fhir_history.h"
#include "fhir_server.h"
#include "scoped_env.h"
#include "temp_dir.h"

namespace movra {
namespace {

using namespace std::chrono_literals;

using test::ScopedEnv;

FhirSendOutcome Post(const std::string& url, const std::string& bundle, const std::string& token = "",
                     std::chrono::milliseconds timeout = 60s) {
  return PostFhirBundle(FhirPostRequest{url, bundle, token, timeout});
}

// The small history's Bundle holds two Devices, the Patient and four Observations (the
// control is left out).
TEST(FhirSend, SecondPostCreatesNothingAndTheServerKeepsOneObservationPerResult) {
  test::FhirServer server;
  ASSERT_TRUE(server.start({})) << server.error();
  std::string bundle = test::SmallHistoryBundle();

  FhirSendOutcome first = Post(server.baseUrl(), bundle);
  ASSERT_EQ(first.status, FhirSendStatus::Sent) << first.message;
  EXPECT_EQ(first.httpStatus, 200);
  EXPECT_EQ(first.counts.created, 7);
  EXPECT_EQ(first.counts.existing, 0);
  EXPECT_EQ(first.counts.observationsCreated, 4);
  EXPECT_EQ(first.counts.observationsExisting, 0);
  EXPECT_EQ(first.message, "Results created on the server: 4; already there: 0.");

  // A base URL with a trailing slash is the same server.
  FhirSendOutcome second = Post(server.baseUrl() + "/", bundle);
  ASSERT_EQ(second.status, FhirSendStatus::Sent) << second.message;
  EXPECT_EQ(second.counts.created, 0);
  EXPECT_EQ(second.counts.existing, 7);
  EXPECT_EQ(second.counts.observationsCreated, 0);
  EXPECT_EQ(second.counts.observationsExisting, 4);
  EXPECT_EQ(second.message, "Results created on the server: 0; already there: 4.");

  auto kept = nlohmann::json::parse(test::HttpGet(server.baseUrl() + "/Observation?_count=100"), nullptr, false);
  ASSERT_TRUE(kept.is_object()) << "the server's search failed";
  std::multiset<std::string> identifiers;
  for (const auto& e : kept.value("entry", nlohmann::json::array()))
    identifiers.insert(e["resource"]["identifier"][0]["value"].get<std::string>());
  std::multiset<std::string> sent;
  const auto sentBundle = nlohmann::json::parse(bundle);
  for (const auto& e : sentBundle["entry"])
    if (e["resource"]["resourceType"] == "Observation") sent.insert(e["resource"]["identifier"][0]["value"].get<std::string>());
  EXPECT_EQ(identifiers, sent);
  auto patients = nlohmann::json::parse(test::HttpGet(server.baseUrl() + "/Patient"), nullptr, false);
  EXPECT_EQ(patients.value("entry", nlohmann::json::array()).size(), 1u);
}

// A send that goes wrong: the server's own words reach the user.
struct FailCase {
  const char* name;
  std::vector<std::string> serverArgs;
  const char* token;     // MOVRA_FHIR_TOKEN for the send
  bool collection;       // a Bundle of type collection, which the server rejects
  std::chrono::milliseconds timeout;
  FhirSendStatus status;
  long httpStatus;
  std::vector<std::string> messageHas;
};

void PrintTo(const FailCase& c, std::ostream* os) { *os << c.name; }

class FhirSendCase : public testing::TestWithParam<FailCase> {};

TEST_P(FhirSendCase, Outcome) {
  const FailCase& c = GetParam();
  test::TempDir dir;
  std::vector<std::string> args = c.serverArgs;
  if (!args.empty() && args[0] == "--tls") {
    ASSERT_TRUE(test::MakeSelfSignedCertificate(dir.path())) << "openssl cannot make a certificate";
    args = {"--tls", dir.file("cert.pem"), dir.file("key.pem")};
  }
  test::FhirServer server;
  ASSERT_TRUE(server.start(args)) << server.error();
  ScopedEnv env(kFhirTokenVariable, c.token);
  std::string bundle = test::SmallHistoryBundle();
  if (c.collection) {
    auto j = nlohmann::json::parse(bundle);
    j["type"] = "collection";
    bundle = j.dump();
  }
  FhirToken token = FindFhirToken("");
  ASSERT_EQ(token.error, "");
  FhirSendOutcome o = Post(server.baseUrl(), bundle, token.token, c.timeout);
  EXPECT_EQ(o.status, c.status) << o.message;
  EXPECT_EQ(o.httpStatus, c.httpStatus) << o.message;
  for (const std::string& part : c.messageHas) EXPECT_NE(o.message.find(part), std::string::npos) << o.message;
  if (o.ok()) EXPECT_EQ(o.counts.observationsCreated, 4);
  else EXPECT_EQ(o.counts.created + o.counts.existing, 0);
  // Whatever failed left nothing on the server (the hanging server answers no search either).
  if (!o.ok() && c.status != FhirSendStatus::TimedOut && c.httpStatus != 503 && c.httpStatus != 401) {
    auto kept = nlohmann::json::parse(test::HttpGet(server.baseUrl() + "/Observation"), nullptr, false);
    ASSERT_TRUE(kept.is_object());
    EXPECT_EQ(kept.value("entry", nlohmann::json::array()).size(), 0u) << kept.dump();
  }
}

const FailCase kFailCases[] = {
    {"RejectedBundle", {}, nullptr, true, 60s, FhirSendStatus::Rejected, 400,
     {"The server refused the results (HTTP 400).", "Unrecognized bundle type: collection"}},
    {"ServerError", {"--answer", "503"}, nullptr, false, 60s, FhirSendStatus::Rejected, 503,
     {"(HTTP 503)", "test server answers 503"}},
    {"NoAnswer", {"--hang"}, nullptr, false, 1500ms, FhirSendStatus::TimedOut, 0,
     {"did not answer within 2 seconds"}},
    {"SelfSignedCertificate", {"--tls"}, nullptr, false, 60s, FhirSendStatus::Certificate, 0,
     {"is not trusted; nothing was sent"}},
    {"TokenFromEnvironment", {"--token", "s3cret"}, "s3cret", false, 60s, FhirSendStatus::Sent, 200,
     {"created on the server: 4;"}},
    {"TokenMissing", {"--token", "s3cret"}, nullptr, false, 60s, FhirSendStatus::Rejected, 401,
     {"(HTTP 401)", "MOVRA_FHIR_TOKEN", "a valid bearer token is required"}},
    {"TokenWrong", {"--token", "s3cret"}, "guessed", false, 60s, FhirSendStatus::Rejected, 401, {"(HTTP 401)"}},
};
INSTANTIATE_TEST_SUITE_P(Send, FhirSendCase, testing::ValuesIn(kFailCases),
                         [](const testing::TestParamInfo<FailCase>& i) { return std::string(i.param.name); });

// A socket on a free loopback port, listening or not; closed at the end.
struct LoopbackSocket {
  explicit LoopbackSocket(bool listening) {
    fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && (!listening || listen(fd, 4) == 0) &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
      port = ntohs(a.sin_port);
  }
  ~LoopbackSocket() { close(fd); }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port); }
  int fd = -1;
  int port = 0;
};

// A loopback port nobody listens on: bound, never listening.
TEST(FhirSend, RefusedConnection) {
  LoopbackSocket nobody(false);
  ASSERT_NE(nobody.port, 0);
  FhirSendOutcome o = Post(nobody.url() + "/fhir", "{}");
  EXPECT_EQ(o.status, FhirSendStatus::CannotConnect) << o.message;
  EXPECT_NE(o.message.find("cannot be reached"), std::string::npos) << o.message;
}

// Plain http to another computer is refused before anything is sent: not even a proxy on
// this computer, which would carry it there, hears of it.
TEST(FhirSend, PlainHttpToAnotherHostConnectsNowhere) {
  LoopbackSocket proxySocket(true);
  ASSERT_NE(proxySocket.port, 0);
  std::string proxy = proxySocket.url();
  ScopedEnv p1("http_proxy", proxy.c_str());
  ScopedEnv p2("HTTPS_PROXY", proxy.c_str());
  FhirSendOutcome o = Post("http://clinic.example.org/fhir", test::SmallHistoryBundle());
  EXPECT_EQ(o.status, FhirSendStatus::AddressRefused) << o.message;
  EXPECT_NE(o.message.find("Plain http is allowed only to this computer"), std::string::npos) << o.message;
  pollfd pf{proxySocket.fd, POLLIN, 0};
  EXPECT_EQ(poll(&pf, 1, 0), 0) << "something connected to the proxy";
  // The proxy itself works: an https address does reach it (and then fails there).
  Post("https://clinic.example.org/fhir", "{}", "", 2s);
  EXPECT_EQ(poll(&pf, 1, 0), 1) << "the proxy is not used at all, so the check above shows nothing";
}

}  // namespace
}  // namespace movra
