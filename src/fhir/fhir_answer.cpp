// Reading what a FHIR server answered to a transaction.
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "fhir/fhir_sender.h"

namespace movra {

namespace {

nlohmann::json Parsed(const std::string& body) {
  return nlohmann::json::parse(body, nullptr, false);
}

std::string StringAt(const nlohmann::json& j, const char* key) {
  auto it = j.find(key);
  return it != j.end() && it->is_string() ? it->get<std::string>() : "";
}

// The type of the entry's resource: from the resource when the server sent it back, else
// from the location "Observation/123/_history/1".
std::string EntryType(const nlohmann::json& entry, const nlohmann::json& response) {
  auto resource = entry.find("resource");
  if (resource != entry.end() && resource->is_object()) {
    std::string type = StringAt(*resource, "resourceType");
    if (!type.empty()) return type;
  }
  std::string location = StringAt(response, "location");
  return location.substr(0, location.find('/'));
}

}  // namespace

bool ReadTransactionResponse(const std::string& body, FhirSendCounts& counts) {
  nlohmann::json bundle = Parsed(body);
  if (!bundle.is_object() || StringAt(bundle, "resourceType") != "Bundle" ||
      StringAt(bundle, "type") != "transaction-response")
    return false;
  counts = FhirSendCounts{};
  auto entries = bundle.find("entry");
  if (entries == bundle.end() || !entries->is_array()) return true;
  for (const auto& entry : *entries) {
    if (!entry.is_object() || !entry.contains("response") || !entry["response"].is_object()) continue;
    const auto& response = entry["response"];
    // "201", "201 Created": the code leads.
    int code = std::atoi(StringAt(response, "status").c_str());
    bool observation = EntryType(entry, response) == "Observation";
    if (code == 201) {
      ++counts.created;
      if (observation) ++counts.observationsCreated;
    } else if (code == 200 || code == 304) {
      ++counts.existing;
      if (observation) ++counts.observationsExisting;
    }
  }
  return true;
}

std::string OperationOutcomeText(const std::string& body) {
  nlohmann::json outcome = Parsed(body);
  if (!outcome.is_object() || StringAt(outcome, "resourceType") != "OperationOutcome") return "";
  std::string text;
  auto issues = outcome.find("issue");
  if (issues == outcome.end() || !issues->is_array()) return "";
  auto add = [&text](const std::string& line) {
    if (line.empty()) return;
    if (!text.empty()) text += "\n";
    text += line;
  };
  for (const auto& issue : *issues) {
    if (!issue.is_object()) continue;
    std::string diagnostics = StringAt(issue, "diagnostics");
    add(diagnostics);
    auto details = issue.find("details");
    if (details != issue.end() && details->is_object()) {
      std::string detailText = StringAt(*details, "text");
      if (detailText != diagnostics) add(detailText);
    }
  }
  return text;
}

}  // namespace movra
