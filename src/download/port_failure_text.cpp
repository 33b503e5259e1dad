#include "download/port_failure_text.h"

#include "app/language.h"

namespace movra {

std::string PortFailureReasonText(PortFailure why) {
  switch (why) {
    case PortFailure::NoSuchDevice:
      return "The serial port does not exist (the cable may have been unplugged).";
    case PortFailure::PermissionDenied:
      return "Permission denied on the serial port. Add your user to the group that owns the serial "
             "device (usually dialout): sudo usermod -aG dialout $USER, then log out and in again.";
    case PortFailure::Busy:
      return "The serial port is in use by another program.";
    default:
      return std::string();
  }
}

std::string PortOpenFailureMessage(int port, PortFailure why) {
  std::string text = "Com " + std::to_string(port) + " disconnected!, Please check the meter or cable!";
  std::string reason = PortFailureReasonText(why);
  if (!reason.empty()) text += "\n" + TranslateText(reason);
  return text;
}

}  // namespace movra
