#include "app/file_system.h"

#include <cstdint>
#include <stdexcept>

#include "app/win32_strings.h"

namespace movra {

PathKind KindOfPath(const std::string& path) {
  std::wstring w = Utf8ToWide(path);
  DWORD attributes = GetFileAttributesW(w.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Folder;
  // Opened without any access only to ask its type: a pipe or a device is never read.
  HANDLE h = CreateFileW(w.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return PathKind::Regular;
  DWORD type = GetFileType(h);
  CloseHandle(h);
  switch (type) {
    case FILE_TYPE_DISK: return PathKind::Regular;
    case FILE_TYPE_PIPE: return PathKind::Pipe;
    case FILE_TYPE_CHAR: return PathKind::Device;
    default: return PathKind::Other;
  }
}

bool PathExists(const std::string& path) {
  return GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A link's own attributes are what GetFileAttributes reports.
bool NameTaken(const std::string& path) { return PathExists(path); }

bool IsLink(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool LookDenied(const std::string& path) {
  return GetFileAttributesW(Utf8ToWide(path).c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_ACCESS_DENIED;
}

double SecondsSinceWritten(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Utf8ToWide(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return (double(ticks(now)) - double(ticks(data.ftLastWriteTime))) / 1e7;  // 100 ns steps
}

// The user's folders under the profile are the user's by its access rules; a reparse point
// in their place could lead anywhere and is refused.
OwnFolder MakeOwnFolderPrivate(const std::string& folder, std::string& detail) {
  DWORD attributes = GetFileAttributesW(Utf8ToWide(folder).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD err = GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return OwnFolder::Missing;
    detail = SystemErrorText(err);
    return OwnFolder::Failed;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    detail = "a link (reparse point)";
    return OwnFolder::Link;
  }
  return OwnFolder::Private;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  HANDLE h = FindFirstFileW(Utf8ToWide(folder + "/*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring n = found.cFileName;
    if (n != L"." && n != L"..") names.push_back(WideToUtf8(n));
  } while (FindNextFileW(h, &found));
  FindClose(h);
  return names;
}

std::string ResolvedPath(const std::string& path) {
  std::wstring w = Utf8ToWide(path);
  if (GetFileAttributesW(w.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
  DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (n == 0) return {};
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
  full.resize(n);
  std::string out = WideToUtf8(full);
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

// A folder under the user's profile is the user's own already; the folder inherits that.
std::string CreatePrivateFolder(const std::string& path) {
  if (!CreateDirectoryW(Utf8ToWide(path).c_str(), nullptr)) return SystemErrorText(GetLastError());
  return {};
}

std::string WriteAccessProblem(const std::string& path) {
  std::wstring w = Utf8ToWide(path);
  DWORD attributes = GetFileAttributesW(w.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return SystemErrorText(GetLastError());
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    // A folder takes writing when a new file can be made in it (its read-only attribute
    // means nothing for that): one that goes again when it is closed.
    std::wstring probe = w;
    if (probe.back() != L'/' && probe.back() != L'\\') probe += L'/';
    probe += L".movra-write-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64());
    HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return SystemErrorText(GetLastError());
    CloseHandle(h);
    return {};
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) return SystemErrorText(ERROR_ACCESS_DENIED);
  // Asked of the file system itself, so access rights count too; others may keep it open.
  HANDLE h = CreateFileW(w.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return SystemErrorText(GetLastError());
  CloseHandle(h);
  return {};
}

std::string CreateFreshPrivateFile(const std::string& stem) {
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    std::string path = stem + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()) + "-" +
                       std::to_string(attempt);
    HANDLE h = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      return path;
    }
    DWORD err = GetLastError();
    if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) throw std::runtime_error(SystemErrorText(err));
  }
  throw std::runtime_error(SystemErrorText(ERROR_FILE_EXISTS));
}

PublishOutcome PublishWithoutReplacing(const std::string& from, const std::string& to, std::string& why) {
  // Without MOVEFILE_REPLACE_EXISTING the move refuses a name that is taken.
  if (MoveFileExW(Utf8ToWide(from).c_str(), Utf8ToWide(to).c_str(), MOVEFILE_WRITE_THROUGH)) return PublishOutcome::Done;
  DWORD err = GetLastError();
  why = SystemErrorText(err);
  return err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS ? PublishOutcome::Exists : PublishOutcome::Failed;
}

void RestrictNewFilesToOwner() {}

void RemoveFileQuietly(const std::string& path) { DeleteFileW(Utf8ToWide(path).c_str()); }

}  // namespace movra
