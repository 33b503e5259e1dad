// A download without the database: the serial number of each meter, then its records, one
// line each, as they come.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "download/download_keeper.h"

namespace movra::cli {

class PrintingKeeper : public DownloadKeeper {
 public:
  std::vector<Notice> Keep(TMeterRecordQuery& records, const std::string& serialNumber, const std::string& portName,
                           int32_t expectedCount) override;
  int32_t TakeTransferCount() override;
  int32_t UnsavedCount() override { return 0; }
  int32_t InvalidCount() const override { return 0; }
  // "SerialNumber: …" unless that meter's line is the last one printed.
  void PrintSerialNumber(const std::string& serialNumber);
  bool SerialNumberPrinted() const { return !lastSerial_.empty(); }
  long Count() const { return count_; }

 private:
  std::string lastSerial_;
  long count_ = 0;
  int32_t transferCount_ = 0;
};

}  // namespace movra::cli
