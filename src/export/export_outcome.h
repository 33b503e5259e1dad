#pragma once
#include <optional>

#include "app/notice.h"

namespace movra {

// How an export ended.
//  Written: the whole file is in the target's place.
//  LeftInUse: another program held the target open at save time; it was left as it was
//    without a word, and the export counts as finished.
//  Failed: the target is as it was before; the notice says "Write to … Error" and why.
//  GeneralError: it stopped before writing anything; the notice is for the application's
//    general error display.
enum class ExportOutcome { Written, LeftInUse, Failed, GeneralError };

struct ExportResult {
  ExportOutcome outcome = ExportOutcome::Written;
  std::optional<Notice> notice;  // what the caller shows first, before any "finished"
};

}  // namespace movra
