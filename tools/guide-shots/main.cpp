// Build-time maker of the user guide's pictures: the program's own windows and message
// boxes, offscreen, on the meter simulator, in one interface language.
//   movra-guide-shots --language ID --source SRC_DIR --installdata DIR --simulator PATH --out DIR
// runs each scene in a child process (side by side) and stops with a clear message when a
// scene fails or overruns its time; with --scene NAME it runs that one scene itself.
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "shot_error.h"
#include "shot_scenes.h"

using namespace movra::shots;

namespace {

// A scene takes two downloads' worth of time-outs at most; past this it hangs.
constexpr int kSceneLimitSeconds = 60;

struct Arguments {
  ShotInputs inputs;
  std::string scene;
};

bool ParseArguments(int argc, char** argv, Arguments& a) {
  std::map<std::string, std::string> v;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strncmp(argv[i], "--", 2) != 0) return false;
    v[argv[i] + 2] = argv[i + 1];
  }
  if (argc % 2 == 0) return false;
  for (const char* needed : {"language", "source", "installdata", "simulator", "out"})
    if (v[needed].empty()) return false;
  a.inputs.language = std::atoi(v["language"].c_str());
  a.inputs.sourceDir = QString::fromStdString(v["source"]);
  a.inputs.installData = QString::fromStdString(v["installdata"]);
  a.inputs.simulator = QString::fromStdString(v["simulator"]);
  a.inputs.outDir = QString::fromStdString(v["out"]);
  a.scene = v["scene"];
  return a.inputs.language > 0;
}

// The offscreen platform's notes about what it cannot do say nothing about the pictures.
void QuietPlatformNotes(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (text.contains("propagateSizeHints") || text.startsWith("QStandardPaths:")) return;
  std::fprintf(stderr, "%s%s\n", type >= QtCriticalMsg ? "movra-guide-shots: " : "", qPrintable(text));
}

void SceneOverran(int) {
  static const char text[] = "movra-guide-shots: a scene did not end in time\n";
  (void)!write(2, text, sizeof text - 1);
  _exit(3);
}

int RunOneScene(int argc, char** argv, const Arguments& a) {
  // Whatever waits for a window or a meter, the scene ends; the simulator ends with it.
  signal(SIGALRM, SceneOverran);
  alarm(kSceneLimitSeconds);
  qInstallMessageHandler(QuietPlatformNotes);
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  std::setlocale(LC_NUMERIC, "C");
  try {
    RunScene(a.scene, a.inputs);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "movra-guide-shots: language %d, scene %s: %s\n", a.inputs.language, a.scene.c_str(),
                 e.what());
    return 1;
  }
  return 0;
}

// Every scene in a child process of its own, side by side.
int RunAllScenes(int argc, char** argv, const Arguments& a) {
  qInstallMessageHandler(QuietPlatformNotes);
  QCoreApplication app(argc, argv);
  QElapsedTimer clock;
  clock.start();
  std::vector<std::unique_ptr<QProcess>> children;
  for (const QString& scene : SceneNames()) {
    auto p = std::make_unique<QProcess>();
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    QStringList args = app.arguments().mid(1);
    args << "--scene" << scene;
    p->start(app.applicationFilePath(), args);
    children.push_back(std::move(p));
  }
  int failures = 0;
  for (size_t i = 0; i < children.size(); ++i) {
    QProcess& p = *children[i];
    const std::string scene = SceneNames()[int(i)].toStdString();
    if (!p.waitForFinished((kSceneLimitSeconds + 5) * 1000)) {
      p.kill();
      p.waitForFinished(2000);
      std::fprintf(stderr, "movra-guide-shots: language %d, scene %s did not end in time\n", a.inputs.language,
                   scene.c_str());
      ++failures;
      continue;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
      std::fprintf(stderr, "movra-guide-shots: language %d, scene %s failed (exit %d)\n", a.inputs.language,
                   scene.c_str(), p.exitCode());
      ++failures;
      continue;
    }
    for (const QString& picture : ScenePictures(scene)) {
      if (!QFileInfo(a.inputs.outDir + "/" + picture).isFile()) {
        std::fprintf(stderr, "movra-guide-shots: language %d, scene %s made no %s\n", a.inputs.language,
                     scene.c_str(), qPrintable(picture));
        ++failures;
      }
    }
  }
  if (failures) return 1;
  std::printf("movra-guide-shots: language %d: pictures made in %.1f s\n", a.inputs.language,
              clock.elapsed() / 1000.0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Offscreen and in one number format on every build machine, so the pictures do not
  // depend on the machine that made them.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("LC_ALL", "C.UTF-8", 1);
  Arguments a;
  if (!ParseArguments(argc, argv, a)) {
    std::fprintf(stderr,
                 "usage: movra-guide-shots --language ID --source SRC_DIR --installdata DIR --simulator PATH "
                 "--out DIR [--scene NAME]\n");
    return 2;
  }
  return a.scene.empty() ? RunAllScenes(argc, argv, a) : RunOneScene(argc, argv, a);
}
