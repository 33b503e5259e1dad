#include "transfer_fixture.h"

namespace movra::test {

TransferTest::TransferTest() : loop(EventLoop::createForThisThread()), meter(std::make_unique<CHBMeter>()) {
  window = std::make_unique<MessageTarget>([this](Message& m) {
    messages.push_back({m.id, m.wParam, m.lParam, std::chrono::steady_clock::now()});
    if (m.id == MessageId::MeterRecords && takeRecords) {
      TMeterRecord r;
      while (meter && meter->Records().Pop(r)) taken.push_back(r);
    }
  });
}

TransferTest::~TransferTest() {
  meter.reset();
  window.reset();
  sim.stop();
}

void TransferTest::StartTransfer(const std::vector<std::string>& simArgs, int baud) {
  ASSERT_TRUE(sim.start(simArgs)) << sim.lastError();
  StartAgain(baud);
}

void TransferTest::StartAgain(int baud) {
  meter->SetPortName(sim.devicePath(), baud, 0, 3, 0);
  meter->NotifyWindow = window->handle();
  started = std::chrono::steady_clock::now();
  ASSERT_TRUE(meter->StartComm()) << meter->Comm().PortOpenError() << " " << meter->Comm().LastFailureText();
}

bool TransferTest::RunToEnd(std::chrono::milliseconds timeout) {
  bool ended = loop->runUntil([this] { return !meter->IsRunning(); }, timeout);
  loop->processPending();
  return ended;
}

std::vector<SeenMessage> TransferTest::Seen(MessageId id) const {
  std::vector<SeenMessage> out;
  for (const auto& m : messages)
    if (m.id == id) out.push_back(m);
  return out;
}

long TransferTest::MsSinceStart(const SeenMessage& m) const {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(m.at - started).count());
}

}  // namespace movra::test
