// Window commands and message handlers run through here: an error that escapes one is
// shown on the application's general error display and the window goes on.
#pragma once
#include <functional>

namespace movra {

void RunCommand(const std::function<void()>& command);

}  // namespace movra
