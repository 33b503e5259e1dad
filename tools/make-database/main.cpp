// movra-make-database PATH
// Makes the encrypted, empty database with every table and one settings row. The folders
// it has to create and the file are its owner's alone. An existing file is never touched.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/file_system.h"
#include "data/schema.h"

namespace {

// Creates the missing folders above `path`, each 0700.
bool makeParents(const std::string& path, std::string& why) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return true;
  std::string dir = path.substr(0, slash);
  for (size_t i = 1; i <= dir.size(); ++i) {
    if (i != dir.size() && dir[i] != '/') continue;
    std::string part = dir.substr(0, i);
    movra::PathKind kind = movra::KindOfPath(part);
    if (kind != movra::PathKind::Missing) {
      if (kind != movra::PathKind::Folder) {
        why = part + " is not a folder";
        return false;
      }
      continue;
    }
    std::string failed = movra::CreatePrivateFolder(part);
    // Made meanwhile by someone else is as good.
    if (!failed.empty() && movra::KindOfPath(part) != movra::PathKind::Folder) {
      why = part + ": " + failed;
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0' || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(stderr, "usage: movra-make-database PATH\n");
    return 2;
  }
  const std::string path = argv[1];
  movra::RestrictNewFilesToOwner();
  if (movra::NameTaken(path)) {
    std::fprintf(stderr, "movra-make-database: %s already exists; it is left as it is\n", path.c_str());
    return 1;
  }
  std::string why;
  if (!makeParents(path, why)) {
    std::fprintf(stderr, "movra-make-database: can't create the folder %s\n", why.c_str());
    return 1;
  }
  try {
    movra::CreateDatabaseFile(path);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "movra-make-database: %s\n", e.what());
    return 1;
  }
  std::printf("movra-make-database: made %s\n", path.c_str());
  return 0;
}
