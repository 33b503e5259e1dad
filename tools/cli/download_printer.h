// A download without the database: the serial number, one line per record as the records
// are taken, and the count.
#pragma once
#include "download_sink.h"
#include "meter/hb_meter.h"

namespace movra::cli {

class DownloadPrinter : public DownloadSink {
 public:
  explicit DownloadPrinter(CHBMeter& meter) : meter_(meter) {}
  void OnMessage(const Message& m) override;
  int Finish(bool interrupted) override;

 private:
  void PrintSerialNumber();
  void TakeRecords();

  CHBMeter& meter_;
  bool serialPrinted_ = false;
  bool ended_ = false;
  long count_ = 0;
};

}  // namespace movra::cli
