// --database URL of the subcommands that read or write the history, refused before anything
// is opened when it is no address of a clinic database.
#pragma once
#include <string>

#include "cli_options.h"

namespace movra::cli {

OptionSpec DatabaseOption();

// Refuses a --database that is no postgresql:// or postgres:// address (UsageError), before
// anything is opened. An empty one is taken: it keeps the command local.
void CheckDatabaseOption(const ParsedOptions& options);

}  // namespace movra::cli
