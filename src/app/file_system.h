// The few questions about files and folders that the shared code asks, answered by the
// platform file (file_system_posix.cpp, file_system_win32.cpp). Paths are UTF-8.
#pragma once
#include <string>
#include <vector>

namespace movra {

// What is at a path, links followed.
enum class PathKind { Missing, Regular, Folder, Pipe, Device, Socket, Other };
PathKind KindOfPath(const std::string& path);

// True when a file or folder is at the path, links followed.
bool PathExists(const std::string& path);
// True when the name is taken, even by a link that leads nowhere.
bool NameTaken(const std::string& path);

// True when a symbolic link (on Windows any reparse point) is at the path itself.
bool IsLink(const std::string& path);
// True when what is at the path cannot be looked at because a permission is denied: the
// file may well be there.
bool LookDenied(const std::string& path);
// Seconds since the file was last written, links not followed; negative when it cannot be
// looked at.
double SecondsSinceWritten(const std::string& path);

// Makes an existing folder of the user's own private: only the user may enter it (on
// Windows the user's profile gives that already). A folder of another user's is never
// changed: OfAnotherUser, with the owner's name in `detail`; Failed gives the reason there.
// Link: a link stands in the folder's place where links are not followed (Windows).
enum class OwnFolder { Private, Missing, OfAnotherUser, Link, Failed };
OwnFolder MakeOwnFolderPrivate(const std::string& folder, std::string& detail);

// The names in a folder without "." and "..", in no particular order; empty when it cannot
// be read.
std::vector<std::string> FolderEntries(const std::string& folder);

// The path with every link and "." or ".." resolved; empty when it cannot be resolved.
std::string ResolvedPath(const std::string& path);

// Creates one folder that only the user may enter (it holds health data). Empty on
// success, otherwise the system's reason.
std::string CreatePrivateFolder(const std::string& path);

// Empty when the process may write to the file or folder, otherwise the system's reason.
std::string WriteAccessProblem(const std::string& path);

// A new empty file readable by the user alone, under a fresh name that starts with
// `stem`; returns its path. Throws std::runtime_error with the system's reason.
std::string CreateFreshPrivateFile(const std::string& stem);

// Gives the file `from` the name `to` unless something is already there, and makes the
// new name last through a power cut. `from` keeps its name as well where the system can
// link (remove it afterwards).
enum class PublishOutcome { Done, Exists, Failed };
PublishOutcome PublishWithoutReplacing(const std::string& from, const std::string& to, std::string& why);

// Files and folders this process makes from now on are its user's alone (the umask on
// Linux; on Windows the user's own folders give that already).
void RestrictNewFilesToOwner();

// Removes a file; a missing file is no failure.
void RemoveFileQuietly(const std::string& path);

}  // namespace movra
