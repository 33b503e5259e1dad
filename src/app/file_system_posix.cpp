#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <dirent.h>
#include <pwd.h>
#include <time.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "app/file_system.h"

namespace movra {

PathKind KindOfPath(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return PathKind::Missing;
  if (S_ISREG(st.st_mode)) return PathKind::Regular;
  if (S_ISDIR(st.st_mode)) return PathKind::Folder;
  if (S_ISFIFO(st.st_mode)) return PathKind::Pipe;
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return PathKind::Device;
  if (S_ISSOCK(st.st_mode)) return PathKind::Socket;
  return PathKind::Other;
}

bool PathExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

bool NameTaken(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

bool IsLink(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool LookDenied(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) != 0 && (errno == EACCES || errno == EPERM);
}

double SecondsSinceWritten(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return -1;
  timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  return double(now.tv_sec - st.st_mtim.tv_sec) + double(now.tv_nsec - st.st_mtim.tv_nsec) / 1e9;
}

OwnFolder MakeOwnFolderPrivate(const std::string& folder, std::string& detail) {
  // Asked of the folder opened, so what is changed is what was looked at.
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return OwnFolder::Missing;
    detail = std::strerror(errno);
    return OwnFolder::Failed;
  }
  struct stat st {};
  OwnFolder outcome = OwnFolder::Private;
  if (fstat(fd, &st) != 0) {
    detail = std::strerror(errno);
    outcome = OwnFolder::Failed;
  } else if (st.st_uid != geteuid()) {
    const passwd* pw = getpwuid(st.st_uid);
    detail = pw && pw->pw_name ? pw->pw_name : std::to_string(st.st_uid);
    outcome = OwnFolder::OfAnotherUser;
  } else if ((st.st_mode & 07777) != 0700 && fchmod(fd, 0700) != 0) {
    detail = std::strerror(errno);
    outcome = OwnFolder::Failed;
  }
  close(fd);
  return outcome;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
  }
  return names;
}

std::string ResolvedPath(const std::string& path) {
  char real[PATH_MAX];
  return realpath(path.c_str(), real) ? std::string(real) : std::string();
}

std::string CreatePrivateFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0) return std::strerror(errno);
  return {};
}

std::string WriteAccessProblem(const std::string& path) {
  if (access(path.c_str(), W_OK) != 0) return std::strerror(errno);
  return {};
}

std::string CreateFreshPrivateFile(const std::string& stem) {
  std::string tmpl = stem + "XXXXXX";
  int fd = mkstemp(tmpl.data());  // mode 0600
  if (fd < 0) throw std::runtime_error(std::strerror(errno));
  fchmod(fd, 0600);
  close(fd);
  return tmpl;
}

PublishOutcome PublishWithoutReplacing(const std::string& from, const std::string& to, std::string& why) {
  if (link(from.c_str(), to.c_str()) != 0) {
    int err = errno;
    why = std::strerror(err);
    return err == EEXIST ? PublishOutcome::Exists : PublishOutcome::Failed;
  }
  // The new name should survive a power cut as well.
  size_t slash = to.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : to.substr(0, slash);
  int dfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return PublishOutcome::Done;
}

void RestrictNewFilesToOwner() { umask(077); }

void RemoveFileQuietly(const std::string& path) { unlink(path.c_str()); }

}  // namespace movra
