#include "temp_dir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace movra::test {

namespace {
// Paths are UTF-8 in the program; a path object made from a plain string would read it in
// the C library's code page on Windows.
fs::path Utf8Path(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }
std::string Utf8Text(const fs::path& p) {
  std::u8string u = p.generic_u8string();
  return std::string(u.begin(), u.end());
}
}  // namespace

TempDir::TempDir() {
  // A fresh name, made exclusively: create_directory reports a folder that was there.
  std::random_device seed;
  std::mt19937_64 random(seed());
  fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "movra-test-%012llx",
                  static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
    std::error_code ec;
    if (fs::create_directory(base / name, ec)) {
      fs::permissions(base / name, fs::perms::owner_all, fs::perm_options::replace, ec);
      // Paths inside the program use "/", on Windows as well.
      path_ = Utf8Text(base / name);
      return;
    }
    if (ec) throw std::runtime_error("cannot make a test folder: " + ec.message());
  }
  throw std::runtime_error("cannot make a test folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  // Folders made read-only by a test still have to go.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& rel) const { return path_ + "/" + rel; }

void TempDir::write(const std::string& rel, const std::string& bytes) const {
  fs::path p = Utf8Path(file(rel));
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

std::string TempDir::read(const std::string& rel) const { return ReadFileBytes(file(rel)); }

void TempDir::mkdirs(const std::string& rel) const { fs::create_directories(Utf8Path(file(rel))); }

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

namespace {
std::string env(const char* name, const std::string& def) {
  const char* v = std::getenv(name);
  return v && *v ? v : def;
}
}  // namespace

// The folders of this build are compiled in: ctest's environment cannot carry more than
// one variable through gtest_discover_tests, so the variables only override these.
std::string BuildDir() { return env("MOVRA_BUILD_DIR", MOVRA_DEFAULT_BUILD_DIR); }
std::string SourceDir() { return env("MOVRA_SOURCE_DIR", MOVRA_DEFAULT_SOURCE_DIR); }
std::string SharedDir() { return env("MOVRA_SHARED_DIR", MOVRA_DEFAULT_SHARED_DIR); }

}  // namespace movra::test
