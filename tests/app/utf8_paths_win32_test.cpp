// Folder names outside the user's code page (a profile folder with umlauts or Chinese
// characters): the program's manifest makes UTF-8 the process's code page, so the settings
// and the data folder are found there like anywhere else.
#include <gtest/gtest.h>

#include "app/config.h"
#include "app/file_system.h"
#include "app/folders.h"
#include "recording_presenter.h"
#include "temp_dir.h"

using namespace movra;

TEST(Utf8PathsWin32, ProgramFolderWithNonAsciiName) {
  test::TempDir dir;
  const std::string prog = "J\xC3\xBCrgen \xE5\x8C\xBB\xE7\x94\x9F";  // "Jürgen 医生"
  dir.write(prog + "/MovraT.INI", "[APPEARANCE]\r\nTitle=Praxis\r\n");
  test::ScopedPresenter dialogs;
  EXPECT_FALSE(PrepareFolders(dir.file(prog)).has_value());
  EXPECT_EQ(GlobalOption.Title, "Praxis");
  EXPECT_EQ(KindOfPath(dir.file(prog + "/PTDATA")), PathKind::Folder);
  EXPECT_TRUE(dialogs->shown().empty());
}
