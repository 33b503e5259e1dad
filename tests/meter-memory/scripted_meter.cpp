#include "scripted_meter.h"

#include <algorithm>

namespace movra::test {

namespace {

sim::SimOptions Parsed(const std::vector<std::string>& args) { return sim::ParseSimOptions(args); }

std::vector<sim::SimRecord> RecordsOf(const sim::SimOptions& o) {
  if (o.generate > 0) return sim::GenerateRecords(o.generate, o.countUp);
  if (!o.recordsFile.empty()) return sim::LoadRecordsFile(o.recordsFile);
  return {};
}

}  // namespace

ScriptedMeter::ScriptedMeter(const std::vector<std::string>& simArgs)
    : options_(Parsed(simArgs)),
      records_(RecordsOf(options_)),
      owner_(Dispatcher::current()),
      conversation_(options_, records_) {}

ScriptedMeter::~ScriptedMeter() { Close(); }

void ScriptedMeter::SetLine(const std::string& name, const SerialLineSettings& settings) {
  std::lock_guard<std::mutex> lock(mutex_);
  name_ = name;
  baud_ = settings.baudRate;
}

bool ScriptedMeter::Answers(uint32_t baud) const {
  return (baud == 4800 && options_.answers4800) || (baud == 9600 && options_.answers9600);
}

bool ScriptedMeter::Open() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (unplugged_ || open_) return false;
  open_ = true;
  conversation_.Reset();
  reader_.Reset();
  pending_.clear();
  journal_.push_back("open " + std::to_string(baud_));
  line_ = std::thread([this] { Run(); });
  return true;
}

void ScriptedMeter::Close() {
  std::thread line;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return;
    open_ = false;
    pending_.clear();
    journal_.push_back("close");
    line.swap(line_);
  }
  wake_.notify_all();
  if (line.joinable()) line.join();
}

bool ScriptedMeter::IsOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_;
}

TransportOpenFailure ScriptedMeter::LastOpenFailure() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (unplugged_) return {"Error opening serial port", PortFailure::NoSuchDevice, name_ + ": unplugged"};
  if (open_) return {"This serial port already opened", PortFailure::None, ""};
  return {};
}

bool ScriptedMeter::Write(const uint8_t* bytes, size_t n) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_ || unplugged_) return false;
  // At another speed the meter only sees garbage on its line, and says nothing.
  if (!Answers(baud_)) return true;
  std::vector<sim::CommandReader::Piece> pieces;
  reader_.Feed(sim::Bytes(reinterpret_cast<const char*>(bytes), n), pieces);
  for (const auto& piece : pieces) {
    if (!piece.frame) {
      journal_.push_back("junk " + sim::ToHex(piece.bytes));
      continue;
    }
    sim::Reaction r = conversation_.OnCommand(piece.bytes);
    journal_.insert(journal_.end(), r.journal.begin(), r.journal.end());
    if (r.dropPendingOutput) pending_.clear();
    pending_.insert(pending_.end(), r.steps.begin(), r.steps.end());
  }
  wake_.notify_all();
  return true;
}

bool ScriptedMeter::Sleep(std::unique_lock<std::mutex>& lock, std::chrono::microseconds d) {
  auto until = std::chrono::steady_clock::now() + d;
  return !wake_.wait_until(lock, until, [this] { return !open_; });
}

void ScriptedMeter::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return !open_ || !pending_.empty(); });
    if (!open_) return;
    sim::OutStep step = pending_.front();
    pending_.pop_front();
    if (step.gapMsBefore > 0 && !Sleep(lock, std::chrono::milliseconds(step.gapMsBefore))) return;
    if (step.kind == sim::OutStep::Kind::Unplug) {
      unplugged_ = true;
      pending_.clear();
      journal_.push_back("unplug");
      FailLine();
      continue;
    }
    // Ten bits a byte: start, eight data bits, stop.
    if (options_.pace && !Sleep(lock, std::chrono::microseconds(step.bytes.size() * 10 * 1000000 / baud_))) return;
    Deliver(step.bytes);
    if (!step.journalWhenDone.empty()) journal_.push_back(step.journalWhenDone);
  }
}

void ScriptedMeter::Deliver(std::string bytes) {
  if (!owner_) return;
  owner_->dispatch([this, alive = std::weak_ptr<bool>(alive_), bytes = std::move(bytes)] {
    if (alive.expired()) return;
    if (auto h = OnReceive) h(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  });
}

void ScriptedMeter::FailLine() {
  if (!owner_) return;
  owner_->dispatch([this, alive = std::weak_ptr<bool>(alive_)] {
    if (alive.expired()) return;
    if (auto h = OnLineFailure) h();
  });
}

std::vector<std::string> ScriptedMeter::Journal() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return journal_;
}

int ScriptedMeter::JournalCount(const std::string& line) const {
  auto j = Journal();
  return static_cast<int>(std::count(j.begin(), j.end(), line));
}

int ScriptedMeter::AckCount() const {
  auto j = Journal();
  return static_cast<int>(std::count_if(j.begin(), j.end(), [](const std::string& l) { return l.rfind("ack ", 0) == 0; }));
}

}  // namespace movra::test
