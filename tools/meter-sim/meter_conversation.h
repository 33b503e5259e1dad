// What the meter does with each command from the host: the answers to write and the
// journal lines, without touching the line itself.
#pragma once
#include <string>
#include <vector>

#include "meter_frames.h"
#include "sim_options.h"
#include "sim_records.h"

namespace movra::sim {

struct OutStep {
  enum class Kind { Write, Unplug };
  Kind kind = Kind::Write;
  Bytes bytes;
  int gapMsBefore = 0;
  std::string journalWhenDone;  // written once the last byte is on the line
};

struct Reaction {
  std::vector<std::string> journal;
  bool dropPendingOutput = false;  // a new conversation starts: what was queued is stale
  std::vector<OutStep> steps;
};

class MeterConversation {
 public:
  MeterConversation(const SimOptions& options, const std::vector<SimRecord>& records);

  // One complete command frame with a matching CRC.
  Reaction OnCommand(const Bytes& frame);
  // The host closed the port: the next conversation starts from scratch.
  void Reset();

  static Bytes DevModeAnswer();
  Bytes SerialAnswer() const;

 private:
  bool CanAnswer() const { return !options_.silent && inDeviceMode_ && !muted_ && !stopped_; }
  void SendRecord(Reaction& r);
  static void AddPieces(Reaction& r, const Bytes& bytes, const SplitWrite& split, const std::string& doneLine);

  const SimOptions& options_;
  std::vector<Bytes> frames_;
  std::vector<int> numbers_;
  bool inDeviceMode_ = false;
  bool muted_ = false;    // no device-mode answer: the meter keeps quiet until a new one
  bool stopped_ = false;  // the meter gave up half-way
  size_t next_ = 0;       // position of the next record to send
  int awaitingAck_ = -1;  // position of the record sent last, until its acknowledgement
};

}  // namespace movra::sim
