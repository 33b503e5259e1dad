#pragma once
#include <string>

namespace movra {

// False when no file exists at the path. True when it cannot be opened for reading and
// writing, or when another process holds an fcntl or flock lock on it (how spreadsheet
// programs here mark an open file).
bool FileInUse(const std::string& path);

// Why a file refuses to be opened for writing by itself rather than because another
// program holds it: None when it does not refuse (or is not there).
enum class WriteRefusal { None, Immutable, ReadOnly, Denied };
WriteRefusal FileRefusesWriting(const std::string& path);

}  // namespace movra
