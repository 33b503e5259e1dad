// A text for the user: the pattern translated first, then %1, %2 … filled, so a server's or
// the system's words never stop the pattern from being found.
#pragma once
#include <string>
#include <vector>

namespace movra {

std::string TranslatePattern(const std::string& pattern, const std::vector<std::string>& values = {});

}  // namespace movra
