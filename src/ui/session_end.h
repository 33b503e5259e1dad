// The end of the desktop session or a request to terminate: SIGTERM and SIGHUP on Linux (a
// logout, a shutdown, a closed terminal), WM_QUERYENDSESSION/WM_ENDSESSION on Windows. A
// download must not lose a record the meter was told arrived, so the window is asked to
// end its transfer, store what was read and quit. (session_end_posix.cpp,
// session_end_win32.cpp)
#pragma once
#include <QObject>
#include <functional>

namespace movra {

// `onEnd` runs on the GUI thread when the notice comes. Where the system ends the
// process as soon as the notice is answered (Windows), the events are served until
// `ended` says the program has done what it must. The watch lives as long as `owner`.
void WatchSessionEnd(QObject* owner, std::function<void()> onEnd, std::function<bool()> ended);

}  // namespace movra
