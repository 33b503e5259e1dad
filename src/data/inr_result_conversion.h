// How a result is read from what holds it: a record just received from the meter, or a
// row of the result list (Result_Log with the list's calculated fields).
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "data/inr_result.h"
#include "data/row_set.h"
#include "meter/meter_record.h"

namespace movra {

// A meter record read as a result, or nothing when it can be no result (an INR that is
// no number, a date that is no calendar date, a time that is no time of day); `notes`
// says why, as the trace tells it, in order.
struct MeterRecordReading {
  std::optional<InrResult> result;
  std::vector<std::string> notes;
};

// The meter's byte strings become text (bytes that are no UTF-8 are Latin-1) with no
// character that could break a line; a 12-hour time becomes hh:nn on the 24-hour clock.
// A result read this way is ticked.
MeterRecordReading ResultOfMeterRecord(const TMeterRecord& record);

// "INR ↑" and "INR ↓" lie beyond the measuring range; any other text within it.
InrRange RangeOfInrText(const std::string& inrText);

// The current row of the result list, or the row a cursor stands on. An INR stored as no
// value (by an older version, from a damaged record) is no number rather than 0.
InrResult ResultOfListRow(RowSet& list);
InrResult ResultOfListRow(const RowSetCursor& row);

}  // namespace movra
