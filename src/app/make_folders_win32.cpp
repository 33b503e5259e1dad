#include "app/file_system.h"
#include "app/make_folders.h"

namespace movra {

// Windows paths come with either separator, often both ("C:\Users\x\AppData\Local" from
// the environment, "/PTDATA" from the program); a drive ("C:") or a share is there already.
bool MakeFolders(const std::string& folder, std::string& why) {
  for (size_t i = 1; i <= folder.size(); ++i) {
    if (i != folder.size() && folder[i] != '/' && folder[i] != '\\') continue;
    std::string part = folder.substr(0, i);
    if (part.back() == '/' || part.back() == '\\' || part.back() == ':') continue;
    PathKind kind = KindOfPath(part);
    if (kind == PathKind::Folder) continue;
    if (kind != PathKind::Missing) {
      why = part + " is not a folder";
      return false;
    }
    std::string failed = CreatePrivateFolder(part);
    // Made meanwhile by another copy is as good.
    if (!failed.empty() && KindOfPath(part) != PathKind::Folder) {
      why = part + ": " + failed;
      return false;
    }
  }
  return true;
}

}  // namespace movra
