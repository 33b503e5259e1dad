#include "shot_presenter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <memory>

#include "shot_error.h"
#include "shot_image.h"
#include "ui/qt_presenter.h"

namespace movra::shots {

namespace {

QMessageBox::StandardButton ButtonFor(int answer) {
  switch (answer) {
    case IDYES: return QMessageBox::Yes;
    case IDNO: return QMessageBox::No;
    case IDCANCEL: return QMessageBox::Cancel;
    default: return QMessageBox::Ok;
  }
}

constexpr int kBoxWaitTries = 100;  // 20 ms apart

}  // namespace

std::function<bool(const std::string&)> FirstLineIs(std::string firstLine) {
  return [firstLine](const std::string& text) { return text.substr(0, text.find('\n')) == firstLine; };
}

void ShotPresenter::showHomeAs(std::string realHome, std::string shownHome) {
  realHome_ = std::move(realHome);
  shownHome_ = std::move(shownHome);
}

void ShotPresenter::expect(std::string what, std::function<bool(const std::string&)> matches, QString shot,
                           int answer) {
  expected_.push_back({std::move(what), std::move(matches), std::move(shot), answer});
}

int ShotPresenter::present(const DialogRequest& request) {
  if (QThread::currentThread() != qApp->thread()) {
    int answer = IDCANCEL;
    QMetaObject::invokeMethod(qApp, [&] { answer = present(request); }, Qt::BlockingQueuedConnection);
    return answer;
  }
  if (expected_.empty() || !expected_.front().matches(request.text)) {
    faults_.push_back("an unexpected message came" +
                      (expected_.empty() ? std::string() : " instead of " + expected_.front().what) + ": \"" +
                      request.text + "\"");
    return IDCANCEL;
  }
  Expected e = expected_.front();
  expected_.pop_front();
  DialogRequest shown = request;
  if (!realHome_.empty())
    for (size_t at = 0; (at = shown.text.find(realHome_, at)) != std::string::npos; at += shownHome_.size())
      shown.text.replace(at, realHome_.size(), shownHome_);
  // A reader copies what the pictures show: a path into the build tree is nothing a user
  // ever sees.
  if (!e.shot.isEmpty() && shown.text.find(workDir_) != std::string::npos)
    faults_.push_back("the picture of " + e.what + " would show the build folder: \"" + shown.text + "\"");
  return showAndTake(shown, e);
}

int ShotPresenter::showAndTake(const DialogRequest& request, const Expected& e) {
  // The box runs its own event loop; the picture is taken and the button pressed from
  // inside it, once the box is on the screen.
  auto tries = std::make_shared<int>(0);
  auto step = std::make_shared<std::function<void()>>();
  *step = [this, e, tries, step] {
    QPointer<QMessageBox> box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) {
      if (++*tries < kBoxWaitTries) {
        QTimer::singleShot(20, *step);
      } else {
        faults_.push_back("the message box for " + e.what + " did not appear");
        if (QWidget* w = QApplication::activeModalWidget()) w->close();
      }
      return;
    }
    if (!e.shot.isEmpty()) {
      try {
        SaveShot(FramedShot(*box), outDir_, e.shot);
      } catch (const ShotError& err) {
        faults_.push_back(err.what());
      }
    }
    if (QAbstractButton* b = box->button(ButtonFor(e.answer))) {
      b->click();
    } else {
      faults_.push_back("the message box for " + e.what + " has no button to answer it with");
      box->close();
    }
  };
  QTimer::singleShot(0, *step);
  int answer = QtPresenter::showNow(request);
  *step = nullptr;  // breaks the cycle the closure holds on itself
  return answer;
}

void ShotPresenter::verify() const {
  std::string all;
  for (const std::string& f : faults_) all += (all.empty() ? "" : "; ") + f;
  for (const Expected& e : expected_) all += (all.empty() ? "" : "; ") + ("no message came for " + e.what);
  if (!all.empty()) throw ShotError(all);
}

}  // namespace movra::shots
