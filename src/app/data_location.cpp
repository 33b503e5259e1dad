#include "app/data_location.h"

namespace movra {

namespace {

constexpr const char* kDataFolderName = "PTDATA";
constexpr const char* kSettingsName = "MovraT.INI";

// The base directory rule: a variable that is unset, empty or relative is ignored.
std::string xdgBase(const std::string& variable, const std::string& home, const char* fallback) {
  if (!variable.empty() && variable.front() == '/') return variable;
  if (!home.empty() && home.front() == '/') return home + fallback;
  return {};
}

std::string noTrailingSlashes(std::string s) {
  while (s.size() > 1 && (s.back() == '/' || s.back() == '\\')) s.pop_back();
  return s;
}

bool isAbsoluteWindowsPath(const std::string& p) {
  return (p.size() >= 3 && p[1] == ':' && (p[2] == '\\' || p[2] == '/')) || p.rfind("\\\\", 0) == 0;
}

}  // namespace

DataLocation DecideDataLocation(const DataLocationInput& in) {
  DataLocation out;
  out.dataRoot = in.programDir + kDataFolderName;
  if (in.programDirWritable) return out;

  if (in.convention == FolderConvention::Windows) {
    if (!isAbsoluteWindowsPath(in.localAppData)) {
      out.problem = "LOCALAPPDATA does not name a folder";
      return out;
    }
    std::string base = noTrailingSlashes(in.localAppData) + "\\Movra\\";
    out.dataRoot = base + kDataFolderName;
    out.userConfigFile = base + kSettingsName;
    out.perUser = true;
    return out;
  }

  std::string data = xdgBase(in.xdgDataHome, noTrailingSlashes(in.home), "/.local/share");
  if (data.empty()) {
    out.problem = "neither XDG_DATA_HOME nor HOME names a folder";
    return out;
  }
  out.dataRoot = noTrailingSlashes(data) + "/movra/" + kDataFolderName;
  out.perUser = true;
  std::string config = xdgBase(in.xdgConfigHome, noTrailingSlashes(in.home), "/.config");
  if (!config.empty()) out.userConfigFile = noTrailingSlashes(config) + "/movra/" + kSettingsName;
  return out;
}

}  // namespace movra
