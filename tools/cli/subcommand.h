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
constexpr int kExitInterrupted = 130;

struct Subcommand {
  std::string name;
  std::string summary;
  std::vector<OptionSpec> options;
  int (*run)(const ParsedOptions& options);
};

// The subcommands, one per file; main() lists them in its table.
Subcommand DownloadSubcommand();

}  // namespace movra::cli
