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
  TryDeleteLockFile(path);  // any failure of the deletion is ignored
  if (PathExists(path))
    return Notice{"The program is being run by another user,please check it!", "warning", NoticeIcon::Error};
  return std::nullopt;
}

}  // namespace movra
