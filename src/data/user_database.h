// The installation step for a user's own data folder: an installed program cannot make
// the empty database at installation time for users it does not know, so it is made at
// each user's first start, the same way the installation tool makes it.
#pragma once
#include <string>

namespace movra {

// Makes the empty database at path, with the folders above it (0700), unless a file is
// there already; an existing file is never touched. False, with why, when it cannot.
bool EnsureUserDatabase(const std::string& path, std::string& why);

// Removes what a first start that was killed left in folder: its private new database
// files and their journals, once they are older than olderThanSeconds. A younger one may be
// another first start's, making its database at this moment, and is left to it.
void RemoveStaleDatabaseScraps(const std::string& folder, int olderThanSeconds = 60);

}  // namespace movra
