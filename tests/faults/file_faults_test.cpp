// Faults of the files around the program: a data folder that is missing, cannot be made or
// cannot be written, logs that cannot be written during a download, a database held by
// another running copy, a damaged translation file and an INI file with garbage in it.
// Each ends in the message the program gives for it, or goes on where it should, and
// nothing crashes.
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QLocalServer>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/config.h"
#include "app/folders.h"
#include "app/language.h"
#include "fault_support.h"
#include "full_disk.h"
#include "meter/hb_meter.h"
#include "sim_process.h"
#include "ui/data_list_view.h"
#include "ui/frm_main.h"
#include "ui/qt_dispatcher.h"
#include "ui/running_copy.h"
#include "ui/startup.h"

namespace movra::test {

// From the data tests' fixture.
int DamageTablePage(const std::string& dataFile, const std::string& table);
bool SetImmutable(const std::string& path, bool on);

namespace {

namespace fs = std::filesystem;

// --- start-up ---------------------------------------------------------------------------

struct StartUpOutcome {
  int exitCode = -1;
  bool messageLoopRan = false;
  std::vector<std::string> dialogs;
  std::vector<uint32_t> styles;  // of the same boxes
};

// Runs the program's whole start-up on the folder, every box recorded. A start-up that
// goes on into the message loop is noticed there and ended.
StartUpOutcome RunStartUp(ProgramFolder& folder) {
  StartUpOutcome out;
  ScopedPresenter boxes;
  boxes->allowAny();
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (QThread::currentThread()->loopLevel() == 0) return;
    out.messageLoopRan = true;
    QCoreApplication::exit(99);
  });
  probe.start(200);
  out.exitCode = RunMovra(*qApp, folder.exeDir());
  probe.stop();
  out.dialogs = DialogLines(boxes->shown());
  for (const DialogRequest& d : boxes->shown()) out.styles.push_back(d.style);
  // Start-up ends by closing its own dispatcher; later steps of the test post again.
  static std::shared_ptr<QtDispatcher> dispatcher;
  dispatcher = QtDispatcher::installForThisThread(qApp);
  return out;
}

std::string DataFolder(ProgramFolder& f) { return f.exeDir() + "PTDATA/Data"; }

TEST(StartUpFaults, MissingDataFolderReportsTheTraceAndTheDatabaseAndEnds) {
  ProgramFolder folder;
  fs::remove_all(DataFolder(folder));
  StartUpOutcome r = RunStartUp(folder);
  EXPECT_FALSE(r.messageLoopRan);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.dialogs,
            (std::vector<std::string>{
                "[Error] Can't open the file " + DataFolder(folder) + "/MovraT.dbg\r\nNo such file or directory",
                "[Error] Database File" + DataFolder(folder) + "/movradata1.datDoesn't Exists!"}));
  // The program never makes the Data folder itself.
  EXPECT_FALSE(fs::exists(DataFolder(folder)));
}

// A medium where the data folder cannot be made: a file stands where the folder belongs.
TEST(StartUpFaults, DataFolderThatCannotBeMadeIsReportedAndStartUpGoesOn) {
  ProgramFolder folder;
  fs::remove_all(folder.exeDir() + "PTDATA");
  { std::ofstream(folder.exeDir() + "PTDATA") << "not a folder"; }
  StartUpOutcome r = RunStartUp(folder);
  EXPECT_FALSE(r.messageLoopRan);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.dialogs, (std::vector<std::string>{
                           "[Warning] Error in create folder " + folder.exeDir() + "PTDATA\r\nFile exists",
                           "[Error] Can't open the file " + DataFolder(folder) + "/MovraT.dbg\r\nNot a directory",
                           "[Error] Database File" + DataFolder(folder) + "/movradata1.datDoesn't Exists!"}));
  EXPECT_TRUE(fs::is_regular_file(folder.exeDir() + "PTDATA"));
}

// A data folder of another user's is never changed and never used: start-up names it, its
// owner and what to do, opens nothing in it and ends.
TEST(StartUpFaults, ADataFolderOfAnotherUserIsRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a folder to another user takes root";
  ProgramFolder folder;
  ASSERT_EQ(chmod(DataFolder(folder).c_str(), 0777), 0);
  ASSERT_EQ(chown(DataFolder(folder).c_str(), 65534, 65534), 0);
  StartUpOutcome r = RunStartUp(folder);
  EXPECT_FALSE(r.messageLoopRan);
  EXPECT_EQ(r.exitCode, 1);
  ASSERT_EQ(r.dialogs.size(), 1u);
  const std::string& box = r.dialogs[0];
  EXPECT_EQ(box.rfind("[Error] The folder " + DataFolder(folder) + " belongs to the user ", 0), 0u) << box;
  EXPECT_NE(box.find("\r\n" + TranslateText(kFolderOfAnotherUserAdvice)), std::string::npos) << box;
  struct stat st {};
  ASSERT_EQ(stat(DataFolder(folder).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0777u);
  EXPECT_FALSE(fs::exists(DataFolder(folder) + "/MovraT.dbg"));
  EXPECT_FALSE(fs::exists(DataFolder(folder) + "/MovraData1.ldb"));
}

// What a killed first start left goes at the next start; a young one may be another first
// start's and stays.
TEST(StartUpFaults, ScrapsOfAKilledFirstStartAreRemoved) {
  ProgramFolder folder;
  const std::string data = DataFolder(folder) + "/";
  for (const char* name : {".movradata-new-Q1w2E3", ".movradata-new-Q1w2E3-journal", ".movradata-new-Young1"}) {
    std::ofstream(data + name) << "scrap";
  }
  const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::last_write_time(data + ".movradata-new-Q1w2E3", hourAgo);
  fs::last_write_time(data + ".movradata-new-Q1w2E3-journal", hourAgo);
  StartUpOutcome r = RunStartUp(folder);
  EXPECT_TRUE(r.messageLoopRan);
  EXPECT_TRUE(r.dialogs.empty()) << r.dialogs.front();
  EXPECT_FALSE(fs::exists(data + ".movradata-new-Q1w2E3"));
  EXPECT_FALSE(fs::exists(data + ".movradata-new-Q1w2E3-journal"));
  EXPECT_TRUE(fs::exists(data + ".movradata-new-Young1"));
}

// Makes a folder and the files in it unwritable for the life of the guard. As root,
// permission bits stop nothing; the immutable attribute does, where the file system and
// the process's capabilities allow it.
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(const std::string& dir) {
    for (const auto& e : fs::directory_iterator(dir)) paths_.push_back(e.path().string());
    paths_.push_back(dir);
    for (const auto& p : paths_) {
      if (!protect(p)) {
        why_ = p + ": " + std::strerror(errno);
        return;
      }
      done_.push_back(p);
    }
    // Make sure it took: a file created now must fail.
    std::string probe = dir + "/probe.tmp";
    int fd = open(probe.c_str(), O_WRONLY | O_CREAT, 0600);
    if (fd >= 0) {
      close(fd);
      unlink(probe.c_str());
      why_ = "the folder stays writable for this user";
    }
  }
  ~ReadOnlyFolder() {
    for (auto it = done_.rbegin(); it != done_.rend(); ++it) unprotect(*it);
  }
  // Empty when the folder is read-only; otherwise why it could not be made so.
  const std::string& whyNot() const { return why_; }

 private:
  static bool protect(const std::string& p) {
    if (geteuid() == 0) return SetImmutable(p, true);
    return chmod(p.c_str(), fs::is_directory(p) ? 0555 : 0444) == 0;
  }
  static void unprotect(const std::string& p) {
    if (geteuid() == 0)
      SetImmutable(p, false);
    else
      chmod(p.c_str(), fs::is_directory(p) ? 0700 : 0600);
  }
  std::vector<std::string> paths_;
  std::vector<std::string> done_;
  std::string why_;
};

TEST(StartUpFaults, ReadOnlyDataFolderReportsTheTraceAndTheDatabaseAndEnds) {
  ProgramFolder folder;
  // The trace of an earlier run is there; the medium has become read-only since.
  { std::ofstream(DataFolder(folder) + "/MovraT.dbg") << "earlier run\n"; }
  std::string databaseBefore = ReadFileBytes(folder.databasePath());
  ReadOnlyFolder readOnly(DataFolder(folder));
  if (!readOnly.whyNot().empty()) GTEST_SKIP() << "cannot make the data folder read-only: " << readOnly.whyNot();

  StartUpOutcome r = RunStartUp(folder);
  EXPECT_FALSE(r.messageLoopRan);
  EXPECT_EQ(r.exitCode, 1);
  ASSERT_EQ(r.dialogs.size(), 2u) << ::testing::PrintToString(r.dialogs);
  std::string tracePrefix = "[Error] Can't open the file " + DataFolder(folder) + "/MovraT.dbg\r\n";
  EXPECT_EQ(r.dialogs[0].rfind(tracePrefix, 0), 0u) << r.dialogs[0];
  EXPECT_GT(r.dialogs[0].size(), tracePrefix.size()) << "the reason is missing";
  std::string dbPrefix = "[Error] Can't Connect To the Database\r\nDataFile : " + folder.databasePath() + "\r\n";
  EXPECT_EQ(r.dialogs[1].rfind(dbPrefix, 0), 0u) << r.dialogs[1];
  EXPECT_TRUE(r.dialogs[1].size() > 10 && r.dialogs[1].substr(r.dialogs[1].size() - 10) == "\r\nStep : 0")
      << r.dialogs[1];
  // Nobody else has the database open; the box must not say so.
  EXPECT_EQ(r.dialogs[1].find("another process"), std::string::npos) << r.dialogs[1];
  EXPECT_EQ(ReadFileBytes(folder.databasePath()), databaseBefore);
}

// Damage in a table page that start-up itself never reads (Result_Value_Status is declared
// and never opened): the quick check finds it, names the file and the way out, and the
// program ends without writing to it.
TEST(StartUpFaults, DamagedDatabaseIsNamedLeftAsItIsAndEnds) {
  ProgramFolder folder;
  DamageTablePage(folder.databasePath(), "Result_Value_Status");
  const std::string before = ReadFileBytes(folder.databasePath());
  StartUpOutcome r = RunStartUp(folder);
  EXPECT_FALSE(r.messageLoopRan);
  EXPECT_EQ(r.exitCode, 1);
  ASSERT_EQ(r.dialogs.size(), 1u) << ::testing::PrintToString(r.dialogs);
  const std::string head = "[Error] Can't Connect To the Database\r\nDataFile : " + folder.databasePath() + "\r\n";
  const std::string tail =
      "\r\nStep : 0\r\nThis database file is damaged. It has been left as it is: keep a copy of it and put an "
      "intact database file in its place.";
  EXPECT_EQ(r.dialogs[0].rfind(head, 0), 0u) << r.dialogs[0];
  ASSERT_GT(r.dialogs[0].size(), head.size() + tail.size()) << r.dialogs[0];
  EXPECT_EQ(r.dialogs[0].substr(r.dialogs[0].size() - tail.size()), tail);
  EXPECT_EQ(ReadFileBytes(folder.databasePath()), before);
  EXPECT_FALSE(fs::exists(DataFolder(folder) + "/MovraData1.ldb"));
}

// Another running copy of the program, in the same program folder, holding the database.
class OtherCopy {
 public:
  explicit OtherCopy(ProgramFolder& folder) {
    std::string program = BuildDir() + "/bin/MovraT";
    exe_ = folder.exeDir() + "MovraT";
    // The program finds its folder from its own path: it has to lie in the program folder.
    std::error_code ec;
    fs::create_hard_link(program, exe_, ec);
    if (ec) fs::copy_file(program, exe_, ec);
    if (ec) {
      why_ = "cannot place " + program + " in the program folder: " + ec.message();
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      // The offscreen platform comes with the environment, as for this test.
      execl(exe_.c_str(), exe_.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    if (pid_ < 0) why_ = std::string("fork: ") + std::strerror(errno);
  }
  ~OtherCopy() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& whyNot() const { return why_; }
  bool running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

 private:
  std::string exe_;
  pid_t pid_ = -1;
  std::string why_;
};

// True while some process holds the lock of the lock file.
bool LockHeld(const std::string& path) {
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
  if (!held) flock(fd, LOCK_UN);
  close(fd);
  return held;
}

// The channel a running copy of this folder answers on.
QString ChannelOf(ProgramFolder& folder) { return RunningCopyChannel(DataFolder(folder)); }

TEST(StartUpFaults, SecondStartBringsTheRunningCopyToTheFrontAndEnds) {
  ProgramFolder folder;
  const std::string lock = DataFolder(folder) + "/MovraData1.ldb";
  OtherCopy other(folder);
  if (!other.whyNot().empty()) GTEST_SKIP() << other.whyNot();
  ASSERT_TRUE(ProcessEventsUntil([&] { return LockHeld(lock) || !other.running(); }, 30000));
  ASSERT_TRUE(other.running()) << "the other copy ended";
  ASSERT_TRUE(LockHeld(lock));
  // Its window is made.
  ASSERT_TRUE(ProcessEventsUntil([&] { return CountOccurrences(ReadTrace(folder), "Program started.") == 1; }, 30000));
  std::string traceBefore = ReadTrace(folder);

  StartUpOutcome r = RunStartUp(folder);
  // This start ends well, without a box or a window of its own, and writes nothing.
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_FALSE(r.messageLoopRan);
  EXPECT_EQ(r.dialogs, std::vector<std::string>{});
  EXPECT_EQ(FrmMain, nullptr);
  EXPECT_EQ(CountOccurrences(ReadTrace(folder), "Program started."), CountOccurrences(traceBefore, "Program started."));
  // The running copy has brought its window to the front, and still has the database.
  EXPECT_EQ(CountOccurrences(ReadTrace(folder), "Brought to the front by a second start."), 1);
  EXPECT_TRUE(other.running());
  EXPECT_TRUE(LockHeld(lock));
}

// Holds the database's lock as a running copy does, in this process.
class HeldLock {
 public:
  explicit HeldLock(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ >= 0) flock(fd_, LOCK_EX | LOCK_NB);
  }
  ~HeldLock() {
    if (fd_ >= 0) close(fd_);
  }

 private:
  int fd_;
};

// What stands on the running copy's channel while the lock is held.
enum class Channel { None, SilentListener, OtherUsersListener };
struct SilentCopy {
  const char* name;
  Channel channel;
};

const SilentCopy kSilentCopies[] = {
    {"NoChannel", Channel::None},                           // a copy of an older build, or one still starting
    {"CopyThatDoesNotAnswer", Channel::SilentListener},     // hung: it takes the call and never answers
    {"ChannelOfAnotherUser", Channel::OtherUsersListener},  // a folder shared with another user
};

void PrintTo(const SilentCopy& c, std::ostream* os) { *os << c.name; }

class SecondStartTest : public ::testing::TestWithParam<SilentCopy> {};

TEST_P(SecondStartTest, CopyThatDoesNotAnswerGetsTheDesignedMessageOnTop) {
  ProgramFolder folder;
  HeldLock lock(DataFolder(folder) + "/MovraData1.ldb");
  QLocalServer listener;
  const QString channel = ChannelOf(folder);
  if (GetParam().channel != Channel::None) {
    ASSERT_TRUE(listener.listen(channel)) << listener.errorString().toStdString();
  }
  if (GetParam().channel == Channel::OtherUsersListener) {
    if (geteuid() != 0) GTEST_SKIP() << "giving a socket to another user needs root";
    ASSERT_EQ(lchown(channel.toLocal8Bit().constData(), 65534, 65534), 0);
  }

  StartUpOutcome r = RunStartUp(folder);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_FALSE(r.messageLoopRan);
  EXPECT_EQ(r.dialogs,
            (std::vector<std::string>{"[warning] The program is being run by another user,please check it!"}));
  ASSERT_EQ(r.styles.size(), 1u);
  EXPECT_TRUE(r.styles[0] & MB_TOPMOST);
  EXPECT_EQ(FrmMain, nullptr);
  // Another user's copy is not even called.
  if (GetParam().channel == Channel::OtherUsersListener) {
    EXPECT_FALSE(listener.waitForNewConnection(0));
  }
}

INSTANTIATE_TEST_SUITE_P(Copies, SecondStartTest, ::testing::ValuesIn(kSilentCopies),
                         [](const ::testing::TestParamInfo<SilentCopy>& i) { return std::string(i.param.name); });

// --- logs that cannot be written during a download -------------------------------------

struct UnwritableLog {
  const char* name;
  const char* file;       // in the Data folder
  bool asFullDevice;      // the full device's node, else a folder in the file's place
  const char* traceText;  // what each lost line leaves in the trace
};

const UnwritableLog kUnwritableLogs[] = {
    {"RawLogOnAFullDisk", "MovraTRaw.txt", true, "Write Log Error in FillMeterData!"},
    {"RawLogThatCannotBeOpened", "MovraTRaw.txt", false, "Write Log Error in FillMeterData!"},
    {"ReceivedBytesLogOnAFullDisk", "COMMDATA.txt", true, "Write Log Error in OnGetMeterData!"},
};

void PrintTo(const UnwritableLog& f, std::ostream* os) { *os << f.name; }

class UnwritableLogTest : public WindowWithMeter, public ::testing::WithParamInterface<UnwritableLog> {};

TEST_P(UnwritableLogTest, DownloadGoesOnAndStoresEveryRecord) {
  const UnwritableLog& f = GetParam();
  std::string path = DataFolder(folder) + "/" + f.file;
  if (f.asFullDevice) {
    if (!MakeFullDiskFile(path)) GTEST_SKIP() << "no full device node here";
  } else {
    fs::create_directory(path);
  }
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--device-root", folder.deviceRoot(), "--no-pace", "--records", recordsFile(4)}))
      << sim.lastError();
  ASSERT_TRUE(RunDownload(w(), 60000));
  ExpectIdle(w());
  expectStored({4, 3, 2, 1}, "PT12345678A");
  EXPECT_EQ(AckedRecords(sim), (std::vector<int>{4, 3, 2, 1}));
  // Nothing is shown for a lost log line; the trace keeps the reason.
  EXPECT_EQ(DialogLines(boxes->shown()),
            (std::vector<std::string>{"[Message] Finished transfering. Total records: 4! "}));
  EXPECT_GE(CountOccurrences(ReadTrace(folder), f.traceText), 4);
}

INSTANTIATE_TEST_SUITE_P(Logs, UnwritableLogTest, ::testing::ValuesIn(kUnwritableLogs),
                         [](const ::testing::TestParamInfo<UnwritableLog>& i) { return std::string(i.param.name); });

// --- storing during a download -----------------------------------------------------

class WindowStoring : public WindowWithMeter {};

// A port whose meter answered at 4800 is not read again at 9600: a meter that would answer
// at both speeds sends its records once, and each is stored and listed once.
TEST_F(WindowStoring, MeterAnsweringAtBothSpeedsIsStoredOnce) {
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--device-root", folder.deviceRoot(), "--no-pace", "--generation", "both", "--records",
                         recordsFile(4)}))
      << sim.lastError();
  ASSERT_TRUE(RunDownload(w(), 60000));
  ExpectIdle(w());
  EXPECT_EQ(AckedRecords(sim), (std::vector<int>{4, 3, 2, 1}));
  EXPECT_EQ(sim.countJournal("open 9600"), 0);
  expectStored({4, 3, 2, 1}, "PT12345678A");
  EXPECT_EQ(w().GridDataList->model()->rowCount(), 4);
  EXPECT_EQ(w().UnsavedRecordCount(), 0);
  EXPECT_EQ(DialogLines(boxes->shown()),
            (std::vector<std::string>{"[Message] Finished transfering. Total records: 4! "}));
}

// A database that takes no batch during the download (the file has become immutable,
// and each write fails at once, as on a full disk): no box per record; the rows stay
// listed and are counted as unsaved for the one summary at the end, and go to the file
// once it takes them again.
TEST_F(WindowStoring, BatchesThatCannotBeWrittenShowNoBoxAndAreCountedAtTheEnd) {
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--device-root", folder.deviceRoot(), "--no-pace", "--records", recordsFile(4)}))
      << sim.lastError();
  if (!SetImmutable(folder.databasePath(), true)) GTEST_SKIP() << "no immutable files here";
  SetImmutable(folder.databasePath(), false);
  // The file turns immutable once the command has found it writable and waits for the
  // meter, before the first record arrives.
  QTimer::singleShot(0, [&] { SetImmutable(folder.databasePath(), true); });
  bool ran = RunDownload(w(), 60000);
  int32_t unsavedWhileImmutable = w().UnsavedRecordCount();
  SetImmutable(folder.databasePath(), false);
  ASSERT_TRUE(ran);
  ExpectIdle(w());
  EXPECT_EQ(AckedRecords(sim), (std::vector<int>{4, 3, 2, 1}));
  EXPECT_EQ(DialogLines(boxes->shown()),
            (std::vector<std::string>{
                "[Message] Finished transfering. Total records: 4! \nThe download is incomplete: 4 records were read "
                "and 4 of them could not be saved. The records not read or not saved are still in the meter: connect "
                "it again and press Download."}));
  EXPECT_EQ(w().GridDataList->model()->rowCount(), 4);
  EXPECT_EQ(unsavedWhileImmutable, 4);

  EXPECT_EQ(w().UnsavedRecordCount(), 0);
  expectStored({4, 3, 2, 1}, "PT12345678A");
}

// A file that has become immutable opens (for reading) and would let the meter hand over
// every record for nothing: the download is refused before it starts.
TEST_F(WindowStoring, DatabaseThatCannotBeWrittenIsRefusedWithOneMessage) {
  if (!SetImmutable(folder.databasePath(), true)) GTEST_SKIP() << "no immutable files here";
  bool writable = w().DatabaseWritable();
  SetImmutable(folder.databasePath(), false);
  EXPECT_FALSE(writable);
  EXPECT_TRUE(w().DatabaseWritable());
  ASSERT_EQ(boxes->shown().size(), 1u);
  const std::string box = DialogLines(boxes->shown())[0];
  const std::string head = "[Error] The database cannot be written, so nothing could be stored. The download is not "
                           "started.\n" + folder.databasePath() + "\n";
  EXPECT_EQ(box, head + "Operation not permitted");
}

// --- a damaged translation file ------------------------------------------------------

// A byte string from a literal that may hold NUL bytes.
template <size_t N>
std::string Bytes(const char (&s)[N]) {
  return std::string(s, N - 1);
}

std::string Utf16Le(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

// What a Chinese translation holds for the box the test raises.
const std::string kChineseLines =
    "!LanguageName=中文(中国)\r\nMessage=消息\r\n"
    "Meter is not ready! Please check the power and cable!=仪表未就绪！\r\n";
const std::string kAsciiLines =
    "Message=Xiaoxi\r\nMeter is not ready! Please check the power and cable!=Yibiao weijiuxu\r\n";

struct TranslationFile {
  const char* name;
  std::string bytes;
  bool used;  // an intact file, to show that the test would see a translation
};

const TranslationFile kTranslationFiles[] = {
    {"Intact", "\xEF\xBB\xBF!LanguageID=2052\r\n" + kChineseLines, true},
    {"Utf8WithInvalidBytes", "\xEF\xBB\xBF!LanguageID=2052\r\n" + kChineseLines + "Warning=\xC3\x28\xFF\r\n", false},
    {"Utf16CutInHalfACharacter", Utf16Le("!LanguageID=2052\r\n" + kAsciiLines) + "W", false},
    {"Utf16WithALoneSurrogate", Utf16Le("!LanguageID=2052\r\n" + kAsciiLines) + Bytes("\x00\xDC"), false},
    {"UnknownLanguage", "!LanguageID=9999\r\n" + kChineseLines, false},
    {"LanguageIdNotANumber", "!LanguageID=20x2\r\n" + kChineseLines, false},
    {"BinaryGarbage", Bytes("\x00\x01\x02\xFF\xFE\x00=\x7F\x80\n\x00") + kAsciiLines, false},
    {"Empty", "", false},
};

void PrintTo(const TranslationFile& f, std::ostream* os) { *os << f.name; }

class TranslationFileTest : public ::testing::TestWithParam<TranslationFile> {};

TEST_P(TranslationFileTest, DamagedFileIsDroppedAndEnglishShown) {
  const TranslationFile& f = GetParam();
  ProgramFolder folder;
  fs::create_directories(folder.exeDir() + "2052");
  { std::ofstream(folder.exeDir() + "2052/MovraT.txt", std::ios::binary) << f.bytes; }
  ScopedPresenter boxes;
  boxes->allowAny();
  StartedProgram program(folder);
  program.window().show();

  // No port: the window says so after the command, in the current language.
  program.window().btnDownloadClick();
  ASSERT_TRUE(ProcessEventsUntil([&] { return !boxes->shown().empty(); }, 5000));
  EXPECT_EQ(DialogLines(boxes->shown()),
            (std::vector<std::string>{f.used ? "[消息] 仪表未就绪！"
                                             : "[Message] Meter is not ready! Please check the power and cable!"}));
  std::string trace = ReadTrace(folder);
  EXPECT_EQ(CountOccurrences(trace, "2052/MovraT.txt"), f.used ? 0 : 1);
  EXPECT_EQ(CountOccurrences(trace, "it is not used."), f.used ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Language, TranslationFileTest, ::testing::ValuesIn(kTranslationFiles),
                         [](const ::testing::TestParamInfo<TranslationFile>& i) { return std::string(i.param.name); });

// --- an INI file with garbage lines -------------------------------------------------------

TEST(ConfigurationFaults, GarbageLinesAreSkippedAndTheValidKeysTakeEffect) {
  ProgramFolder folder;
  std::string ini = "\xEF\xBB\xBF";
  ini += "Title=before any section\r\n";
  ini += "garbage without an equals sign\r\n";
  ini += "=a value without a key\r\n";
  ini += "[APPEARANCE\r\n";
  ini += "Title=under a broken header\r\n";
  ini += Bytes("\x00\x01\x02\xFF\xFE binary\r\n");
  ini += "[APPEARANCE]\r\n";
  ini += "   Title   =  \"Clinic Nord\"  \r\n";
  ini += "Title=a second title is not read\r\n";
  ini += std::string(5000, 'k') + "=a very long key\r\n";
  ini += "Logo=" + std::string(5000, 'v') + "\r\n";
  ini += "[]\r\n";
  ini += "Port=3\r\n";
  ini += "[COMM]\r\n";
  ini += "Port=7\r\n";
  ini += "BaudRate=$2580\r\n";
  ini += "Port=9\r\n";
  ini += "Parity=odd\r\n";
  ini += "BaudRate garbage\r\n";
  ini += "[LANGUAGE]\r\n";
  ini += "LanguageID=fast\n";  // not a number: the default
  ini += "\x1A";
  { std::ofstream(folder.exeDir() + "MovraT.INI", std::ios::binary | std::ios::trunc) << ini; }

  ScopedPresenter boxes;
  boxes->allowAny();
  StartedProgram program(folder);
  TFrmMain& w = program.window();
  w.show();
  EXPECT_EQ(w.windowTitle().toStdString(), "Clinic Nord");
  EXPECT_EQ(GlobalOption.CommOption.Port, 7);
  EXPECT_EQ(GlobalOption.CommOption.BaudRate, 9600);
  EXPECT_EQ(GlobalOption.CommOption.Parity, 1);
  EXPECT_EQ(GlobalOption.LanguageID, 1);
  EXPECT_EQ(GlobalOption.Logo.size(), 2047u);

  // The Download command reads the file again and shows the configured port.
  w.btnDownloadClick();
  ASSERT_TRUE(ProcessEventsUntil([&] { return !boxes->shown().empty(); }, 5000));
  EXPECT_EQ(DialogLines(boxes->shown()),
            (std::vector<std::string>{"[Message] Meter is not ready! Please check the power and cable!"}));
  EXPECT_EQ(CountOccurrences(ReadTrace(folder), "开始启动下载... COM7"), 1);
  EXPECT_EQ(w.windowTitle().toStdString(), "Clinic Nord");
}

}  // namespace
}  // namespace movra::test
