// What the user is told of the clinic's database: where the history shown comes from, and
// that results wait on this PC.
#pragma once
#include <string>

#include "clinic/clinic_history.h"

namespace movra {

// Results wait on this PC: how many, when they go, and the reason on a line of its own.
std::string ClinicAwayMessage(const ClinicSend& send);

// The line above the History window's table: the server's history (named by its host and
// database, never its credentials), or this PC's alone and why.
std::string HistorySourceText(const ClinicHistory& history, const ClinicTarget& target);

// libpq's reason as a box or a terminal shows it: its hint lines, indented with a tab, start
// at the margin, and no blank line ends it.
std::string PlainReason(const std::string& text);

// "host:port/dbname" of a postgresql:// URL, "" when it names none (a service file's).
std::string ClinicServerName(const std::string& url);

}  // namespace movra
