// --database URL of the subcommands that read or write the history, and the clinic database
// server a command uses from it, MOVRA_DATABASE and the settings.
#pragma once
#include <string>

#include "cli_options.h"

namespace movra::cli {

OptionSpec DatabaseOption();

// Refuses a --database that is no postgresql:// or postgres:// address (UsageError), before
// anything is opened. An empty one is taken: it keeps the command local.
void CheckDatabaseOption(const ParsedOptions& options);

// The server a command uses and this PC's site; url "" keeps the history local.
struct ClinicChoice {
  std::string url;
  std::string site;
};

// --database, else MOVRA_DATABASE, else [DATABASE] Url= (so call it once the settings are
// read: after OpenProgramDatabase). The site is always the settings'.
ClinicChoice ChosenClinic(const ParsedOptions& options);

}  // namespace movra::cli
