// movra-cli download --port PORT [--baud RATE]: one transfer through the meter component,
// without a window. Prints the serial number, one line per record as the records are
// taken, and the count.
#include <cstdio>
#include <optional>
#include <string>

#include "app/event_loop.h"
#include "comm/port_names.h"
#include "cli_environment.h"
#include "meter/hb_meter.h"
#include "record_output.h"
#include "subcommand.h"

namespace movra::cli {

namespace {

constexpr long kDefaultBaud = 4800;  // the first meter generation; the second talks at 9600

void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// "COM<n>" with n from 1 to 255, the numbers the meter component's SetPort takes.
std::optional<int> ComNumberOf(const std::string& name) {
  if (name.size() < 4 || name.compare(0, 3, "COM") != 0) return std::nullopt;
  if (name.find_first_not_of("0123456789", 3) != std::string::npos || name.size() > 6) return std::nullopt;
  int n = std::stoi(name.substr(3));
  if (n < 1 || n > 255) return std::nullopt;
  return n;
}

// Prints as the window would store: every record waiting when the meter says so.
class DownloadPrinter {
 public:
  explicit DownloadPrinter(CHBMeter& meter) : meter_(meter) {}

  void OnMessage(const Message& m) {
    if (m.id == WM_METER_RECORDS) TakeRecords();
    if (m.id == WM_TRANSFER_END) ended_ = true;
  }
  void Finish() {
    TakeRecords();
    PrintSerialNumber();
    PrintLine("Records: " + std::to_string(count_));
  }
  bool Ended() const { return ended_; }

 private:
  void PrintSerialNumber() {
    if (serialPrinted_) return;
    serialPrinted_ = true;
    PrintLine("SerialNumber: " + meter_.SerialNumber());
  }
  void TakeRecords() {
    TMeterRecord r;
    while (meter_.Records().Pop(r)) {
      PrintSerialNumber();
      PrintLine(RecordLine(r));
      ++count_;
    }
  }

  CHBMeter& meter_;
  bool serialPrinted_ = false;
  bool ended_ = false;
  long count_ = 0;
};

int RunDownload(const ParsedOptions& options) {
  std::string port = *options.value("port");
  long baud = options.has("baud") ? options.number("baud", 1, 4000000) : kDefaultBaud;
  if (!DevicePathForCommName(port)) throw UsageError("--port wants COM<n> or a device path, not \"" + port + "\"");

  auto loop = EventLoop::createForThisThread();
  InstallInterruptFlag();
  PrepareCliEnvironment();

  CHBMeter meter;
  DownloadPrinter printer(meter);
  MessageTarget window([&printer](Message& m) { printer.OnMessage(m); });
  meter.NotifyWindow = window.handle();
  // No parity, 8 data bits, 1 stop bit, as for every transfer.
  if (auto n = ComNumberOf(port))
    meter.SetPort(*n, static_cast<int32_t>(baud), 0, 3, 0);
  else
    meter.SetPortName(port, static_cast<int32_t>(baud), 0, 3, 0);

  bool started = false;
  try {
    started = meter.StartComm();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "movra-cli: cannot open %s: %s\n", port.c_str(), e.what());
    return kExitPortNotOpened;
  }
  if (!started) {
    const TComm& comm = meter.Comm();
    std::string why = comm.PortOpenError();
    if (!comm.LastFailureText().empty()) why += " (" + comm.LastFailureText() + ")";
    std::fprintf(stderr, "movra-cli: cannot open %s: %s\n", port.c_str(), why.c_str());
    return kExitPortNotOpened;
  }

  loop->runUntil([&] { return !meter.IsRunning() || Interrupted(); }, std::chrono::hours(24 * 365));
  // The transfer's last messages were posted before its thread ended.
  loop->processPending();
  bool interrupted = meter.IsRunning();
  printer.Finish();
  if (interrupted) return kExitInterrupted;
  return printer.Ended() ? kExitOk : kExitFailure;
}

}  // namespace

Subcommand DownloadSubcommand() {
  return Subcommand{
      "download",
      "one transfer from the meter on PORT; prints its serial number and records",
      {
          {"port", "PORT", "COM<n> or a device path such as /dev/ttyUSB0", true},
          {"baud", "RATE", "line speed: 4800 (default) or 9600", false},
      },
      &RunDownload,
  };
}

}  // namespace movra::cli
