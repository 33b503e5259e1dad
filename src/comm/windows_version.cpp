#include "comm/windows_version.h"

namespace movra {

uint8_t GetWindowsVersionCode() { return kWindowsVersionCodeOther; }

}  // namespace movra
