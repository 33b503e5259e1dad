#include "ui/command_guard.h"

#include <exception>

#include "app/dialogs.h"
#include "app/trace.h"

namespace movra {

void RunCommand(const std::function<void()>& command) {
  try {
    command();
  } catch (const TranslatedError& e) {
    BugMessage(e.what());
    ShowNotice(TranslatedErrorNotice(e.what()));
  } catch (const std::exception& e) {
    BugMessage(e.what());
    ShowError(e.what());
  } catch (...) {
    ShowError("Unknown error");
  }
}

}  // namespace movra
