#include "app/folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "app/config.h"
#include "app/dialogs.h"

namespace movra {

std::string ExeDir;
std::string DataRoot;
std::string DataDir;

namespace {
std::string withSlash(std::string s) {
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}
std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}
}  // namespace

std::string FolderOf(const std::string& exePath) {
  size_t slash = exePath.rfind('/');
  if (slash == std::string::npos) return "./";
  return withSlash(exePath.substr(0, slash + 1));
}

std::string RunningExeDir() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./";
  return FolderOf(std::string(buf, static_cast<size_t>(n)));
}

void PrepareFolders(const std::string& exeDir) {
  ExeDir = withSlash(exeDir.empty() ? RunningExeDir() : exeDir);
  try {
    // A Linux path has no drive part, so the data root sits in the program folder.
    DataRoot = ExeDir;
    if (trim(DataRoot).empty()) DataRoot = ExeDir;
    DataRoot = withSlash(DataRoot) + "PTDATA";
    DataDir = DataRoot;
    struct stat st {};
    if (stat(DataDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      if (mkdir(DataDir.c_str(), 0700) != 0) throw std::runtime_error(std::strerror(errno));
    }
    DataDir = withSlash(DataDir);
  } catch (const std::exception& e) {
    PlainMessageBox("Error in create folder " + DataDir + "\r\n" + e.what(), "Warning", MB_OK);
  }
  ReadConfig();
}

std::string DataFilePath() { return DataRoot + "/Data/movradata1.dat"; }
std::string LockFilePath() { return DataRoot + "/Data/MovraData1.ldb"; }
std::string TraceFilePath() { return DataRoot + "/Data/" + "MovraT.dbg"; }
std::string RawLogPath() { return DataRoot + "/Data/" + "MovraTRaw.txt"; }
std::string CommDataLogPath() { return DataRoot + "/Data/COMMDATA.txt"; }

}  // namespace movra
