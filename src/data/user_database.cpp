#include "data/user_database.h"

#include <exception>

#include "app/file_system.h"
#include "app/make_folders.h"
#include "data/schema.h"

namespace movra {

namespace {
bool exists(const std::string& path) { return NameTaken(path); }
}  // namespace

bool EnsureUserDatabase(const std::string& path, std::string& why) {
  if (exists(path)) return true;
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash != 0 && !MakeFolders(path.substr(0, slash), why)) return false;
  try {
    CreateDatabaseFile(path);
    return true;
  } catch (const std::exception& e) {
    // A second copy starting at the same moment may have made it first.
    if (exists(path)) return true;
    why = e.what();
    return false;
  }
}

void RemoveStaleDatabaseScraps(const std::string& folder, int olderThanSeconds) {
  for (const std::string& name : FolderEntries(folder)) {
    if (name.rfind(kNewDatabasePrefix, 0) != 0) continue;
    const std::string path = folder + "/" + name;
    if (SecondsSinceWritten(path) > olderThanSeconds) RemoveFileQuietly(path);
  }
}

}  // namespace movra
