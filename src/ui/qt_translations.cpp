#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include "app/language.h"
#include "app/trace.h"

namespace movra {

namespace {
QPointer<QTranslator> gInstalled;
}  // namespace

std::string QtLocaleForLanguage(int languageId) {
  switch (languageId) {
    case 2052: return "zh_CN";
    case 1031: return "de";
    default: return std::string();
  }
}

bool InstallQtTranslations(QCoreApplication& app, const std::string& folder) {
  if (gInstalled) {
    QCoreApplication::removeTranslator(gInstalled);
    delete gInstalled;
  }
  const LanguageInfo* lang = CurrentLanguage();
  const std::string locale = lang ? QtLocaleForLanguage(lang->id) : std::string();
  if (locale.empty()) return false;
  const QString dir = folder.empty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : QString::fromStdString(folder);
  const QString name = QStringLiteral("qtbase_") + QString::fromStdString(locale);
  auto* translator = new QTranslator(&app);
  if (!translator->load(name, dir) || !QCoreApplication::installTranslator(translator)) {
    delete translator;
    BugMessage("Qt's translation " + name.toStdString() + " was not found in " + dir.toStdString() +
               "; its buttons and file dialogs stay in English.");
    return false;
  }
  gInstalled = translator;
  return true;
}

}  // namespace movra
