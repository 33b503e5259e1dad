// The meter's first two answers, told apart by their order only: the answer to EnterDev
// ("DevMode") and the serial number answer. Pure functions over one received chunk.
#pragma once
#include <optional>
#include <string>

namespace movra {

// The raw-log line for the DevMode chunk; none for a chunk of 6 bytes or less.
std::optional<std::string> DevModeLogText(const std::string& chunk);

// The 11 bytes after the "&PP" answer's header (fewer when the chunk ends earlier);
// none unless the chunk is longer than 10 bytes and holds "&PP".
std::optional<std::string> SerialNumberFromAnswer(const std::string& chunk);

}  // namespace movra
