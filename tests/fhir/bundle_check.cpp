#include "bundle_check.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "temp_dir.h"

namespace movra::test {

Checked ValidateBundles(const std::vector<std::string>& files) {
  std::string command = "node --experimental-websocket '" + SourceDir() + "/tests/fhir/node/check-bundle.mjs'";
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

void RequireValidators(const Checked& c) {
  ASSERT_NE(c.exitCode, 127) << "node is not installed (scripts/install-deps installs it): " << c.output;
  ASSERT_NE(c.exitCode, 2) << "the FHIR validators cannot run (scripts/install-deps installs them): " << c.output;
}

}  // namespace movra::test
