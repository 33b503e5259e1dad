// Creating a chain of folders for files that hold health data.
#pragma once
#include <string>

namespace movra {

// Creates `folder` and every missing folder above it, each new one with mode 0700.
// False, with why, when one cannot be made or a file stands in the way.
bool MakeFolders(const std::string& folder, std::string& why);

}  // namespace movra
