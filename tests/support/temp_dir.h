// Scratch folders for tests, removed with everything in them at the end.
#pragma once
#include <string>

namespace movra::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  // path() + "/" + rel
  std::string file(const std::string& rel) const;
  void write(const std::string& rel, const std::string& bytes) const;
  std::string read(const std::string& rel) const;
  void mkdirs(const std::string& rel) const;

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);
// Directory of the build tree (for the helper programs), from the environment ctest sets.
std::string BuildDir();
std::string SourceDir();
std::string SharedDir();

}  // namespace movra::test
