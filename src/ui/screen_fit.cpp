#include "ui/screen_fit.h"

#include <QEvent>
#include <QObject>
#include <QFrame>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

namespace movra {

void FitToScreen(QWidget& w, QSize opening) {
  QScreen* s = w.screen();
  if (!s) return;
  const QRect avail = s->availableGeometry();
  QSize frame = w.frameGeometry().size() - w.size();
  // Room for the frame before the window manager has told its size.
  if (frame.isEmpty()) frame = QSize(16, 48);
  w.resize(opening.expandedTo(w.minimumSizeHint()).boundedTo(avail.size() - frame));
  w.move(avail.left() + std::max(0, (avail.width() - w.width() - frame.width()) / 2),
         avail.top() + std::max(0, (avail.height() - w.height() - frame.height()) / 2));
}

namespace {

class FitOnFirstShow : public QObject {
 public:
  FitOnFirstShow(QWidget& w, QSize opening) : QObject(&w), opening_(opening) {}
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::Show) {
      FitToScreen(*static_cast<QWidget*>(watched), opening_);
      watched->removeEventFilter(this);
      deleteLater();
    }
    return false;
  }

 private:
  QSize opening_;
};

}  // namespace

QVBoxLayout* ScrollingColumn(QWidget& window) {
  auto* outer = new QVBoxLayout(&window);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* scroll = new QScrollArea(&window);
  scroll->setObjectName("scrBody");
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  auto* body = new QWidget(scroll);
  auto* column = new QVBoxLayout(body);
  scroll->setWidget(body);
  outer->addWidget(scroll);
  return column;
}

void FitToScreenWhenShown(QWidget& w, QSize opening) { w.installEventFilter(new FitOnFirstShow(w, opening)); }

}  // namespace movra
