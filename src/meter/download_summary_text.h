// The words that end a download: the summary and, when the meter may still hold records
// that did not reach the database, a second line that says so and what to do.
#pragma once
#include <cstdint>
#include <string>

#include "meter/transfer_outcome.h"

namespace movra {

// The translated second line, or "" when every transfer ended after the meter's last
// record and every record read was saved. notSaved: records read but not written to the
// database; invalid: records read that cannot be results (no calendar date, no time of
// day, an INR that is no number) and were not stored.
std::string IncompleteDownloadText(const DownloadOutcome& outcome, int32_t notSaved = 0, int32_t invalid = 0);

// The sentence that counts the invalid records, or "" for none.
std::string InvalidRecordsText(int32_t invalid);

// "Finished transfering. Total records: " + total + "! ", then the second line on a line
// of its own when there is one.
std::string DownloadSummaryText(int32_t total, const DownloadOutcome& outcome, int32_t notSaved = 0,
                                int32_t invalid = 0);

}  // namespace movra
