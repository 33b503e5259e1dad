// The program's start-up in its fixed order, and its end.
#pragma once
#include <string>

class QApplication;

namespace movra {

// Runs the whole program in the given program folder (the executable's folder when
// empty) and returns the process exit code: the message loop's, 0 when the user's running
// copy came to the front instead, or 1 when start-up failed (another user's copy or one
// that does not answer, the trace, the database, an error while making the windows).
int RunMovra(QApplication& app, const std::string& exeDir = std::string());

}  // namespace movra
