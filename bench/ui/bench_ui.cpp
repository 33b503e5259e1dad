// Window benchmarks, each against a baseline measured in the same run:
//  - start-up to the first painted main window, against a bare Qt main window started
//    the same way (a fresh process each time);
//  - CPU time of the program during a 30-record download from the simulated meter, as a
//    share of the wall time (the wait for the meter must not spin);
//  - the whole Download command's wall time over the line floor, for a 4800 and a 9600
//    meter holding 5, 30 and 255 records.
// Usage: bench-ui [--samples N]   (child modes are internal)
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "ui/frm_main.h"
#include "ui/startup.h"

namespace fs = std::filesystem;

namespace {

int64_t monotonicNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double cpuSeconds() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// Answers every box at once, as a user pressing OK or Yes would.
class AnsweringPresenter : public movra::DialogPresenter {
 public:
  int present(const movra::DialogRequest&) override { return movra::IDYES; }
};

// Prints the monotonic time of the first paint of a main window, then ends the loop.
class FirstPaint : public QObject {
 public:
  explicit FirstPaint(std::function<void()> then) : then_(std::move(then)) {}
  bool eventFilter(QObject* o, QEvent* e) override {
    if (!done_ && e->type() == QEvent::Paint && qobject_cast<QMainWindow*>(o)) {
      done_ = true;
      std::printf("%lld\n", static_cast<long long>(monotonicNs()));
      std::fflush(stdout);
      QTimer::singleShot(0, then_);
    }
    return false;
  }

 private:
  bool done_ = false;
  std::function<void()> then_;
};

int childBare(int argc, char** argv) {
  QApplication app(argc, argv);
  FirstPaint fp([] { QCoreApplication::exit(0); });
  app.installEventFilter(&fp);
  QMainWindow w;
  w.resize(1000, 700);
  w.show();
  w.repaint();
  return app.exec();
}

int childMovra(int argc, char** argv, const std::string& folder, bool download) {
  QApplication app(argc, argv);
  movra::SetDialogPresenter(std::make_shared<AnsweringPresenter>());
  FirstPaint fp([download] {
    if (download && movra::FrmMain) {
      double cpu0 = cpuSeconds();
      auto t0 = std::chrono::steady_clock::now();
      movra::FrmMain->btnDownloadClick();  // returns when both passes are over
      double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      std::printf("cpu %.6f wall %.6f\n", cpuSeconds() - cpu0, wall);
      std::fflush(stdout);
    }
    QCoreApplication::exit(0);
  });
  app.installEventFilter(&fp);
  return movra::RunMovra(app, folder);
}

std::string self() { return fs::read_symlink("/proc/self/exe").string(); }

// Runs this program in a child mode and returns its standard output.
std::string runChild(const std::vector<std::string>& args, int64_t& startNs) {
  int pipefd[2];
  if (pipe(pipefd) != 0) return {};
  startNs = monotonicNs();
  pid_t pid = fork();
  if (pid == 0) {
    dup2(pipefd[1], 1);
    close(pipefd[0]);
    std::vector<char*> argv;
    std::string exe = self();
    argv.push_back(exe.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  close(pipefd[1]);
  std::string out;
  char buf[256];
  ssize_t n;
  while ((n = read(pipefd[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
  close(pipefd[0]);
  waitpid(pid, nullptr, 0);
  return out;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// A program folder like dist/, with a fresh database.
std::string makeProgramFolder(const std::string& dist, const std::string& name = "main") {
  std::string dir = fs::temp_directory_path() / ("movra-bench-ui-" + std::to_string(getpid()) + "-" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (const char* item : {"Image", "data", "1033", "1", "MovraT.INI"})
    if (fs::exists(fs::path(dist) / item))
      fs::copy(fs::path(dist) / item, fs::path(dir) / item, fs::copy_options::recursive);
  fs::create_directories(fs::path(dir) / "PTDATA/Data");
  std::string make = (fs::path(self()).parent_path() / "movra-make-database").string() + " " + dir +
                     "/PTDATA/Data/movradata1.dat >/dev/null";
  if (std::system(make.c_str()) != 0) std::fprintf(stderr, "cannot make the database\n");
  return dir;
}

struct DownloadFigures {
  double cpu = 0, wall = 0;
};

// One Download command in the window, against a simulated meter of this speed holding
// this many records, plugged into a fresh device root.
DownloadFigures timeDownload(const fs::path& bin, const std::string& folder, int baud, int records) {
  std::string root = folder + "/devroot";
  fs::create_directories(root);
  pid_t sim = fork();
  if (sim == 0) {
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    std::string exe = (bin / "movra-meter-sim").string();
    std::string count = std::to_string(records), generation = std::to_string(baud);
    execl(exe.c_str(), exe.c_str(), "--device-root", root.c_str(), "--generate", count.c_str(), "--generation",
          generation.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  for (int i = 0; i < 100 && !fs::exists(root + "/dev/ttyUSB0"); ++i) usleep(50000);
  setenv("MOVRA_DEVICE_ROOT", root.c_str(), 1);
  int64_t t0;
  std::string out = runChild({"--child", "download", folder}, t0);
  kill(sim, SIGTERM);
  waitpid(sim, nullptr, 0);
  DownloadFigures d;
  size_t at = out.find("cpu");
  if (at != std::string::npos) std::sscanf(out.c_str() + at, "cpu %lf wall %lf", &d.cpu, &d.wall);
  return d;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (argc >= 3 && std::string(argv[1]) == "--child") {
    std::string mode = argv[2];
    if (mode == "bare") return childBare(argc, argv);
    if (mode == "movra" && argc >= 4) return childMovra(argc, argv, argv[3], false);
    if (mode == "download" && argc >= 4) return childMovra(argc, argv, argv[3], true);
    return 2;
  }
  int samples = 7;
  if (argc >= 3 && std::string(argv[1]) == "--samples") samples = std::max(1, std::atoi(argv[2]));
  fs::path bin = fs::path(self()).parent_path();
  std::string dist = (bin.parent_path().parent_path() / "dist").string();
  if (const char* d = std::getenv("MOVRA_DIST_DIR")) dist = d;
  std::string folder = makeProgramFolder(dist);

  std::vector<double> bare, movraStart;
  for (int i = 0; i < samples; ++i) {  // alternate, so both see the same machine load
    int64_t t0;
    std::string out = runChild({"--child", "bare"}, t0);
    bare.push_back((std::atoll(out.c_str()) - t0) / 1e6);
    out = runChild({"--child", "movra", folder}, t0);
    movraStart.push_back((std::atoll(out.c_str()) - t0) / 1e6);
  }
  double b = median(bare), m = median(movraStart);
  std::printf("startup_bare_qt_window %.1f ms baseline\n", b);
  std::printf("startup_movra_main_window %.1f ms -\n", m);
  std::printf("startup_ratio %.2f x -\n", m / b);

  // Whole Download commands against a simulated meter pacing its bytes at the line speed,
  // each into a fresh database. The line floor of one record: the serial reader's 100 ms
  // quiet gap, then the acknowledgement (11 bytes) and the next frame (27 bytes) on the wire.
  for (int baud : {4800, 9600}) {
    for (int records : {5, 30, 255}) {
      std::string runFolder = makeProgramFolder(dist, std::to_string(baud) + "-" + std::to_string(records));
      DownloadFigures d = timeDownload(bin, runFolder, baud, records);
      double floorS = records * (0.100 + (11 + 27) * 10.0 / baud);
      const char* goal = records == 5 ? "<=2.0" : records == 255 ? "<=1.08" : baud == 4800 ? "<=1.25" : "<=1.4";
      std::printf("download_over_floor_%d_%d %.2f x (%.2f s / %.2f s) %s\n", baud, records,
                  d.wall / floorS, d.wall, floorS, goal);
      if (records == 30 && baud == 4800) {
        std::printf("download_wall_time %.2f s -\n", d.wall);
        std::printf("download_cpu_share %.2f %% <=2\n", d.wall > 0 ? 100.0 * d.cpu / d.wall : -1.0);
      }
      std::fflush(stdout);
      fs::remove_all(runFolder);
    }
  }
  fs::remove_all(folder);
  return 0;
}
