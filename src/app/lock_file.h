// The marker of an open database, MovraData1.ldb beside it. The data module holds an
// exclusive lock on it while connected (flock here, a handle that shares no deletion and
// LockFileEx on Windows); deleting it succeeds only when nobody holds it, so a file left
// by a crashed copy is removed and a running copy blocks the start.
#pragma once
#include <cstdint>
#include <string>

namespace movra {

class DbLockFile {
 public:
  DbLockFile() = default;
  ~DbLockFile() { release(); }
  DbLockFile(const DbLockFile&) = delete;
  DbLockFile& operator=(const DbLockFile&) = delete;

  // Creates the file and takes the lock; false (with reason()) when another process holds it.
  bool acquire(const std::string& path);
  // Removes the file and drops the lock.
  void release();
  bool held() const { return fd_ != -1; }
  // After a failed acquire: true when another process holds the lock, false when the
  // file could not be made or opened at all (reason() says why).
  bool busy() const { return busy_; }
  const std::string& reason() const { return reason_; }

 private:
  intptr_t fd_ = -1;  // the descriptor, or the handle on Windows
  std::string path_;
  std::string reason_;
  bool busy_ = false;
};

// Deletes the lock file unless a live process holds its lock; true when it is gone.
bool TryDeleteLockFile(const std::string& path);

}  // namespace movra
