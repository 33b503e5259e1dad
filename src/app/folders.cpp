#include "app/folders.h"

#include <stdexcept>

#include "app/config.h"
#include "app/dialogs.h"
#include "app/file_system.h"

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

void PrepareFolders(const std::string& exeDir) {
  ExeDir = withSlash(exeDir.empty() ? RunningExeDir() : exeDir);
  try {
    // A Linux path has no drive part, so the data root sits in the program folder.
    DataRoot = ExeDir;
    if (trim(DataRoot).empty()) DataRoot = ExeDir;
    DataRoot = withSlash(DataRoot) + "PTDATA";
    DataDir = DataRoot;
    if (KindOfPath(DataDir) != PathKind::Folder) {
      std::string why = CreatePrivateFolder(DataDir);
      if (!why.empty()) throw std::runtime_error(why);
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
