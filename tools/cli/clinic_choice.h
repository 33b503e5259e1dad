// The clinic's database as a movra-cli command uses it: the target chosen by --database,
// MOVRA_DATABASE or the settings, and the history read from it or, when it is away, from
// this PC.
#pragma once
#include <functional>

#include "cli_options.h"
#include "clinic/clinic_history.h"
#include "data/data_module.h"

namespace movra::cli {

extern const char* const kNoClinicDatabaseText;

// The history a command reads: the clinic's when it answers (what waited here is sent
// first); else this PC's, and why on stderr.
ClinicHistory OpenChosenHistory(TDM& dm, const ParsedOptions& options);
// Runs a command's work on the history, which returns its exit code (kExitOk to go on). An
// error of this PC's database is told and ends it with kExitDatabase, one of the clinic's
// with kExitClinic.
int WithHistoryErrors(const std::function<int()>& work);

}  // namespace movra::cli
