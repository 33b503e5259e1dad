// One row of the result list as the exports read it: a result and whether it is ticked.
// The exports write its record number, patient, date, time, INR, PT, sample type and
// serial number; the sample type is the list's (one blank shows as empty).
#pragma once
#include "data/inr_result.h"

namespace movra {

using ExportRow = InrResult;

}  // namespace movra
