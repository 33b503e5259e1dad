// A meter component on its own message loop, talking to the simulator on a pty, with a
// window that records every message the transfer thread posts and takes the records as
// the main window does.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/event_loop.h"
#include "meter/hb_meter.h"
#include "meter_test_support.h"
#include "recording_presenter.h"
#include "sim_process.h"

namespace movra::test {

struct SeenMessage {
  MessageId id;
  uint64_t wParam;
  int64_t lParam;
  std::chrono::steady_clock::time_point at;
};

class TransferTest : public ::testing::Test {
 protected:
  TransferTest();
  ~TransferTest() override;

  // Starts the simulator with these options and a transfer against it at `baud`.
  void StartTransfer(const std::vector<std::string>& simArgs, int baud = 4800);
  // Starts another transfer on the same component and simulator.
  void StartAgain(int baud = 4800);
  // Runs the loop until the transfer thread has ended; false on time-out.
  bool RunToEnd(std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // Messages of one kind, in order.
  std::vector<SeenMessage> Seen(MessageId id) const;
  long MsSinceStart(const SeenMessage& m) const;

  ScopedPresenter presenter;
  LogFolder logs;
  std::shared_ptr<EventLoop> loop;
  std::unique_ptr<CHBMeter> meter;
  std::unique_ptr<MessageTarget> window;
  SimProcess sim;
  std::vector<SeenMessage> messages;
  std::vector<TMeterRecord> taken;
  bool takeRecords = true;  // the window takes the records on each MessageId::MeterRecords
  std::chrono::steady_clock::time_point started;
};

}  // namespace movra::test
