#include "app/single_instance.h"

#include "app/dialogs.h"
#include "app/file_system.h"
#include "app/lock_file.h"

namespace movra {

std::string SingleInstanceLockPath(const std::string& exeDir) {
  std::string dir = exeDir;
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir + "PTDATA/Data/MovraData1.ldb";
}

bool CheckSingleInstance(const std::string& exeDir) { return CheckSingleInstanceLock(SingleInstanceLockPath(exeDir)); }

bool CheckSingleInstanceLock(const std::string& path) {
  if (!RunningCopyHoldsLock(path)) return false;
  ShowRunningCopyRefusal();
  return true;
}

bool RunningCopyHoldsLock(const std::string& path) {
  TryDeleteLockFile(path);  // any failure of the deletion is ignored
  return PathExists(path);
}

void ShowRunningCopyRefusal() {
  // On top: the running copy's window must not hide it.
  PlainMessageBox("The program is being run by another user,please check it!", "warning",
                  MB_OK | MB_ICONERROR | MB_TOPMOST);
}

}  // namespace movra
