// The installation step for a user's own data folder: an installed program cannot make
// the empty database at installation time for users it does not know, so it is made at
// each user's first start, the same way the installation tool makes it.
#pragma once
#include <string>

namespace movra {

// Makes the empty database at path, with the folders above it (0700), unless a file is
// there already; an existing file is never touched. False, with why, when it cannot.
bool EnsureUserDatabase(const std::string& path, std::string& why);

}  // namespace movra
