#pragma once

namespace movra {

// How an export ended. Finished: it ran to its end (its messages, errors included, have
// been shown). GeneralError: it stopped before writing anything; its error has been shown
// on the application's general error display.
enum class ExportOutcome { Finished, GeneralError };

}  // namespace movra
