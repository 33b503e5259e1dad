#pragma once

namespace movra {

// How an export ended.
//  Written: the whole file is in the target's place.
//  LeftInUse: another program held the target open at save time; it was left as it was
//    without a word, and the export counts as finished.
//  Failed: an error was shown ("Write to … Error"); the target is as it was before.
//  GeneralError: it stopped before writing anything; its error has been shown on the
//    application's general error display.
enum class ExportOutcome { Written, LeftInUse, Failed, GeneralError };

}  // namespace movra
