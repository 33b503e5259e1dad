// The plain-words reason shown under "Com n disconnected!" when the system said why the
// port would not open.
#pragma once
#include <string>

#include "comm/comm.h"

namespace movra {

// The English text for the reason (the translation key), or "" when there is none to tell.
std::string PortFailureReasonText(PortFailure why);

// "Com " + port + " disconnected!, Please check the meter or cable!", followed on a second
// line by the translated reason when there is one.
std::string PortOpenFailureMessage(int port, PortFailure why);

}  // namespace movra
