#include "test_rows.h"

#include <cmath>

#include "app/datetime.h"
#include "app/format_settings.h"
#include "temp_dir.h"

namespace movra::test {

ExportRow ExampleRow() {
  ExportRow r;
  r.checked = true;
  r.recordNumber = "12";
  r.patientId = "345";
  r.date = *EncodeDate(2024, 3, 15) + *EncodeTime(14, 5, 0, 0);
  r.timeText = "14:05";
  r.sampleType = "EC";
  r.serialNumber = "SN01";
  return WithInr(r, 2.5f);
}

ExportRow WithInr(ExportRow row, float inr) {
  row.inr = inr;
  row.pt = static_cast<double>(std::floor(static_cast<long double>(row.inr) * 10.2L + 0.5L));
  return row;
}

std::string FixturePath(const std::string& name) { return SharedDir() + "/fixtures/xls/" + name; }

std::string CopyFixture(const TempDir& dir, const std::string& name) {
  dir.write(name, ReadFileBytes(FixturePath(name)));
  return dir.file(name);
}

DecimalSeparator::DecimalSeparator(char c) : old_(FormatSettings().DecimalSeparator) { FormatSettings().DecimalSeparator = c; }
DecimalSeparator::~DecimalSeparator() { FormatSettings().DecimalSeparator = old_; }

}  // namespace movra::test
