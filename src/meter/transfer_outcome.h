// How one transfer ended, and whether the meter still holds records that were not read.
// The meter sends no end-of-data mark, so the end is judged from what the transfer saw:
// a meter counts its records down, the first one carrying the number of records to come.
// Pure functions over plain values.
#pragma once
#include <cstdint>
#include <optional>

#include "meter/record_frame.h"

namespace movra {

enum class TransferEnd : uint8_t {
  None,            // no transfer has ended since the last one started
  AllSent,         // quiet after the meter's last record, or a meter that sent none
  FrameRejected,   // a record frame failed its CRC test
  FrameDamaged,    // a frame too short, one whose end never came where its length byte says,
                   // or one whose INR is no number
  LineFailed,      // the line hung up or the port failed
  RecordsMissing,  // the records stopped before the meter's own count
  Stopped,         // the owner stopped the transfer before it ended by itself
};

// What the transfer saw by the time it ended.
struct TransferFacts {
  bool stopped = false;      // the owner asked the thread to stop
  bool lineFailed = false;   // the port reported a hang-up
  std::optional<RecordFrameVerdict> rejected;  // the verdict on the frame that ended it
  bool uncutFrameLeft = false;  // the receive buffer holds a frame start that was never cut
  int32_t recordsAccepted = 0;  // frames accepted and acknowledged
  int32_t firstRecordNumber = 0;
  int32_t lastRecordNumber = 0;
};

TransferEnd ClassifyTransferEnd(const TransferFacts& facts);

// True for every end but AllSent (and None): the meter may still hold records not read.
bool IsIncomplete(TransferEnd end);

struct TransferOutcome {
  TransferEnd end = TransferEnd::None;
  int32_t recordsAccepted = 0;
  // Nothing a meter sends came: no serial number answer, no record frame. No meter is on
  // the line, it is off, or it talks at the other speed.
  bool noAnswer = false;
};

// The outcome of one Download command or one movra-cli download: every transfer it ran.
struct DownloadOutcome {
  bool incomplete = false;
  int32_t recordsRead = 0;
  void Add(const TransferOutcome& t);
};

}  // namespace movra
