#include "app/single_instance.h"

#include "app/file_system.h"
#include "app/lock_file.h"

namespace movra {

std::string SingleInstanceLockPath(const std::string& exeDir) {
  std::string dir = exeDir;
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir + "PTDATA/Data/MovraData1.ldb";
}

std::optional<Notice> CheckSingleInstance(const std::string& exeDir) { return CheckSingleInstanceLock(SingleInstanceLockPath(exeDir)); }

std::optional<Notice> CheckSingleInstanceLock(const std::string& path) {
  if (!RunningCopyHoldsLock(path)) return std::nullopt;
  return RunningCopyRefusal();
}

bool RunningCopyHoldsLock(const std::string& path) {
  TryDeleteLockFile(path);  // any failure of the deletion is ignored
  return PathExists(path);
}

Notice RunningCopyRefusal() {
  Notice n{"The program is being run by another user,please check it!", "warning", NoticeIcon::Error};
  // On top: the running copy's window must not hide it.
  n.onTop = true;
  return n;
}

}  // namespace movra
