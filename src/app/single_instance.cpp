#include "app/single_instance.h"

#include <unistd.h>

#include "app/dialogs.h"
#include "app/lock_file.h"

namespace movra {

std::string SingleInstanceLockPath(const std::string& exeDir) {
  std::string dir = exeDir;
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir + "PTDATA/Data/MovraData1.ldb";
}

bool CheckSingleInstance(const std::string& exeDir) { return CheckSingleInstanceLock(SingleInstanceLockPath(exeDir)); }

bool CheckSingleInstanceLock(const std::string& path) {
  TryDeleteLockFile(path);  // any failure of the deletion is ignored
  if (access(path.c_str(), F_OK) == 0) {
    PlainMessageBox("The program is being run by another user,please check it!", "warning", MB_OK | MB_ICONERROR);
    return true;
  }
  return false;
}

}  // namespace movra
