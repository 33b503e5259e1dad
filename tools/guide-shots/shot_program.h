// The program as the guide's reader sees it: a program folder laid out as the
// installation lays it out, for one interface language, with a device root of its own,
// started in the program's own start-up order with its real windows and message boxes.
#pragma once
#include <QString>
#include <memory>
#include <string>

namespace movra {
class TDM;
class TFrmMain;
class QtDispatcher;
}  // namespace movra

namespace movra::shots {

class ShotPresenter;

// Where the pieces of the program folder come from, and where the pictures go.
struct ShotInputs {
  int language = 1033;
  QString sourceDir;    // the source tree: install/MovraT.INI, install/lang/<id>/MovraT.txt
  QString installData;  // the build's rendered pictures (Image/) and export template
  QString simulator;    // movra-meter-sim
  QString outDir;       // the pictures of this language
};

class ShotProgram {
 public:
  // Lays out a fresh program folder in workDir, gives the program a home folder of its own
// there, and starts it.
  ShotProgram(const ShotInputs& in, const QString& workDir);
  ~ShotProgram();  // the window first, the data module last, as the program ends
  TFrmMain& window() { return *window_; }
  ShotPresenter& boxes() { return *presenter_; }
  std::string deviceRoot() const { return deviceRoot_; }
  std::string workDir() const { return workDir_; }
  // The documents folder in the user's home, where the scenes save their files.
  std::string documentsDir() const { return documentsDir_; }
  int recordCount() const;

 private:
  std::string workDir_;
  std::string deviceRoot_;
  std::string documentsDir_;
  std::shared_ptr<QtDispatcher> dispatcher_;
  std::shared_ptr<ShotPresenter> presenter_;
  std::unique_ptr<TDM> dm_;
  std::unique_ptr<TFrmMain> window_;
};

// Serves events until done() holds; false when timeoutMs passed first.
bool ServeEventsUntil(const std::function<bool()>& done, int timeoutMs);

}  // namespace movra::shots
