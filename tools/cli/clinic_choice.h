// Which clinic database a movra-cli command uses: --database URL, else MOVRA_DATABASE, else
// [DATABASE] Url= of the settings; none of them means this PC's history alone.
#pragma once
#include <optional>
#include <string>

#include "cli_options.h"
#include "clinic/clinic_history.h"
#include "data/data_module.h"

namespace movra::cli {

extern const char* const kNoClinicDatabaseText;

OptionSpec DatabaseOptionSpec();
// After the settings are read; option is the value of --database.
ClinicTarget ChosenClinicTarget(const std::optional<std::string>& option);
ClinicTarget ChosenClinicTarget(const ParsedOptions& options);
std::string ChosenClinicSite();
// The history a command reads: the clinic's when it answers (what waited here is sent
// first); else this PC's, and why on stderr.
ClinicHistory OpenChosenHistory(TDM& dm, const ParsedOptions& options);

}  // namespace movra::cli
