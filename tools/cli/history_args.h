// What the history's subcommands share: days and groups from the command line, and the
// kept results of a group's patient over a period.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "cli_options.h"
#include "data/history_store.h"

namespace movra::cli {

// A day "YYYY-MM-DD" that is a calendar date; UsageError naming the option otherwise.
TDateTime ParseDay(const std::string& option, const std::string& text);
// "SN/PATIENT": the meter's serial number and the patient ID (which may be empty).
MeterPatient ParseGroup(const std::string& text);
// "2.0-3.0" as tenths; UsageError otherwise.
TenthsRange ParseRangeOption(const std::string& text);

// --group SN/PATIENT, --from DAY and --to DAY as the history's subcommands take them.
std::vector<OptionSpec> GroupPeriodOptions(bool groupRequired);
// Checks their values, before the database is opened: UsageError for a bad group or day.
void CheckGroupPeriod(const ParsedOptions& options);

// --group, --from and --to as a query: every pair of the group's patient. UsageError for a
// bad day or a period that ends before it begins.
HistoryQuery QueryOf(const ParsedOptions& options, HistoryStore& store);
// True when the history holds results of the group's patient at any time; a group it does
// not know is told on stderr with the groups it does know.
bool KnownGroup(const ParsedOptions& options, HistoryStore& store, const char* subcommand);

}  // namespace movra::cli
