// bench-transfer: paced transfers of 50 records against the simulator, at 4800 and at
// 9600 baud. Prints one line per figure: name, value, unit, target.
//  - record period over the protocol floor: after a frame has arrived whole, the serial
//    reader waits out its 100 ms read gap, then the acknowledgement (11 bytes) and the next
//    frame (27 bytes) cross the wire. Polling the frame queue instead of waking on it
//    would add up to 100 ms per record.
//  - CPU time of the process as a share of the wall time of the transfer.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "app/event_loop.h"
#include "app/folders.h"
#include "app/trace.h"
#include "meter/hb_meter.h"
#include "sim_process.h"
#include "temp_dir.h"

using namespace movra;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRecords = 50;
constexpr double kReadGapMs = 100;
constexpr int kAckBytes = 11;
constexpr int kFrameBytes = 27;
constexpr int kBitsPerByte = 10;  // start bit, 8 data bits, stop bit

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct TransferFigures {
  bool ok = false;
  int records = 0;
  double meanPeriodMs = 0;
  double cpuShare = 0;  // of one core
};

TransferFigures RunTransfer(int baud) {
  TransferFigures f;
  test::SimProcess sim;
  if (!sim.start({"--generate", std::to_string(kRecords), "--generation", std::to_string(baud)})) {
    std::fprintf(stderr, "bench-transfer: %s\n", sim.lastError().c_str());
    return f;
  }
  auto loop = EventLoop::createForThisThread();
  std::vector<Clock::time_point> recordTimes;
  CHBMeter meter;
  MessageTarget window([&](Message& m) {
    if (m.id != MessageId::MeterRecords) return;
    recordTimes.push_back(Clock::now());
    TMeterRecord r;
    while (meter.Records().Pop(r)) ++f.records;
  });
  meter.NotifyWindow = window.handle();
  meter.SetPortName(sim.devicePath(), baud, 0, 3, 0);

  double cpu0 = CpuSeconds();
  auto wall0 = Clock::now();
  if (!meter.StartComm()) {
    std::fprintf(stderr, "bench-transfer: cannot open %s\n", sim.devicePath().c_str());
    return f;
  }
  loop->runUntil([&] { return !meter.IsRunning(); }, std::chrono::minutes(2));
  loop->processPending();
  double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
  f.cpuShare = (CpuSeconds() - cpu0) / wall;
  if (recordTimes.size() >= 2) {
    double span = std::chrono::duration<double, std::milli>(recordTimes.back() - recordTimes.front()).count();
    f.meanPeriodMs = span / static_cast<double>(recordTimes.size() - 1);
  }
  f.ok = f.records == kRecords;
  if (!f.ok) std::fprintf(stderr, "bench-transfer: %d of %d records at %d baud\n", f.records, kRecords, baud);
  return f;
}

}  // namespace

int main() {
  // Logs are written as in real use, into a scratch data folder.
  test::TempDir scratch;
  scratch.mkdirs("PTDATA/Data");
  DataRoot = scratch.file("PTDATA");
  DataDir = DataRoot + "/";
  OpenTrace();

  int status = 0;
  for (int baud : {4800, 9600}) {
    TransferFigures f = RunTransfer(baud);
    if (!f.ok) {
      status = 1;
      continue;
    }
    double floorMs = kReadGapMs + (kAckBytes + kFrameBytes) * kBitsPerByte * 1000.0 / baud;
    std::printf("record_period_over_floor_%d, %.3f, ratio (%.1f ms / %.1f ms), <= 1.05\n", baud,
                f.meanPeriodMs / floorMs, f.meanPeriodMs, floorMs);
    std::printf("cpu_share_%d, %.3f, %% of one core, <= 1\n", baud, f.cpuShare * 100);
  }
  CloseTrace();
  return status;
}
