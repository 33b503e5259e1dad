#include <QDir>

#include "ui/guide_opener.h"
// After the program's own headers: <windows.h> defines some of their names as macros.
#include "app/win32_strings.h"
#include <shellapi.h>

namespace movra {

// The shell starts the PDF viewer itself; a result of 32 or less means it could not.
void OpenGuide(QObject*, const QStringList&, const QString& path, std::function<void()> notOpened) {
  std::wstring file = QDir::toNativeSeparators(path).toStdWString();
  auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) notOpened();
}

}  // namespace movra
