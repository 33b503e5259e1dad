// Where the data and the settings live: beside a program folder the user may write to,
// else in the user's own folders.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ostream>

#include "app/config.h"
#include "app/data_location.h"
#include "app/folders.h"
#include "recording_presenter.h"
#include "temp_dir.h"

using namespace movra;

namespace {

struct LocationCase {
  const char* what;
  DataLocationInput in;
  const char* dataRoot;
  const char* userConfigFile;
  bool perUser;
  bool problem;
};
void PrintTo(const LocationCase& c, std::ostream* os) { *os << c.what; }

DataLocationInput xdg(bool writable, const char* data, const char* config, const char* home) {
  DataLocationInput in;
  in.programDir = "/opt/movra/";
  in.programDirWritable = writable;
  in.xdgDataHome = data;
  in.xdgConfigHome = config;
  in.home = home;
  return in;
}
DataLocationInput windows(bool writable, const char* localAppData) {
  DataLocationInput in;
  in.programDir = "C:\\Program Files\\Movra\\";
  in.programDirWritable = writable;
  in.convention = FolderConvention::Windows;
  in.localAppData = localAppData;
  return in;
}

class DataLocationTable : public ::testing::TestWithParam<LocationCase> {};

TEST_P(DataLocationTable, Decides) {
  const LocationCase& c = GetParam();
  DataLocation got = DecideDataLocation(c.in);
  EXPECT_EQ(got.dataRoot, c.dataRoot);
  EXPECT_EQ(got.userConfigFile, c.userConfigFile);
  EXPECT_EQ(got.perUser, c.perUser);
  EXPECT_EQ(!got.problem.empty(), c.problem) << got.problem;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DataLocationTable,
    ::testing::Values(
        LocationCase{"writable program folder keeps everything beside the program",
                     xdg(true, "/x/data", "/x/config", "/home/pat"), "/opt/movra/PTDATA", "", false, false},
        LocationCase{"read-only, variables unset", xdg(false, "", "", "/home/pat"),
                     "/home/pat/.local/share/movra/PTDATA", "/home/pat/.config/movra/MovraT.INI", true, false},
        LocationCase{"read-only, variables set", xdg(false, "/srv/pat/data", "/srv/pat/cfg/", "/home/pat"),
                     "/srv/pat/data/movra/PTDATA", "/srv/pat/cfg/movra/MovraT.INI", true, false},
        LocationCase{"relative variables are ignored", xdg(false, "data", "./cfg", "/home/pat/"),
                     "/home/pat/.local/share/movra/PTDATA", "/home/pat/.config/movra/MovraT.INI", true, false},
        LocationCase{"no home and no variables: the program folder, with a problem", xdg(false, "", "", ""),
                     "/opt/movra/PTDATA", "", false, true},
        LocationCase{"a relative home counts as none", xdg(false, "", "", "pat"), "/opt/movra/PTDATA", "", false,
                     true},
        LocationCase{"data variable alone, no home: data there, settings from the program",
                     xdg(false, "/srv/d", "", ""), "/srv/d/movra/PTDATA", "", true, false},
        LocationCase{"Windows, writable program folder", windows(true, "C:\\Users\\pat\\AppData\\Local"),
                     "C:\\Program Files\\Movra\\PTDATA", "", false, false},
        LocationCase{"Windows, read-only program folder", windows(false, "C:\\Users\\pat\\AppData\\Local\\"),
                     "C:\\Users\\pat\\AppData\\Local\\Movra\\PTDATA", "C:\\Users\\pat\\AppData\\Local\\Movra\\MovraT.INI",
                     true, false},
        LocationCase{"Windows, LOCALAPPDATA unset", windows(false, ""), "C:\\Program Files\\Movra\\PTDATA", "",
                     false, true}));

// The environment of one test, given back at the end.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { had_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

// An installed program: <prefix>/bin/ for the programs, <prefix>/share/movra/ for the rest,
// with the user's XDG folders under home/.
struct InstalledProgram {
  test::TempDir root;
  ScopedEnv data{"XDG_DATA_HOME", root.file("home/data")};
  ScopedEnv config{"XDG_CONFIG_HOME", root.file("home/config")};
  InstalledProgram() {
    root.mkdirs("usr/bin");
    root.write("usr/share/movra/MovraT.INI", "[APPEARANCE]\nTitle=Installed\n");
  }
  std::string bin() const { return root.file("usr/bin"); }
};

TEST(InstalledFolders, DataGoesToTheUsersFolderAndTheirSettingsWin) {
  InstalledProgram prog;
  test::ScopedPresenter dialogs;

  EXPECT_FALSE(PrepareFolders(prog.bin()).has_value());
  EXPECT_EQ(ExeDir, prog.root.file("usr/share/movra/"));
  EXPECT_EQ(DataRoot, prog.root.file("home/data/movra/PTDATA"));
  EXPECT_TRUE(DataIsPerUser());
  EXPECT_EQ(GlobalOption.Title, "Installed");
  EXPECT_TRUE(dialogs->shown().empty());
  for (const char* folder : {"home/data/movra", "home/data/movra/PTDATA"}) {
    struct stat st {};
    ASSERT_EQ(stat(prog.root.file(folder).c_str(), &st), 0) << folder;
    EXPECT_EQ(st.st_mode & 0777, 0700u) << folder;
  }

  prog.root.write("home/config/movra/MovraT.INI", "[APPEARANCE]\nTitle=Mine\n");
  PrepareFolders(prog.bin());
  EXPECT_EQ(ConfigFilePath(), prog.root.file("home/config/movra/MovraT.INI"));
  EXPECT_EQ(GlobalOption.Title, "Mine");
}

TEST(InstalledFolders, ChangedSettingsGoToTheUsersCopyOfTheProgramsFile) {
  InstalledProgram prog;
  test::ScopedPresenter dialogs;
  PrepareFolders(prog.bin());
  std::string mine = ConfigFileToWrite();
  ASSERT_EQ(mine, prog.root.file("home/config/movra/MovraT.INI"));
  std::string why;
  ASSERT_TRUE(SeedConfigFile(mine, why)) << why;
  EXPECT_EQ(prog.root.read("home/config/movra/MovraT.INI"), "[APPEARANCE]\nTitle=Installed\n");
  prog.root.write("home/config/movra/MovraT.INI", "[APPEARANCE]\nTitle=Edited\n");
  ASSERT_TRUE(SeedConfigFile(mine, why));  // an existing file is the user's: kept
  EXPECT_EQ(prog.root.read("home/config/movra/MovraT.INI"), "[APPEARANCE]\nTitle=Edited\n");
}

TEST(InstalledFolders, AFileInTheWayIsReported) {
  InstalledProgram prog;
  prog.root.write("home/data/movra", "not a folder");
  test::ScopedPresenter dialogs;
  std::optional<Notice> failure = PrepareFolders(prog.bin());
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->text.rfind("Error in create folder " + prog.root.file("home/data/movra/PTDATA") + "\r\n", 0), 0u)
      << failure->text;
  EXPECT_NE(failure->text.find("is not a folder"), std::string::npos) << failure->text;
  EXPECT_EQ(failure->caption, "Warning");
  EXPECT_EQ(GlobalOption.Title, "Installed");  // the settings are read all the same
}

TEST(InstalledFolders, ThePortableFolderBesideItsSettingsStaysPortable) {
  test::TempDir dir;
  dir.write("bin/MovraT.INI", "[APPEARANCE]\nTitle=Portable\n");
  dir.write("share/movra/MovraT.INI", "[APPEARANCE]\nTitle=Installed\n");
  test::ScopedPresenter dialogs;
  PrepareFolders(dir.file("bin"));
  EXPECT_EQ(ExeDir, dir.file("bin/"));
  EXPECT_EQ(DataRoot, dir.file("bin/PTDATA"));
  EXPECT_FALSE(DataIsPerUser());
  EXPECT_EQ(GlobalOption.Title, "Portable");
}

// Folders of the user's own that another user could write to or read are made private at
// start; a folder of another user's is never changed, and the program refuses it.
struct LooseFolderCase {
  const char* name;
  bool installed;     // the user's own folder, else the portable program folder
  mode_t ptdataMode;
  mode_t dataMode;
  const char* others;  // "PTDATA" or "PTDATA/Data" when that one belongs to another user
};

void PrintTo(const LooseFolderCase& c, std::ostream* os) { *os << c.name; }

class LooseFolders : public ::testing::TestWithParam<LooseFolderCase> {};

TEST_P(LooseFolders, AreTightenedOrRefused) {
  const LooseFolderCase& c = GetParam();
  const uid_t otherUser = 65534;
  if (c.others && geteuid() != 0) GTEST_SKIP() << "giving a folder to another user takes root";
  InstalledProgram prog;
  std::string root = c.installed ? prog.root.file("home/data/movra/PTDATA") : prog.root.file("usr/bin/PTDATA");
  if (!c.installed) prog.root.write("usr/bin/MovraT.INI", "[APPEARANCE]\nTitle=Portable\n");
  prog.root.mkdirs(root.substr(prog.root.path().size() + 1) + "/Data");
  ASSERT_EQ(chmod(root.c_str(), c.ptdataMode), 0);
  ASSERT_EQ(chmod((root + "/Data").c_str(), c.dataMode), 0);
  std::string foreign = c.others ? root.substr(0, root.size() - 6) + c.others : "";
  if (c.others) {
    ASSERT_EQ(chown(foreign.c_str(), otherUser, otherUser), 0);
  }
  struct stat before {};
  if (c.others) {
    ASSERT_EQ(stat(foreign.c_str(), &before), 0);
  }
  test::ScopedPresenter dialogs;
  dialogs->allowAny();

  PrepareFolders(prog.bin());
  ASSERT_EQ(DataRoot, root);
  auto modeOf = [](const std::string& f) {
    struct stat st {};
    return stat(f.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  };
  if (!c.others) {
    EXPECT_EQ(modeOf(root), 0700u);
    EXPECT_EQ(modeOf(root + "/Data"), 0700u);
    EXPECT_EQ(DataFolderRefusal(), "");
    return;
  }
  // The other user's folder is as it was; the refusal names it, its owner and what to do.
  EXPECT_EQ(modeOf(foreign), before.st_mode & 07777);
  const passwd* pw = getpwuid(otherUser);
  std::string owner = pw ? pw->pw_name : std::to_string(otherUser);
  std::string refusal = DataFolderRefusal();
  EXPECT_NE(refusal.find(foreign + " "), std::string::npos) << refusal;
  EXPECT_NE(refusal.find(owner), std::string::npos) << refusal;
  if (std::string(c.others) == "PTDATA/Data") {
    EXPECT_EQ(modeOf(root), 0700u);  // the user's own folder above it all the same
  }
}

INSTANTIATE_TEST_SUITE_P(
    Start, LooseFolders,
    ::testing::Values(LooseFolderCase{"UsersOwnFolderOpenToAll", true, 0777, 0777, nullptr},
                      LooseFolderCase{"UsersOwnFolderReadableByAll", true, 0755, 0755, nullptr},
                      LooseFolderCase{"PortableFolderOpenToAll", false, 0777, 0755, nullptr},
                      LooseFolderCase{"PortablePtdataOfAnotherUser", false, 0755, 0777, "PTDATA"},
                      LooseFolderCase{"UsersDataOfAnotherUser", true, 0755, 0777, "PTDATA/Data"}),
    [](const ::testing::TestParamInfo<LooseFolderCase>& i) { return std::string(i.param.name); });

}  // namespace
