// movra-make-database PATH
// Makes the encrypted, empty database with every table and one settings row. The folders
// it has to create and the file are its owner's alone. An existing file is never touched.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/file_system.h"
#include "app/make_folders.h"
#include "data/schema.h"

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
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash != 0 && !movra::MakeFolders(path.substr(0, slash), why)) {
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
