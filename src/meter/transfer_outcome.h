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
  FrameDamaged,    // a frame too short, or one whose end never came where its length byte says
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

// The meter's own count has run out: as many records accepted as the first one announced,
// or a last record numbered 0 or 1.
bool CountedDown(int32_t recordsAccepted, int32_t firstRecordNumber, int32_t lastRecordNumber);

// The first record announced a count (a first record numbered 0 tells none) and it has
// run out. The meter then has nothing left to send, unless its count lies.
bool AnnouncedCountReached(int32_t recordsAccepted, int32_t firstRecordNumber, int32_t lastRecordNumber);

// True for every end but AllSent (and None): the meter may still hold records not read.
bool IsIncomplete(TransferEnd end);

struct TransferOutcome {
  TransferEnd end = TransferEnd::None;
  int32_t recordsAccepted = 0;
};

// The outcome of one Download command or one movra-cli download: every transfer it ran.
struct DownloadOutcome {
  bool incomplete = false;
  int32_t recordsRead = 0;
  void Add(const TransferOutcome& t);
};

}  // namespace movra
