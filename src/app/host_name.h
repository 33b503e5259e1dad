// This PC's name on the network, as the clinic's database records which desk kept a result.
#pragma once
#include <string>

namespace movra {

// "" when the system does not say.
std::string HostName();

}  // namespace movra
