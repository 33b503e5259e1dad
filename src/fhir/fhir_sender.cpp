// One Bundle posted to a clinic's server, and the outcome told in words.
#include "fhir/fhir_sender.h"

#include "app/translated_pattern.h"
#include "fhir/http_post.h"

namespace movra {

namespace {

FhirSendOutcome Outcome(FhirSendStatus status, std::string message) {
  FhirSendOutcome o;
  o.status = status;
  o.message = std::move(message);
  return o;
}

// A further line, when there is one (the library's or the server's own words). Appended
// in two steps: GCC 12 warns about "\n" + string wrongly (-Wrestrict).
void AddLine(std::string& message, const std::string& line) {
  if (line.empty()) return;
  message += '\n';
  message += line;
}

std::string WithDetail(std::string message, const std::string& detail) {
  AddLine(message, detail);
  return message;
}

FhirSendOutcome Failure(const HttpAnswer& answer, const std::string& url, std::chrono::milliseconds timeout) {
  switch (answer.failure) {
    case HttpFailure::CannotConnect:
      return Outcome(FhirSendStatus::CannotConnect,
                     WithDetail(TranslatePattern("The server at %1 cannot be reached.", {url}), answer.detail));
    case HttpFailure::TimedOut: {
      std::string seconds = std::to_string((timeout.count() + 999) / 1000);
      return Outcome(FhirSendStatus::TimedOut,
                     TranslatePattern("The server at %1 did not answer within %2 seconds.", {url, seconds}));
    }
    case HttpFailure::Certificate:
      return Outcome(FhirSendStatus::Certificate,
                     WithDetail(TranslatePattern("The certificate of the server at %1 is not trusted; nothing was sent.", {url}),
                                answer.detail));
    default:
      return Outcome(FhirSendStatus::Failed,
                     WithDetail(TranslatePattern("The results could not be sent to %1.", {url}), answer.detail));
  }
}

}  // namespace

FhirSendOutcome PostFhirBundle(const FhirPostRequest& request) {
  std::string problem = FhirAddressProblem(request.baseUrl);
  if (!problem.empty()) return Outcome(FhirSendStatus::AddressRefused, TranslatePattern(problem));
  std::vector<std::string> headers = {"Content-Type: application/fhir+json", "Accept: application/fhir+json"};
  if (!request.bearerToken.empty()) headers.push_back("Authorization: Bearer " + request.bearerToken);
  HttpAnswer answer = HttpPost(request.baseUrl, request.bundleJson, headers, request.timeout);
  if (answer.failure != HttpFailure::None) return Failure(answer, request.baseUrl, request.timeout);

  FhirSendOutcome o;
  o.httpStatus = answer.status;
  o.serverText = OperationOutcomeText(answer.body);
  if (answer.status < 200 || answer.status > 299) {
    o.status = FhirSendStatus::Rejected;
    o.message = TranslatePattern("The server refused the results (HTTP %1).", {std::to_string(answer.status)});
    if (answer.status == 401 || answer.status == 403)
      AddLine(o.message, TranslatePattern("The server needs a valid token: set MOVRA_FHIR_TOKEN, or name a token file in the settings (TokenFile in the [FHIR] section)."));
    AddLine(o.message, o.serverText);
    return o;
  }
  if (!ReadTransactionResponse(answer.body, o.counts)) {
    o.status = FhirSendStatus::BadAnswer;
    o.message = TranslatePattern("The server's answer is no transaction-response; whether it kept the results is unknown.");
    AddLine(o.message, o.serverText);
    return o;
  }
  o.status = FhirSendStatus::Sent;
  o.message = TranslatePattern("Results created on the server: %1; already there: %2.",
                          {std::to_string(o.counts.observationsCreated), std::to_string(o.counts.observationsExisting)});
  return o;
}

}  // namespace movra
