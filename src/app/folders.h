// The program folder and the data folders that every file path is built from.
#pragma once
#include <optional>
#include <string>

#include "app/notice.h"

namespace movra {

extern std::string ExeDir;    // the program's folder, ending in exactly one "/"
extern std::string DataRoot;  // ExeDir + "PTDATA", or the user's own PTDATA folder
extern std::string DataDir;   // DataRoot + "/"

// The folder part of an executable path, with exactly one trailing "/".
std::string FolderOf(const std::string& exePath);
// The folder of the running executable (from /proc/self/exe).
std::string RunningExeDir();
// The program folder of an executable in binaryDir: binaryDir itself (the portable
// layout), or, for a program installed as <prefix>/bin/…, <prefix>/share/movra/ where its
// settings, pictures and translations are.
std::string ProgramFolderOf(const std::string& binaryDir);

// Names the folders for the program in exeDir (RunningExeDir() when empty), changing
// nothing on disk: ExeDir, DataRoot, DataDir and the settings file.
void LocateFolders(const std::string& exeDir = std::string());
// LocateFolders, then creates DataDir (mode 0700: it holds health data; for a user's own
// folder the missing folders above it as well), then reads the configuration file.
// A failure to create the folder returns the plain box for the caller to show ("Error in
// create folder " + the folder + CR LF + why, caption "Warning", no icon); start-up goes on.
std::optional<Notice> PrepareFolders(const std::string& exeDir = std::string());

// Why the data folders may not be used, empty when they may: PTDATA or its Data folder
// belongs to another user (it is never changed then). Set by PrepareFolders, which makes
// the user's own folders private (0700) each time it runs.
std::string DataFolderRefusal();
// What to do about a folder of another user's: the translated line under the refusal.
extern const char* const kFolderOfAnotherUserAdvice;

// True when the data lives in the user's own folder rather than the program folder: the
// installation step that makes the empty database then runs at the user's first start.
bool DataIsPerUser();
// True for a program folder installed by the package manager (<prefix>/share/movra/),
// which holds every translation; a portable folder holds the one laid out.
bool IsInstalledProgramFolder();
// The settings file read: the user's own when it exists, else the program folder's.
std::string ConfigFilePath();

// The settings file that changes made in the program go to: the user's own when the data
// is the user's (made by SeedConfigFile from the program's copy), else ConfigFilePath().
std::string ConfigFileToWrite();
// Makes path, when missing, as a copy of the program folder's settings file, with the
// folders above it (0700). False, with why, when it cannot.
bool SeedConfigFile(const std::string& path, std::string& why);

// The files under DataRoot + "/Data/".
std::string DataFilePath();    // movradata1.dat
std::string LockFilePath();    // MovraData1.ldb
std::string TraceFilePath();   // MovraT.dbg
std::string RawLogPath();      // MovraTRaw.txt
std::string CommDataLogPath(); // COMMDATA.txt

}  // namespace movra
