#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/config.h"
#include "app/folders.h"
#include "recording_presenter.h"
#include "temp_dir.h"

using namespace movra;

namespace {

TEST(Folders, TrailingSeparatorsAndDataDir) {
  for (const char* suffix : {"", "/"}) {
    test::TempDir dir;
    dir.mkdirs("prog");
    PrepareFolders(dir.file("prog") + suffix);
    EXPECT_EQ(ExeDir, dir.file("prog") + "/");
    EXPECT_EQ(DataRoot, dir.file("prog") + "/PTDATA");
    EXPECT_EQ(DataDir, DataRoot + "/");
    struct stat st {};
    ASSERT_EQ(stat(DataRoot.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
#ifndef _WIN32  // Windows keeps no such modes: the user's profile makes it the user's
    EXPECT_EQ(st.st_mode & 0777, 0700u);  // health data: the user's alone
#endif
    // Only PTDATA is made; Data under it is the installation's.
    EXPECT_NE(stat((DataRoot + "/Data").c_str(), &st), 0);
  }
}

TEST(Folders, FolderOfExecutable) {
  EXPECT_EQ(FolderOf("/opt/movra/MovraT"), "/opt/movra/");
  EXPECT_EQ(FolderOf("MovraT"), "./");
}

TEST(Folders, FailureWarnsAndStillReadsConfiguration) {
  test::TempDir dir;
  dir.write("prog/MovraT.INI", "[APPEARANCE]\nTitle=Clinic\n");
  dir.write("prog/PTDATA", "a file where the folder should be");
  test::ScopedPresenter presenter;
  std::optional<Notice> failure = PrepareFolders(dir.file("prog"));
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->text.rfind("Error in create folder " + dir.file("prog") + "/PTDATA\r\n", 0), 0u) << failure->text;
  EXPECT_EQ(failure->caption, "Warning");
  EXPECT_EQ(failure->icon, NoticeIcon::None);
  EXPECT_EQ(GlobalOption.Title, "Clinic");
}

}  // namespace
