#include "app/lock_file.h"

#include "app/win32_links.h"
#include "app/win32_strings.h"

namespace movra {

namespace {
HANDLE handleOf(intptr_t fd) { return reinterpret_cast<HANDLE>(fd); }
}  // namespace

bool DbLockFile::acquire(const std::string& path) {
  release();
  busy_ = false;
  // Others may read and write it, but nobody may delete it while this handle is open:
  // that is what tells a starting copy that the database is in use.
  // A link (reparse point) in its place is opened itself, and refused below.
  HANDLE h = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD err = GetLastError();
    if (err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION) {
      reason_ = "locked by another process";
      busy_ = true;
    } else {
      reason_ = SystemErrorText(err);
    }
    return false;
  }
  if (IsReparsePoint(h)) {
    CloseHandle(h);
    reason_ = "a link stands in the lock file's place";
    return false;
  }
  OVERLAPPED whole{};
  if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole)) {
    CloseHandle(h);
    reason_ = "locked by another process";
    busy_ = true;
    return false;
  }
  fd_ = reinterpret_cast<intptr_t>(h);
  path_ = path;
  reason_.clear();
  return true;
}

void DbLockFile::release() {
  if (fd_ == -1) return;
  // Closing drops the lock; only then may the file be deleted.
  CloseHandle(handleOf(fd_));
  DeleteFileW(Utf8ToWide(path_).c_str());
  fd_ = -1;
  path_.clear();
}

bool TryDeleteLockFile(const std::string& path) {
  std::wstring w = Utf8ToWide(path);
  // Refused while a running copy holds the file open; a leftover of a copy that ended
  // abnormally goes.
  if (DeleteFileW(w.c_str())) return true;
  return GetFileAttributesW(w.c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace movra
