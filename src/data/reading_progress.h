// The progress line of a transfer: "Reading <serial>(<port>):  <stored> / <announced>",
// as the window's first status panel and movra-cli's store show it.
#pragma once
#include <cstdint>
#include <string>

namespace movra {

// The serial number as the meter sent it; control characters become "?".
std::string ReadingProgressText(const std::string& serialNumber, const std::string& portName, int32_t stored,
                                int32_t announced);

}  // namespace movra
