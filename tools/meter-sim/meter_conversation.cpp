#include "meter_conversation.h"

#include <algorithm>

namespace movra::sim {

MeterConversation::MeterConversation(const SimOptions& options, const std::vector<SimRecord>& records)
    : options_(options) {
  for (size_t i = 0; i < records.size(); ++i) {
    int pos = int(i + 1);
    Bytes f = BuildRecordFrame(records[i]);
    if (options.badCrc.count(pos)) {
      f[f.size() - 3] = char(f[f.size() - 3] ^ 0xFF);
      f[f.size() - 2] = char(f[f.size() - 2] ^ 0xFF);
    }
    if (options.damaged.count(pos)) f.back() = '\n';
    frames_.push_back(f);
    numbers_.push_back(records[i].number);
  }
}

void MeterConversation::Reset() {
  inDeviceMode_ = muted_ = stopped_ = false;
  next_ = 0;
  awaitingAck_ = -1;
}

Bytes MeterConversation::DevModeAnswer() { return BuildFrame('A', Bytes("\x01\x00", 2)); }

Bytes MeterConversation::SerialAnswer() const {
  Bytes answer = BuildFrame('P', options_.serial);
  if (options_.serialBadCrc) answer[answer.size() - 2] = char(answer[answer.size() - 2] ^ 0xFF);
  return answer;
}

void MeterConversation::AddPieces(Reaction& r, const Bytes& bytes, const SplitWrite& split,
                                  const std::string& doneLine) {
  size_t pieces = std::min<size_t>(std::max(split.pieces, 1), bytes.size());
  size_t from = 0;
  for (size_t k = 0; k < pieces; ++k) {
    size_t to = bytes.size() * (k + 1) / pieces;
    OutStep s;
    s.bytes = bytes.substr(from, to - from);
    s.gapMsBefore = k == 0 ? 0 : split.gapMs;
    if (k + 1 == pieces) s.journalWhenDone = doneLine;
    r.steps.push_back(s);
    from = to;
  }
}

void MeterConversation::SendRecord(Reaction& r) {
  // The meter has no end-of-data mark: after the last record it just waits.
  if (next_ >= frames_.size()) return;
  int pos = int(next_ + 1);
  if (options_.unplugBefore == pos) {
    r.steps.push_back({OutStep::Kind::Unplug, {}, 0, {}});
    return;
  }
  Bytes before;
  if (auto it = options_.noiseBefore.find(pos); it != options_.noiseBefore.end()) before += it->second;
  if (auto it = options_.crsBefore.find(pos); it != options_.crsBefore.end()) before += Bytes(size_t(it->second), '\r');
  if (!before.empty()) r.steps.push_back({OutStep::Kind::Write, before, 0, {}});
  SplitWrite split;
  if (auto it = options_.split.find(pos); it != options_.split.end()) split = it->second;
  AddPieces(r, frames_[next_], split, "send " + std::to_string(numbers_[next_]));
  awaitingAck_ = int(next_);
  ++next_;
}

Reaction MeterConversation::OnCommand(const Bytes& f) {
  Reaction r;
  const char letter = f[2];
  const size_t n = static_cast<unsigned char>(f[6]);
  const Bytes payload = f.substr(7, n);
  auto bad = [&] { r.journal.push_back("badcmd " + ToHex(f)); };

  if (letter == 'A') {
    if (payload != "R4=v") {
      bad();
      return r;
    }
    r.journal.push_back("cmd A");
    // Device mode starts a new conversation, whatever the previous one left behind.
    Reset();
    r.dropPendingOutput = true;
    inDeviceMode_ = true;
    muted_ = options_.noDevModeAnswer;
    if (CanAnswer()) r.steps.push_back({OutStep::Kind::Write, DevModeAnswer(), 0, {}});
    return r;
  }
  if (letter == 'P' && n == 0) {
    r.journal.push_back("cmd P");
    if (CanAnswer()) AddPieces(r, SerialAnswer(), options_.splitSerial.value_or(SplitWrite{}), {});
    return r;
  }
  if (letter == 'Z' && n == 0) {
    r.journal.push_back("cmd Z");
    if (CanAnswer()) {
      // Asked again: start over from the first record.
      next_ = 0;
      awaitingAck_ = -1;
      SendRecord(r);
    }
    return r;
  }
  if (letter == 'Z' && n == 1 && payload[0] == 1 && f[4] == 0 && f[5] == 0) {
    int number = static_cast<unsigned char>(f[3]);
    r.journal.push_back("ack " + std::to_string(number));
    // The meter sends the next record only after the acknowledgement of the one just sent.
    if (!CanAnswer() || awaitingAck_ < 0 || numbers_[awaitingAck_] != number) return r;
    int pos = awaitingAck_ + 1;
    awaitingAck_ = -1;
    if (options_.unplugDuringAck == pos) {
      r.steps.push_back({OutStep::Kind::Unplug, {}, 0, {}});
    } else if (options_.stopAfter == pos) {
      stopped_ = true;
    } else {
      SendRecord(r);
    }
    return r;
  }
  bad();
  return r;
}

}  // namespace movra::sim
