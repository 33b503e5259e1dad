// The target range of the INR report, kept in the settings file under its own section:
//   [REPORT]
//   TargetLow=2.0
//   TargetHigh=3.0
// A missing section takes the usual range 2.0-3.0; a value that is malformed or outside
// what a target can be takes it too, with a line in the debug trace.
#pragma once
#include <optional>
#include <string>

#include "report/ttr.h"

namespace movra {

constexpr const char* kReportSection = "REPORT";
constexpr const char* kTargetLowKey = "TargetLow";
constexpr const char* kTargetHighKey = "TargetHigh";

// A target lies inside the meter's measuring range (0.7 to 7.0, both of which stand for
// the arrows), so an arrow is never in range: 0.8 <= low < high <= 6.9.
constexpr int kLowestTargetTenths = 8;
constexpr int kHighestTargetTenths = 69;

// An INR of at most one decimal ("2", "2.5", "2.50"; "," taken as the decimal point too)
// in tenths; nullopt for anything else.
std::optional<int> ParseInrTenths(const std::string& text);
// Both bounds valid and low below high.
bool IsValidTarget(TargetRange range);
// "LOW-HIGH" as the command line gives it ("2.0-3.0", "2-3"); nullopt when malformed.
std::optional<TargetRange> ParseTargetRangeText(const std::string& text);

// The range from the settings file at `path`; the default when absent or malformed (then
// traced with BugMessage).
TargetRange ReadTargetRange(const std::string& path);
// The range from the settings file the program reads (ConfigFilePath).
TargetRange ReadConfiguredTargetRange();

// Writes the two keys into the [REPORT] section of the file at `path`, adding the section
// or the keys when missing; every other line stays as it was. The error text when the
// file cannot be written, nullopt when written.
std::optional<std::string> WriteTargetRange(const std::string& path, TargetRange range);

// "2.5": tenths with a point, for the settings file and the command line.
std::string TenthsText(int tenths);

}  // namespace movra
