// The name the desktop shows for the program's windows: the task bar and the application
// menu show the caption the settings give, as the main window does.
#pragma once
#include <string>

namespace movra {

// The desktop entry installed with the program ("movra.desktop").
inline constexpr const char* kDesktopFileName = "com.velbrook.Movra";

// Sets the window class (WM_CLASS) to the caption and ties the windows to the desktop
// entry. Call before the first window is made: the class is fixed then.
void SetDesktopIdentity(const std::string& caption);

}  // namespace movra
