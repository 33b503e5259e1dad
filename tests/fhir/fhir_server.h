// The FHIR server of node/fhir-server.mjs (Medplum's router over a memory repository) as a
// child process on a loopback port, for the sending tests; and a GET to look at what it kept.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

namespace movra::test {

class FhirServer {
 public:
  FhirServer() = default;
  ~FhirServer();  // closes its stdin: the server ends
  FhirServer(const FhirServer&) = delete;
  FhirServer& operator=(const FhirServer&) = delete;

  // Starts it with these options (see fhir-server.mjs) and waits for its port. False, with
  // the reason in error(), when it does not come up.
  bool start(const std::vector<std::string>& args, int timeoutMs = 90000);
  // "http://127.0.0.1:PORT/fhir" ("https" for a server started with --tls).
  std::string baseUrl() const;
  const std::string& error() const { return error_; }

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
  int port_ = 0;
  bool tls_ = false;
  std::string error_;
};

// GET of a URL (certificates not checked: the test's own server); the body, empty on failure.
std::string HttpGet(const std::string& url);

// A self-signed certificate for 127.0.0.1 and localhost, made with openssl in `folder`:
// cert.pem and key.pem. False when openssl fails.
bool MakeSelfSignedCertificate(const std::string& folder);

}  // namespace movra::test
