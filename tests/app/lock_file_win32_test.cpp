// The database's lock file and "file in use" on Windows, where an open handle that shares
// no deletion is what keeps the lock file in place.
#include <gtest/gtest.h>

#include "app/file_in_use.h"
#include "app/file_system.h"
#include "app/lock_file.h"
#include "app/single_instance.h"
#include "recording_presenter.h"
#include "temp_dir.h"
// After the program's own headers: <windows.h> defines some of their names as macros.
#include "app/win32_strings.h"

using namespace movra;

TEST(LockFileWin32, HeldLockRefusesTheStartAndALeftoverDoesNot) {
  test::TempDir dir;
  dir.mkdirs("PTDATA/Data");
  const std::string path = SingleInstanceLockPath(dir.path());
  {
    DbLockFile lock;
    ASSERT_TRUE(lock.acquire(path)) << lock.reason();
    DbLockFile second;
    EXPECT_FALSE(second.acquire(path));
    EXPECT_TRUE(second.busy());

    test::ScopedPresenter presenter;
    std::optional<Notice> refused = CheckSingleInstance(dir.path());
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->text, "The program is being run by another user,please check it!");
    EXPECT_TRUE(PathExists(path));
  }
  EXPECT_FALSE(PathExists(path));

  // A copy that ended abnormally left its file behind: it no longer blocks.
  dir.write("PTDATA/Data/MovraData1.ldb", "");
  EXPECT_FALSE(CheckSingleInstance(dir.path()));
  EXPECT_FALSE(PathExists(path));
}

TEST(LockFileWin32, FileInUseWhileAnotherHandleIsOpen) {
  test::TempDir dir;
  const std::string path = dir.file("Book1.xls");
  EXPECT_FALSE(FileInUse(path));
  dir.write("Book1.xls", "x");
  EXPECT_FALSE(FileInUse(path));
  // How a spreadsheet program keeps its open workbook.
  HANDLE h = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(FileInUse(path));
  CloseHandle(h);
  EXPECT_FALSE(FileInUse(path));
}
