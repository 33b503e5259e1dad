// Sending a Bundle to a clinic's FHIR server: one POST of the transaction to the server's base
// URL, and the server's transaction-response read back into counts. Every way it can go wrong
// is an outcome with a text for the user; nothing is thrown and nothing is shown here.
#pragma once
#include <chrono>
#include <string>

namespace movra {

// Names the caller and the settings use.
inline constexpr const char* kFhirTokenVariable = "MOVRA_FHIR_TOKEN";
inline constexpr const char* kFhirSection = "FHIR";  // [FHIR] Url=, TokenFile=

struct FhirPostRequest {
  std::string baseUrl;      // https://…, or http:// to a loopback address only
  std::string bundleJson;   // the transaction Bundle (FhirBundleJson)
  std::string bearerToken;  // empty: no Authorization header
  // The whole exchange with libcurl; with WinHTTP each step (resolve, connect, send, receive).
  std::chrono::milliseconds timeout{60000};
};

enum class FhirSendStatus {
  Sent,            // 2xx with a transaction-response
  AddressRefused,  // not an http(s) URL, or plain http to a host that is not this computer
  CannotConnect,   // no such host, connection refused or reset
  TimedOut,        // no answer within the timeout
  Certificate,     // the server's certificate was not trusted
  Rejected,        // the server answered with a status outside 2xx
  BadAnswer,       // 2xx, but not a transaction-response
  Failed,          // anything else the HTTP library reported
};

// What the server did with the entries: created (201) or already had (200 or 304: the
// conditional creates found them).
struct FhirSendCounts {
  int created = 0;
  int existing = 0;
  int observationsCreated = 0;
  int observationsExisting = 0;
};

struct FhirSendOutcome {
  FhirSendStatus status = FhirSendStatus::Failed;
  long httpStatus = 0;     // 0 when no answer came
  FhirSendCounts counts;   // Sent only
  std::string serverText;  // the OperationOutcome's diagnostics and details texts, one a line
  std::string message;     // for the user, translated: the counts, or what went wrong
  bool ok() const { return status == FhirSendStatus::Sent; }
};

// POSTs the Bundle (Content-Type and Accept application/fhir+json), HTTPS certificates
// verified against the system's store, redirects not followed.
FhirSendOutcome PostFhirBundle(const FhirPostRequest& request);

// Empty when the base URL may be posted to, else why not (untranslated English): the scheme
// must be http or https, and plain http is for loopback hosts alone (127.0.0.0/8, ::1,
// localhost), so results never cross a network unencrypted.
std::string FhirAddressProblem(const std::string& baseUrl);

// Reads a 2xx answer's body: the counts of a transaction-response, false when it is none.
bool ReadTransactionResponse(const std::string& body, FhirSendCounts& counts);
// The issue texts of an OperationOutcome (diagnostics, then details.text), one a line;
// empty when the body is no OperationOutcome.
std::string OperationOutcomeText(const std::string& body);

// The bearer token: MOVRA_FHIR_TOKEN when set and not empty, else the first line of the
// token file the settings name (tokenFile empty: none). False with `error` (translated)
// when the file cannot be read or its first line is empty.
struct FhirToken {
  std::string token;  // empty: send without one
  std::string error;
};
FhirToken FindFhirToken(const std::string& tokenFile);
// The first line of the file, blanks around it trimmed; an error when unreadable or empty.
FhirToken ReadFhirTokenFile(const std::string& path);

}  // namespace movra
