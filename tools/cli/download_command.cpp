// movra-cli download --port PORT [--baud RATE] [--store [--clear] [--csv FILE] [--xls FILE]]:
// one transfer through the meter component, without a window.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/dialogs.h"
#include "app/event_loop.h"
#include "cli_environment.h"
#include "comm/port_names.h"
#include "download_printer.h"
#include "download_store.h"
#include "interrupt_watch.h"
#include "meter/download_summary_text.h"
#include "meter/hb_meter.h"
#include "subcommand.h"
#include "whole_download.h"

namespace movra::cli {

namespace {

constexpr long kDefaultBaud = 4800;  // the first meter generation; the second talks at 9600

// "COM<n>" with n from 1 to 255, the numbers the meter component's SetPort takes.
std::optional<int> ComNumberOf(const std::string& name) {
  if (name.size() < 4 || name.compare(0, 3, "COM") != 0) return std::nullopt;
  if (name.find_first_not_of("0123456789", 3) != std::string::npos || name.size() > 6) return std::nullopt;
  int n = std::stoi(name.substr(3));
  if (n < 1 || n > 255) return std::nullopt;
  return n;
}

std::optional<StoreRequest> StoreRequestOf(const ParsedOptions& options) {
  if (!options.has("store")) {
    for (const char* needsStore : {"clear", "csv", "xls"})
      if (options.has(needsStore)) throw UsageError(std::string("--") + needsStore + " needs --store");
    return std::nullopt;
  }
  StoreRequest request;
  request.clearFirst = options.has("clear");
  request.csvName = options.value("csv");
  request.xlsName = options.value("xls");
  for (const auto* name : {&request.csvName, &request.xlsName})
    if (*name && (*name)->empty()) throw UsageError("an export file name must not be empty");
  return request;
}

// What the window's summary says in its second line when records stay in the meter (the
// transfer ended before the meter had sent all it holds, or notSaved records read could not
// be stored); the exit code tells it too.
int ReportOutcome(const TransferOutcome& transfer, int exitCode, int32_t notSaved = 0) {
  DownloadOutcome outcome;
  outcome.Add(transfer);
  std::string text = IncompleteDownloadText(outcome, notSaved);
  if (text.empty()) return exitCode;
  ShowInfo(text);
  return exitCode == kExitOk ? kExitIncomplete : exitCode;
}

// A meter answers the device-mode command before anything else, even when it holds no
// record; a line that stayed quiet means a meter that is off, at another speed, or not there.
bool NoMeterAnswered(const CHBMeter& meter, const TransferOutcome& outcome) {
  return outcome.recordsAccepted == 0 && meter.ReceiveState() == AwaitDevMode;
}

// Opens the port and runs the transfer to its end, feeding its messages to `sink`.
int RunTransfer(EventLoop& loop, const InterruptWatch& interrupts, CHBMeter& meter, DownloadSink& sink,
                const std::string& port, long baud) {
  MessageTarget window([&sink, &meter](Message& m) {
    // What the transfer has to tell goes to stderr as the window's box would show it.
    if (m.id == MessageId::MeterNotice) ShowNotices(meter.TakeNotices());
    sink.OnMessage(m);
  });
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

  loop.runUntil([&] { return !meter.IsRunning() || interrupts.Interrupted(); }, std::chrono::hours(24 * 365));
  // Stopped, the thread still acknowledges and announces the record in hand before it ends.
  if (interrupts.Interrupted()) meter.StopTransfer();
  // The transfer's last messages were posted before its thread ended.
  loop.processPending();
  ShowNotices(meter.TakeNotices());
  const TransferOutcome outcome = meter.LastTransferOutcome();
  int exitCode = ReportOutcome(outcome, sink.Finish(interrupts.Interrupted()));
  if (exitCode == kExitOk && NoMeterAnswered(meter, outcome)) {
    std::fprintf(stderr,
                 "movra-cli: no meter answered on %s at %ld baud. Check that the meter is switched on and "
                 "connected, and the speed: 4800 for the first meter generation, 9600 for the second.\n",
                 port.c_str(), baud);
    return kExitNoMeter;
  }
  return exitCode;
}

int RunDownload(const ParsedOptions& options) {
  if (!options.has("port")) {
    if (options.has("baud")) throw UsageError("--baud needs --port");
    return RunWholeDownload(StoreRequestOf(options));
  }
  std::string port = *options.value("port");
  long baud = options.has("baud") ? options.number("baud", 1, 4000000) : kDefaultBaud;
  if (!DevicePathForCommName(port)) throw UsageError("--port wants COM<n> or a device path, not \"" + port + "\"");
  std::optional<StoreRequest> storeRequest = StoreRequestOf(options);

  auto loop = EventLoop::createForThisThread();
  InterruptWatch interrupts(loop);

  // The data module lives longer than the meter, as it outlives the window.
  std::unique_ptr<TDM> dm;
  if (storeRequest) {
    dm = OpenProgramDatabase();
    if (!dm) return kExitDatabase;
  } else {
    PrepareCliEnvironment();
  }

  CHBMeter meter;
  if (!storeRequest) {
    DownloadPrinter printer(meter);
    return RunTransfer(*loop, interrupts, meter, printer, port, baud);
  }
  DownloadStore store(meter, *dm, *storeRequest);
  if (!store.Prepare()) return kExitDatabase;
  return RunTransfer(*loop, interrupts, meter, store, port, baud);
}

}  // namespace

Subcommand DownloadSubcommand() {
  return Subcommand{
      "download",
      "the Download command: every USB-to-UART port that `ports` lists, at 4800 and then at 9600\n"
      "    baud, or one transfer from the meter on PORT; prints the serial numbers and records or,\n"
      "    with --store, stores them and prints the result list",
      {
          {"port", "PORT", "COM<n> (a port that `ports` lists) or a device path such as /dev/ttyUSB0: one\n"
                           "                       transfer from that port only; without it, every listed port",
           false},
          {"baud", "RATE", "with --port: line speed: 4800 (default) or 9600", false},
          {"store", "", "store the records in the program's database as the window does (PTDATA/Data beside\n"
                        "                       this program, or ~/.local/share/movra/PTDATA/Data when it is installed),\n"
                        "                       printing its progress line for each record, then print the result list",
           false},
          {"clear", "", "with --store: empty the result table first; without it the rows are added", false},
          {"csv", "FILE", "with --store: export the ticked rows to FILE (\".csv\" is added unless FILE ends so)",
           false},
          {"xls", "FILE", "with --store: export the ticked rows to the workbook FILE (\".xls\" is added unless\n"
                          "                       FILE ends so; made from data/MovraTemplate.xls beside the program)",
           false},
      },
      &RunDownload,
      "    Without --port the command reads as the window's Download does: each listed port at 4800,\n"
      "    then at 9600 every port whose meter did not answer at 4800, one after the other, each\n"
      "    record stored before the meter hears it acknowledged; stderr tells each port read and\n"
      "    ends with the window's summary (\"Message: Finished transfering. ...\"). Its exit codes\n"
      "    are those below; 7 also when no port is listed (\"Meter is not ready!\").\n"
      "    The result list: one line per row, tab-separated: record number, patient id, date format,\n"
      "    date (mm/dd/yyyy hh:nn:ss), time, AM/PM, INR value, INR text, PT, sample type, control\n"
      "    level, serial number, ticked (0 or 1). Messages go to stderr as caption: text. An existing\n"
      "    export file is replaced only by a whole new one; a target that is no regular file is refused.\n"
      "    A transfer that ended before the meter had sent all it holds (a frame rejected for its\n"
      "    CRC, a damaged frame, the line hung up, or records that stop before the meter's count)\n"
      "    is told on stderr; what was read is stored and exported all the same.\n"
      "    Exit codes: 0 done; 1 the transfer or a requested store or export failed; 2 usage;\n"
      "    3 the port cannot be opened; 4 the database is in use by another copy or cannot be\n"
      "    opened or written; 5 the transfer was incomplete: records not read are still in the\n"
      "    meter; 7 no meter answered on the port at that speed (nothing is stored); 130 stopped\n"
      "    by Ctrl-C, SIGTERM or SIGHUP: the transfer ends, every record the meter saw\n"
      "    acknowledged is stored, nothing is exported. Records the database could not take are\n"
      "    still listed and exported, and counted on stderr (exit code 1). Output that cannot be\n"
      "    written (a closed pipe) ends nothing early: the download and its store run to the end,\n"
      "    and the exit code is 1.\n",
  };
}

}  // namespace movra::cli
