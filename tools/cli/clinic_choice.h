// The clinic's database as a movra-cli command uses it: the target chosen by --database,
// MOVRA_DATABASE or the settings, and the history read from it or, when it is away, from
// this PC.
#pragma once
#include <optional>
#include <string>

#include "cli_options.h"
#include "clinic/clinic_history.h"
#include "data/data_module.h"

namespace movra::cli {

extern const char* const kNoClinicDatabaseText;

// After the settings are read; option is the value of --database.
ClinicTarget ChosenClinicTarget(const std::optional<std::string>& option);
ClinicTarget ChosenClinicTarget(const ParsedOptions& options);
// The history a command reads: the clinic's when it answers (what waited here is sent
// first); else this PC's, and why on stderr.
ClinicHistory OpenChosenHistory(TDM& dm, const ParsedOptions& options);

}  // namespace movra::cli
