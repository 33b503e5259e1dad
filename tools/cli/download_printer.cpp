#include "download_printer.h"

#include <string>

#include "data/record_conversion.h"
#include "record_output.h"
#include "subcommand.h"

namespace movra::cli {

void DownloadPrinter::OnMessage(const Message& m) {
  if (m.id == MessageId::MeterRecords) TakeRecords();
  if (m.id == MessageId::TransferEnd) ended_ = true;
}

int DownloadPrinter::Finish(bool interrupted) {
  TakeRecords();
  PrintSerialNumber();
  PrintLine("Records: " + std::to_string(count_));
  if (interrupted) return kExitInterrupted;
  return ended_ ? kExitOk : kExitFailure;
}

void DownloadPrinter::PrintSerialNumber() {
  if (serialPrinted_) return;
  serialPrinted_ = true;
  PrintLine("SerialNumber: " + ReplaceControlCharacters(meter_.SerialNumber()));
}

// Every record waiting when the meter says so, as the window would store them.
void DownloadPrinter::TakeRecords() {
  TMeterRecord r;
  while (meter_.Records().Pop(r)) {
    PrintSerialNumber();
    PrintLine(RecordLine(r));
    ++count_;
  }
}

}  // namespace movra::cli
