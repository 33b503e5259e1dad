#pragma once
#include <optional>
#include <string>

#include "app/notice.h"

namespace movra {

// The database's lock file as start-up sees it: the program folder's PTDATA/Data/MovraData1.ldb.
std::string SingleInstanceLockPath(const std::string& exeDir);
// Set when another copy holds the database open: the plain box to show before the start
// ends, "The program is being run by another user,please check it!" (caption "warning",
// error icon). A lock file left behind by a copy that ended abnormally is deleted and
// does not block.
std::optional<Notice> CheckSingleInstance(const std::string& exeDir);
// The same for the lock file at lockPath (a user's own data folder).
std::optional<Notice> CheckSingleInstanceLock(const std::string& lockPath);
// The two steps of the check: the lock file is deleted unless a running copy holds it, and
// true when one does;
bool RunningCopyHoldsLock(const std::string& lockPath);
// and the refusal, a box that stays above every other window.
Notice RunningCopyRefusal();

}  // namespace movra
