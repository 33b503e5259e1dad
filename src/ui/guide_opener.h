// The system's "open" action for the user guide: the desktop's open command here
// (guide_opener_posix.cpp), the shell's open verb on Windows (guide_opener_win32.cpp).
#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace movra {

// Starts the open action for `path` and returns at once. `notOpened` runs on the calling
// thread when the system reports that the action could not be started. `openCommand` is
// the desktop's open command (program and arguments before the path); Windows has none.
void OpenGuide(QObject* owner, const QStringList& openCommand, const QString& path, std::function<void()> notOpened);

}  // namespace movra
