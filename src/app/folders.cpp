#include "app/folders.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "app/config.h"
#include "app/data_location.h"
#include "app/file_system.h"
#include "app/make_folders.h"
#include "app/trace.h"
#include "app/user_folders.h"

namespace movra {

std::string ExeDir;
std::string DataRoot;
std::string DataDir;

namespace {
DataLocation gLocation;
std::string gRefusal;
constexpr const char* kInstalledFolderTail = "/share/movra/";
std::string withSlash(std::string s) {
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}
bool isFile(const std::string& path) { return KindOfPath(path) == PathKind::Regular; }
bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
// An installed program folder belongs to the package manager, even for root.
bool isInstalledProgramFolder(const std::string& dir) { return endsWith(dir, kInstalledFolderTail); }

// Others must neither read the health data nor plant files or links among it, so the
// folders are made the user's alone at every start. A folder of another user's is not ours
// to change: its words are returned. One whose mode cannot be changed (a file system
// without modes) is used as it is.
std::string RefusalOfDataFolders() {
  for (const std::string& folder : {DataRoot, DataRoot + "/Data"}) {
    std::string detail;
    switch (MakeOwnFolderPrivate(folder, detail)) {
      case OwnFolder::OfAnotherUser:
        return "The folder " + folder + " belongs to the user " + detail + ", not to you: it is not used.";
      case OwnFolder::Link: return "The folder " + folder + " is " + detail + ": it is not used.";
      case OwnFolder::Private:
      case OwnFolder::Missing:
      case OwnFolder::Failed: break;
    }
  }
  return {};
}
}  // namespace

std::string FolderOf(const std::string& exePath) {
  size_t slash = exePath.rfind('/');
  if (slash == std::string::npos) return "./";
  return withSlash(exePath.substr(0, slash + 1));
}

std::string ProgramFolderOf(const std::string& binaryDir) {
  std::string dir = withSlash(binaryDir);
  if (isFile(dir + kConfigFileName)) return dir;
  std::string installed = dir + "../share/movra/";
  if (isFile(installed + kConfigFileName)) {
    std::string real = ResolvedPath(installed);
    if (!real.empty()) return withSlash(real);
  }
  return dir;
}

void LocateFolders(const std::string& exeDir) {
  ExeDir = ProgramFolderOf(exeDir.empty() ? RunningExeDir() : exeDir);
  // A Linux path has no drive part, so the data root sits in the program folder, or in
  // the user's own folder when the program folder is not the user's to write.
  DataLocationInput in;
  in.programDir = ExeDir;
  in.programDirWritable = !isInstalledProgramFolder(ExeDir) && WriteAccessProblem(ExeDir).empty();
  ReadUserFolders(in);
  gLocation = DecideDataLocation(in);
  DataRoot = gLocation.dataRoot;
  DataDir = withSlash(DataRoot);
}

const char* const kFolderOfAnotherUserAdvice =
    "Start the program as that user, or have an administrator give the folder to you (or remove it).";

std::string DataFolderRefusal() { return gRefusal; }

bool DataIsPerUser() { return gLocation.perUser; }

bool IsInstalledProgramFolder() { return isInstalledProgramFolder(ExeDir); }

std::string ConfigFilePath() {
  if (!gLocation.userConfigFile.empty() && isFile(gLocation.userConfigFile)) return gLocation.userConfigFile;
  return ExeDir + kConfigFileName;
}

std::string ConfigFileToWrite() {
  if (gLocation.perUser && !gLocation.userConfigFile.empty()) return gLocation.userConfigFile;
  return ConfigFilePath();
}

bool SeedConfigFile(const std::string& path, std::string& why) {
  if (isFile(path)) return true;
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash != 0 && !MakeFolders(path.substr(0, slash), why)) return false;
  std::ifstream in(ExeDir + kConfigFileName, std::ios::binary);
  std::ofstream out(path, std::ios::binary);
  if (!out) {
    why = path + ": " + std::strerror(errno);
    return false;
  }
  out << in.rdbuf();
  out.close();
  if (!out) {
    why = path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

std::optional<Notice> PrepareFolders(const std::string& exeDir) {
  LocateFolders(exeDir);
  std::optional<Notice> failure;
  gRefusal.clear();
  if (!gLocation.problem.empty()) BugMessage("No folder of the user's own for the data: " + gLocation.problem);
  try {
    DataDir = DataRoot;
    std::string why;
    // The user's own data folder and the folders above it are made at the first start.
    if (gLocation.perUser && !MakeFolders(DataRoot, why)) throw std::runtime_error(why);
    if (KindOfPath(DataDir) != PathKind::Folder) {
      why = CreatePrivateFolder(DataDir);
      if (!why.empty()) throw std::runtime_error(why);
    }
    DataDir = withSlash(DataDir);
    gRefusal = RefusalOfDataFolders();
  } catch (const std::exception& e) {
    failure = Notice{"Error in create folder " + DataDir + "\r\n" + e.what(), "Warning", NoticeIcon::None};
  }
  ReadConfig();
  return failure;
}

std::string DataFilePath() { return DataRoot + "/Data/movradata1.dat"; }
std::string LockFilePath() { return DataRoot + "/Data/MovraData1.ldb"; }
std::string TraceFilePath() { return DataRoot + "/Data/" + "MovraT.dbg"; }
std::string RawLogPath() { return DataRoot + "/Data/" + "MovraTRaw.txt"; }
std::string CommDataLogPath() { return DataRoot + "/Data/COMMDATA.txt"; }

}  // namespace movra
