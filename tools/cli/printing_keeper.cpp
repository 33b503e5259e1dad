#include "printing_keeper.h"

#include <utility>

#include "data/record_conversion.h"
#include "record_output.h"

namespace movra::cli {

std::vector<Notice> PrintingKeeper::Keep(TMeterRecordQuery& records, const std::string& serialNumber,
                                         const std::string&, int32_t) {
  TMeterRecord r;
  while (records.Pop(r)) {
    PrintSerialNumber(serialNumber);
    PrintLine(RecordLine(r));
    ++count_;
    ++transferCount_;
  }
  return {};
}

int32_t PrintingKeeper::TakeTransferCount() { return std::exchange(transferCount_, 0); }

void PrintingKeeper::PrintSerialNumber(const std::string& serialNumber) {
  // A meter may give no serial number at all; its line is still printed once.
  const std::string shown = "SerialNumber: " + ReplaceControlCharacters(serialNumber);
  if (shown == lastSerial_) return;
  lastSerial_ = shown;
  PrintLine(shown);
}

}  // namespace movra::cli
