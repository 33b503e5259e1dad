// A meter in memory behind the byte-stream interface: the simulator's own conversation
// (its records, answers and faults, from the same options as movra-meter-sim) without a
// pseudo-terminal, so a whole transfer runs on any platform. Answers come back on the
// owner thread's loop, as a serial port's do, and, paced, no faster than the line speed
// would carry them. A meter asked at a speed it does not speak hears garbage and says nothing.
#pragma once
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/messages.h"
#include "comm/byte_transport.h"
#include "meter_conversation.h"
#include "meter_frames.h"
#include "sim_options.h"
#include "sim_records.h"

namespace movra::test {

class ScriptedMeter final : public ByteTransport {
 public:
  // The simulator's options ("--generate 5 --bad-crc 3 --no-pace"); throws sim::UsageError.
  explicit ScriptedMeter(const std::vector<std::string>& simArgs);
  ~ScriptedMeter() override;

  void SetLine(const std::string& name, const SerialLineSettings& settings) override;
  const std::string& Name() const override { return name_; }
  bool Open() override;
  void Close() override;
  bool IsOpen() const override;
  TransportOpenFailure LastOpenFailure() const override;
  bool Write(const uint8_t* bytes, size_t n) override;

  // The simulator's journal lines so far ("cmd A", "ack 5", "send 5", "unplug").
  std::vector<std::string> Journal() const;
  int JournalCount(const std::string& line) const;
  // Acknowledgements heard.
  int AckCount() const;

 private:
  void Run();
  void Deliver(std::string bytes);
  void FailLine();
  bool Answers(uint32_t baud) const;
  // Waits until the time passes; false when the line closed meanwhile.
  bool Sleep(std::unique_lock<std::mutex>& lock, std::chrono::microseconds d);

  sim::SimOptions options_;
  std::vector<sim::SimRecord> records_;
  std::string name_ = "COM1";
  uint32_t baud_ = 9600;
  std::shared_ptr<Dispatcher> owner_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for deliveries still queued

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  sim::MeterConversation conversation_;
  sim::CommandReader reader_;
  std::deque<sim::OutStep> pending_;
  std::vector<std::string> journal_;
  bool open_ = false;
  bool unplugged_ = false;
  std::thread line_;
};

}  // namespace movra::test
