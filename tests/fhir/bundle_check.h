// The FHIR validators of node/check-bundle.mjs (the R4 JSON schema and Medplum's
// validateResource) over files the tests wrote; Linux, where Node runs.
#pragma once
#include <string>
#include <vector>

namespace movra::test {

struct Checked {
  int exitCode = -1;  // 0 every file passes both, 1 a problem, 2 cannot run, 127 no node
  std::string output;
};

Checked ValidateBundles(const std::vector<std::string>& files);

// CI installs the validators (scripts/install-deps); a machine without them fails here,
// saying what is missing, rather than passing Bundles nobody checked. Use it under
// ASSERT_NO_FATAL_FAILURE.
void RequireValidators(const Checked& c);

}  // namespace movra::test
