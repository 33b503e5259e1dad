#include <gtest/gtest.h>

#include <cstdlib>

#include "fhir_history.h"
#include "temp_dir.h"  // ReadFileBytes, SourceDir

namespace movra {
namespace {

// The exact bytes of the small history's Bundle. After a deliberate change, write the new
// file with MOVRA_UPDATE_GOLDEN=1 and read its diff before committing it.
TEST(FhirGolden, SmallHistoryBundleIsTheGoldenFile) {
  std::string golden = test::SourceDir() + "/tests/fhir/golden/small-history.json";
  std::string written = test::SmallHistoryBundle();
  if (const char* update = std::getenv("MOVRA_UPDATE_GOLDEN"); update && *update == '1') {
    FILE* f = std::fopen(golden.c_str(), "wb");
    ASSERT_NE(f, nullptr) << golden;
    std::fwrite(written.data(), 1, written.size(), f);
    std::fclose(f);
  }
  EXPECT_EQ(written, test::ReadFileBytes(golden));
}

}  // namespace
}  // namespace movra
