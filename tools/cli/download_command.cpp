// movra-cli download --port PORT [--baud RATE] [--store [--clear] [--csv FILE] [--xls FILE]]:
// the whole Download command, or one transfer from one port, through the core's downloader.
#include <optional>
#include <string>

#include "clinic_option.h"
#include "comm/port_names.h"
#include "port_download.h"
#include "subcommand.h"
#include "whole_download.h"

namespace movra::cli {

namespace {

constexpr long kDefaultBaud = 4800;  // the first meter generation; the second talks at 9600

std::optional<StoreRequest> StoreRequestOf(const ParsedOptions& options) {
  if (!options.has("store")) {
    for (const char* needsStore : {"clear", "csv", "xls", "database"})
      if (options.has(needsStore)) throw UsageError(std::string("--") + needsStore + " needs --store");
    return std::nullopt;
  }
  StoreRequest request;
  request.clearFirst = options.has("clear");
  request.csvName = options.value("csv");
  request.xlsName = options.value("xls");
  request.databaseOption = options.value("database");
  for (const auto* name : {&request.csvName, &request.xlsName})
    if (*name && (*name)->empty()) throw UsageError("an export file name must not be empty");
  return request;
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

  return RunPortDownload(port, static_cast<int>(baud), storeRequest);
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
          DatabaseOption(),
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
