// The program folder and the data folders that every file path is built from.
#pragma once
#include <string>

namespace movra {

extern std::string ExeDir;    // the program's folder, ending in exactly one "/"
extern std::string DataRoot;  // ExeDir + "PTDATA" (a Linux path has no drive part)
extern std::string DataDir;   // DataRoot + "/"

// The folder part of an executable path, with exactly one trailing "/".
std::string FolderOf(const std::string& exePath);
// The folder of the running executable (from /proc/self/exe).
std::string RunningExeDir();

// Sets the three globals from the program folder (RunningExeDir() when empty), creates
// DataDir (mode 0700: it holds health data), then reads the configuration file.
// A failure to create the folder shows a plain "Warning" box and start-up goes on.
void PrepareFolders(const std::string& exeDir = std::string());

// The files under DataRoot + "/Data/".
std::string DataFilePath();    // movradata1.dat
std::string LockFilePath();    // MovraData1.ldb
std::string TraceFilePath();   // MovraT.dbg
std::string RawLogPath();      // MovraTRaw.txt
std::string CommDataLogPath(); // COMMDATA.txt

}  // namespace movra
