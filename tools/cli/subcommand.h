// One movra-cli subcommand: its name, a line of help, its options and what it runs.
#pragma once
#include <string>
#include <vector>

#include "cli_options.h"

namespace movra::cli {

// Exit codes shared by the subcommands.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitPortNotOpened = 3;
constexpr int kExitDatabase = 4;  // another copy holds the database, or it cannot be opened
constexpr int kExitIncomplete = 5;  // the meter still holds records that were not read
constexpr int kExitNoResults = 6;   // nothing ticked to report on, or only control results
constexpr int kExitNoMeter = 7;     // the port opened, but nothing answered the meter's commands
constexpr int kExitSendFailed = 8;  // the FHIR server did not take the results
constexpr int kExitClinic = 9;      // the clinic's database cannot be used; what waits here is kept
constexpr int kExitInterrupted = 130;

struct Subcommand {
  std::string name;
  std::string summary;
  std::vector<OptionSpec> options;
  int (*run)(const ParsedOptions& options);
  std::string notes;  // more help lines, printed after the options
  size_t words = 0;   // arguments that are no options it takes (a file, a group)
};

// The subcommands, one per file; main() lists them in its table.
Subcommand PortsSubcommand();
Subcommand DownloadSubcommand();
Subcommand ReportSubcommand();
Subcommand HistorySubcommand();
Subcommand PatientSubcommand();
Subcommand BackupSubcommand();
Subcommand FhirSubcommand();
Subcommand DatabaseSubcommand();

}  // namespace movra::cli
