// The database's lock file and "file in use" across two real processes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/file_in_use.h"
#include "app/lock_file.h"
#include "app/single_instance.h"
#include "recording_presenter.h"
#include "temp_dir.h"

using namespace movra;

namespace {

// Runs fn in a child process that then waits until killed; returns its pid once fn ran.
pid_t holdInChild(const std::function<void()>& fn) {
  int pipefd[2];
  if (pipe(pipefd) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    close(pipefd[0]);
    fn();
    char c = 'x';
    if (write(pipefd[1], &c, 1) != 1) _exit(1);
    for (;;) pause();
  }
  close(pipefd[1]);
  char c;
  EXPECT_EQ(read(pipefd[0], &c, 1), 1);
  close(pipefd[0]);
  return pid;
}

void killChild(pid_t pid) {
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

TEST(SingleInstance, HeldLockRefusesTheStart) {
  test::TempDir dir;
  dir.mkdirs("PTDATA/Data");
  std::string path = SingleInstanceLockPath(dir.path());
  pid_t child = holdInChild([&] {
    static DbLockFile lock;  // held until the child is killed
    if (!lock.acquire(path)) _exit(2);
  });
  test::ScopedPresenter presenter;
  std::optional<Notice> refused = CheckSingleInstance(dir.path());
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->text, "The program is being run by another user,please check it!");
  EXPECT_EQ(refused->caption, "warning");
  EXPECT_EQ(refused->icon, NoticeIcon::Error);
  // Above every window, the running copy's too.
  EXPECT_TRUE(refused->onTop);
  // The other copy ends abnormally: its file stays behind but no longer blocks.
  killChild(child);
  EXPECT_EQ(access(path.c_str(), F_OK), 0);
  EXPECT_FALSE(CheckSingleInstance(dir.path()));
  EXPECT_NE(access(path.c_str(), F_OK), 0);
}

TEST(SingleInstance, NoFileNoDataFolder) {
  test::TempDir dir;
  test::ScopedPresenter presenter;
  EXPECT_FALSE(CheckSingleInstance(dir.path()));
}

TEST(DbLockFile, ExclusiveAndRemovedOnRelease) {
  test::TempDir dir;
  std::string path = dir.file("MovraData1.ldb");
  DbLockFile a;
  ASSERT_TRUE(a.acquire(path));
  pid_t child = fork();
  if (child == 0) {
    DbLockFile b;
    _exit(b.acquire(path) ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_FALSE(TryDeleteLockFile(path));
  a.release();
  EXPECT_NE(access(path.c_str(), F_OK), 0);
}

TEST(FileInUse, Cases) {
  test::TempDir dir;
  EXPECT_FALSE(FileInUse(dir.file("missing.xls")));
  dir.write("book.xls", "x");
  EXPECT_FALSE(FileInUse(dir.file("book.xls")));
  std::string path = dir.file("book.xls");
  for (bool useFcntl : {true, false}) {
    pid_t child = holdInChild([&] {
      int fd = open(path.c_str(), O_RDWR);
      if (useFcntl) {
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        if (fcntl(fd, F_SETLK, &fl) != 0) _exit(2);
      } else if (flock(fd, LOCK_EX) != 0) {
        _exit(2);
      }
    });
    EXPECT_TRUE(FileInUse(path)) << (useFcntl ? "fcntl" : "flock");
    killChild(child);
    EXPECT_FALSE(FileInUse(path));
  }
}

}  // namespace
