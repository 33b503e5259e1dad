#include "meter/transfer_outcome.h"

namespace movra {

TransferEnd ClassifyTransferEnd(const TransferFacts& f) {
  // A rejected frame ends the transfer while the meter still has that record and any after it.
  if (f.rejected) return *f.rejected == RecordFrameVerdict::CrcMismatch ? TransferEnd::FrameRejected
                                                                         : TransferEnd::FrameDamaged;
  // The count reached its end: whatever happened afterwards, nothing was left to read. A
  // last record numbered 0 or 1 ends the count too, whatever the first one said.
  if (CountedDown(f.recordsAccepted, f.firstRecordNumber, f.lastRecordNumber)) return TransferEnd::AllSent;
  if (f.stopped) return TransferEnd::Stopped;
  if (f.lineFailed) return TransferEnd::LineFailed;
  if (f.uncutFrameLeft) return TransferEnd::FrameDamaged;
  if (f.recordsAccepted > 0) return TransferEnd::RecordsMissing;
  // Nothing came at all: no meter at this port and speed, or a meter without records.
  return TransferEnd::AllSent;
}

bool CountedDown(int32_t recordsAccepted, int32_t firstRecordNumber, int32_t lastRecordNumber) {
  return recordsAccepted > 0 && (recordsAccepted >= firstRecordNumber || lastRecordNumber <= 1);
}

bool AnnouncedCountReached(int32_t recordsAccepted, int32_t firstRecordNumber, int32_t lastRecordNumber) {
  return firstRecordNumber > 0 && CountedDown(recordsAccepted, firstRecordNumber, lastRecordNumber);
}

bool IsIncomplete(TransferEnd end) { return end != TransferEnd::None && end != TransferEnd::AllSent; }

void DownloadOutcome::Add(const TransferOutcome& t) {
  incomplete = incomplete || IsIncomplete(t.end);
  recordsRead += t.recordsAccepted;
}

}  // namespace movra
