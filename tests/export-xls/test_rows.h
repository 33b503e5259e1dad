// Rows and files the export tests share.
#pragma once
#include <string>

#include "export/export_row.h"

namespace movra::test {

class TempDir;

// Record 12 of patient 345, tested 15 March 2024 at 14:05, INR 2.5, PT 26, sample type
// EC, serial number SN01, ticked.
ExportRow ExampleRow();
// The row with an INR as the meter gives it (a single-precision value widened) and the
// PT the result list derives from it.
ExportRow WithInr(ExportRow row, float inr);
// Copies a workbook fixture into `dir` and returns the copy's path.
std::string CopyFixture(const TempDir& dir, const std::string& name);
std::string FixturePath(const std::string& name);

// Sets the decimal separator for the life of the guard.
class DecimalSeparator {
 public:
  explicit DecimalSeparator(char c);
  ~DecimalSeparator();

 private:
  char old_;
};

}  // namespace movra::test
