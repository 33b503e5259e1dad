#include "ui/status_panels_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <vector>

#include "ui/status_panels.h"

namespace movra {

namespace {

// One panel: it has no widget of its own, so its interface reads the bar.
class PanelAccessible : public QAccessibleInterface {
 public:
  PanelAccessible(StatusPanels* bar, int index) : bar_(bar), index_(index) {}
  bool isValid() const override { return bar_ && index_ < bar_->panelCount(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return bar_ ? bar_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(bar_.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    if (!bar_) return QString();
    switch (t) {
      case QAccessible::Name: return bar_->panelName(index_);
      // Read as the value, and as the description by readers that do not read a text's value.
      case QAccessible::Value:
      case QAccessible::Description: return bar_->panelReadText(index_);
      default: return QString();
    }
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!bar_) return QRect();
    QRect r = bar_->panelRect(index_);
    return QRect(bar_->mapToGlobal(r.topLeft()), r.size());
  }
  QAccessible::Role role() const override { return QAccessible::StaticText; }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.readOnly = true;
    if (!bar_ || !bar_->isVisible()) s.invisible = true;
    return s;
  }

 private:
  QPointer<StatusPanels> bar_;
  int index_;
};

class StatusBarAccessible : public QAccessibleWidget {
 public:
  explicit StatusBarAccessible(StatusPanels* bar) : QAccessibleWidget(bar, QAccessible::StatusBar) {
    for (int i = 0; i < bar->panelCount(); ++i)
      panels_.push_back(QAccessible::registerAccessibleInterface(new PanelAccessible(bar, i)));
  }
  ~StatusBarAccessible() override {
    for (QAccessible::Id id : panels_) QAccessible::deleteAccessibleInterface(id);
  }
  int childCount() const override { return static_cast<int>(panels_.size()); }
  QAccessibleInterface* child(int i) const override {
    if (i < 0 || i >= childCount()) return nullptr;
    return QAccessible::accessibleInterface(panels_[static_cast<size_t>(i)]);
  }
  int indexOfChild(const QAccessibleInterface* c) const override {
    for (int i = 0; i < childCount(); ++i)
      if (child(i) == c) return i;
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    for (int i = 0; i < childCount(); ++i)
      if (child(i)->rect().contains(x, y)) return child(i);
    return nullptr;
  }

 private:
  std::vector<QAccessible::Id> panels_;
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
  if (className == QLatin1String("movra::StatusPanels"))
    if (auto* bar = qobject_cast<StatusPanels*>(object)) return new StatusBarAccessible(bar);
  return nullptr;
}

}  // namespace

void InstallStatusPanelsAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(Factory);
    return true;
  }();
  (void)installed;
}

void NotifyPanelTextChanged(StatusPanels* bar, int panel) {
  if (!QAccessible::isActive()) return;
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(bar);
  if (!iface || !iface->child(panel)) return;
  QAccessibleEvent event(iface->child(panel), QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&event);
}

}  // namespace movra
