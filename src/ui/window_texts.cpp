#include "ui/window_texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QTabBar>
#include <QWidget>

#include "app/language.h"

namespace movra {

namespace {

QString Tr(const QString& text) {
  if (text.isEmpty()) return text;
  return QString::fromStdString(TranslateText(text.toStdString()));
}

// Sets a text only when it has a translation: setting a label's text would drop its
// picture, and a hint left unset keeps following the caption.
template <typename Get, typename Set>
void Translate(Get get, Set set) {
  QString before = get();
  QString after = Tr(before);
  if (after != before) set(after);
}

template <typename T>
void TranslateCaptionAndHints(T* item) {
  QString tip = item->toolTip();
  Translate([&] { return item->text(); }, [&](const QString& t) { item->setText(t); });
  Translate([&] { return tip; }, [&](const QString& t) { item->setToolTip(t); });
  Translate([&] { return item->statusTip(); }, [&](const QString& t) { item->setStatusTip(t); });
}

}  // namespace

void TranslateWindowTexts(QWidget* window) {
  if (!window) return;
  // Menu titles are the captions of the menus' own actions.
  for (QAction* a : window->findChildren<QAction*>()) TranslateCaptionAndHints(a);
  for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) TranslateCaptionAndHints(b);
  for (QTabBar* bar : window->findChildren<QTabBar*>())
    for (int i = 0; i < bar->count(); ++i)
      Translate([&] { return bar->tabText(i); }, [&](const QString& t) { bar->setTabText(i, t); });
  for (QLabel* l : window->findChildren<QLabel*>())
    Translate([&] { return l->text(); }, [&](const QString& t) { l->setText(t); });
  for (QDialog* d : window->findChildren<QDialog*>())
    Translate([&] { return d->windowTitle(); }, [&](const QString& t) { d->setWindowTitle(t); });
}

}  // namespace movra
