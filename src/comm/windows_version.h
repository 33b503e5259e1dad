// The system version code that the port listing once chose its variant by.
#pragma once
#include <cstdint>

namespace movra {

// Version 6.2 workstation: the only code anyone looks at (it asked for every registered
// port instead of the present ones).
constexpr uint8_t kWindowsVersionCode62Workstation = 16;
// Any other system. Linux is one: its port listing has a single variant.
constexpr uint8_t kWindowsVersionCodeOther = 1;

// 16, another code, or 0 when the version query fails. Here always kWindowsVersionCodeOther.
uint8_t GetWindowsVersionCode();

}  // namespace movra
